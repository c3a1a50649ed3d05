#pragma once

// The command codes of the IP_NET_DVR_* calls and of their answers, in one
// table for the program, the device libraries and the simulator. An answer
// refuses its command when it carries SDK_REFUSED_BIT (sdk/netsdk.h).
namespace vexlo::sdk {

// IP_NET_DVR_SystemControl, and the answers the program reads.
inline constexpr int kCodeSetTime = 1005;
inline constexpr int kCodeFirmwareVerdict = 1009;
inline constexpr int kCodeVersion = 1012;
inline constexpr int kCodeStorage = 1014;
inline constexpr int kCodeFormat = 1017;
// Chosen outside every range the program routes, so they never clash with a
// configuration or system code.
inline constexpr int kCodeReboot = 1101;
inline constexpr int kCodeFactoryRestore = 1102;

// IP_NET_DVR_SetDVRConfig: the sections of the configuration push. A device
// answers or refuses each under its own code.
inline constexpr int kSectionClock = 222;
inline constexpr int kSectionAccount = 223;
inline constexpr int kSectionLanguage = 227;
inline constexpr int kSectionMaintenance = 228;
inline constexpr int kSectionEthernet = 325;
inline constexpr int kSectionCloud = 335;
inline constexpr int kSectionFtp = 421;
inline constexpr int kSectionSmtp = 422;
inline constexpr int kSectionAudioEncode = 522;
inline constexpr int kSectionVideoEncode = 523;
inline constexpr int kSectionCapture = 524;
inline constexpr int kSectionOverlay = 525;
inline constexpr int kSectionStream = 620;
inline constexpr int kSectionPlatform = 670;
inline constexpr int kSectionMotion = 822;

} // namespace vexlo::sdk
