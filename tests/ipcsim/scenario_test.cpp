#include "ipcsim/scenario.h"
#include "ipcsim/search_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

namespace vexlo::ipcsim {
namespace {

// The message of the ScenarioError that `make` throws, or "" when none.
std::string errorOf(const std::function<void()>& make)
{
    try {
        make();
    } catch (const ScenarioError& error) {
        return error.what();
    }
    return {};
}

std::string validationError(const Scenario& scenario)
{
    return errorOf([&] { validateScenario(scenario); });
}

std::string cameraError(const std::function<void(CameraSetup&)>& change)
{
    Scenario scenario;
    scenario.cameras.push_back(makeCamera("SIM0001", "127.0.1.1"));
    change(scenario.cameras[0]);
    return validationError(scenario);
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(CameraSetup, MadeCameraIsHealthyWithBuiltInDefaults)
{
    const CameraSetup camera = makeCamera("SIM0001", "127.0.1.1");
    EXPECT_EQ(camera.mac, "02:00:7F:00:01:01");
    EXPECT_EQ(camera.port, 8000);
    EXPECT_EQ(camera.type, "IPC");
    EXPECT_EQ(camera.user, "admin");
    EXPECT_EQ(camera.password, "");
    EXPECT_EQ(camera.factoryAddress, "192.168.0.123");
    EXPECT_GT(camera.storage.sd1, 0);
    EXPECT_FALSE(camera.faults.loginRefused);
    EXPECT_FALSE(camera.faults.refuses(1012));
    EXPECT_FALSE(camera.faults.ignores(1012));
    EXPECT_EQ(camera.faults.answerDelay(1012), 0.0);
    Scenario scenario{{camera}};
    EXPECT_EQ(validationError(scenario), "");
}

TEST(CameraSetup, VersionAnswerCarriesTheRunningVersion)
{
    CameraSetup camera = makeCamera("SIM0001", "127.0.1.1");
    EXPECT_EQ(camera.versionAnswerFor("V5.2.0"),
              "<RESPONSE_PARAM\r\nSystemVersion=\"V2.4.0\"\r\nFileSystemVersion=\"V5.2.0\"\r\n/>");
    camera.versionAnswer = "A=\"{version}\" B=\"{version}\" \xE7\x89\x88\xE6\x9C\xAC"; // 版本
    EXPECT_EQ(camera.versionAnswerFor("V6"), "A=\"V6\" B=\"V6\" \xB0\xE6\xB1\xBE");
    camera.versionAnswer = "no version here";
    EXPECT_EQ(camera.versionAnswerFor("V6"), "no version here");
}

TEST(CameraSetup, StorageAnswerListsSd1Sd2UsbTotalsInOrder)
{
    CameraSetup camera = makeCamera("SIM0001", "127.0.1.1");
    camera.storage = {0, 15000, -1};
    const std::string answer = camera.storageAnswer();
    std::vector<std::string> totals;
    for (std::size_t at = answer.find("Total=\""); at != std::string::npos;
         at = answer.find("Total=\"", at + 1)) {
        const std::size_t start = at + 7;
        totals.push_back(answer.substr(start, answer.find('"', start) - start));
    }
    EXPECT_EQ(totals, (std::vector<std::string>{"0", "15000", "-1"}));
    EXPECT_LT(answer.find("SD1"), answer.find("SD2"));
    EXPECT_LT(answer.find("SD2"), answer.find("USB"));
}

TEST(CameraFaults, UploadPercentsCountWholeBytesRoundedDown)
{
    EXPECT_EQ(bytesAtPercent(1000, 40), 400u);
    EXPECT_EQ(bytesAtPercent(999, 50), 499u);
    EXPECT_EQ(bytesAtPercent(999, 0), 0u);
    EXPECT_EQ(bytesAtPercent(999, 100), 999u);
    EXPECT_EQ(bytesAtPercent(UINT64_MAX, 50), UINT64_MAX / 2);
}

TEST(GeneratedCameras, NumberSerialsAddressesAndMacs)
{
    CameraSetup base = makeCamera("", "");
    base.type = "IPC-B";
    const auto cameras =
        generateCameras(base, {250, 1, "VX{n:4}-A", "127.0.1.200", "00:1A:2B:00:00:FE"});
    ASSERT_EQ(cameras.size(), 250u);
    EXPECT_EQ(cameras[0].serial, "VX0001-A");
    EXPECT_EQ(cameras[249].serial, "VX0250-A");
    EXPECT_EQ(cameras[0].address, "127.0.1.200");
    EXPECT_EQ(cameras[54].address, "127.0.1.254");
    EXPECT_EQ(cameras[55].address, "127.0.2.1");
    EXPECT_EQ(cameras[0].mac, "00:1A:2B:00:00:FE");
    EXPECT_EQ(cameras[2].mac, "00:1A:2B:00:01:00");
    EXPECT_EQ(cameras[249].type, "IPC-B");
    Scenario scenario{cameras};
    EXPECT_EQ(validationError(scenario), "");
}

TEST(GeneratedCameras, PatternsAndRanges)
{
    const CameraSetup base;
    const auto plain = generateCameras(base, {3, 98, "S{n}/{n:3}", "127.0.0.1", ""});
    EXPECT_EQ(plain[0].serial, "S98/098");
    EXPECT_EQ(plain[2].serial, "S100/100");
    EXPECT_EQ(plain[1].mac, "02:00:7F:00:00:02");

    EXPECT_TRUE(contains(errorOf([&] {
                             generateCameras(base, {3, 1, "SIM", "127.0.0.1", ""});
                         }),
                         "{n}"));
    EXPECT_TRUE(contains(errorOf([&] {
                             generateCameras(base, {3, 1, "S{n:0}", "127.0.0.1", ""});
                         }),
                         "{n}"));
    EXPECT_TRUE(contains(errorOf([&] {
                             generateCameras(base, {0, 1, "S{n}", "127.0.0.1", ""});
                         }),
                         "count"));
    EXPECT_TRUE(contains(errorOf([&] {
                             generateCameras(base, {2, 1, "S{n}", "10.0.0.1", ""});
                         }),
                         "10.0.0.1"));
    EXPECT_TRUE(contains(errorOf([&] {
                             generateCameras(base, {3, 1, "S{n}", "127.255.255.253", ""});
                         }),
                         "leaves 127.0.0.0/8"));
    EXPECT_TRUE(contains(errorOf([&] {
                             generateCameras(base, {2, 1, "S{n}", "127.0.0.1", "zz"});
                         }),
                         "zz"));
}

TEST(ScenarioValidation, RefusesAddressesOutsideLoopbackNamingTheCamera)
{
    Scenario scenario{{makeCamera("SIM0001", "127.0.1.1"), makeCamera("SIM0002", "10.0.0.5")}};
    const std::string error = validationError(scenario);
    EXPECT_TRUE(contains(error, "camera 2")) << error;
    EXPECT_TRUE(contains(error, "SIM0002")) << error;
    EXPECT_TRUE(contains(error, "10.0.0.5")) << error;
    EXPECT_TRUE(contains(error, "127")) << error;

    for (const char* address : {"127.0.0.0", "127.255.255.255", "192.168.0.123", "127.1", ""}) {
        EXPECT_TRUE(contains(cameraError([&](CameraSetup& c) { c.address = address; }), "address"))
            << address;
    }
}

TEST(ScenarioValidation, SerialsMayRepeatButNotWithTheSameMac)
{
    Scenario scenario{{makeCamera("SAME", "127.0.1.1"), makeCamera("SAME", "127.0.1.2")}};
    EXPECT_EQ(validationError(scenario), "");
    scenario.cameras[1].mac = scenario.cameras[0].mac;
    EXPECT_TRUE(contains(validationError(scenario), "same serial and MAC"));
    scenario.cameras[1].mac = "02-00-7f-00-01-01"; // the same MAC written differently
    EXPECT_TRUE(contains(validationError(scenario), "same serial and MAC"));
}

TEST(ScenarioValidation, FactoryAddressMustNotLandOnAnotherCamera)
{
    Scenario scenario{{makeCamera("A1", "127.0.1.1"), makeCamera("A2", "127.0.1.2")}};
    scenario.cameras[0].factoryAddress = "127.0.1.2";
    EXPECT_TRUE(contains(validationError(scenario), "factoryAddress"));
    scenario.cameras[0].factoryAddress = "127.0.1.1"; // its own address: comes back where it was
    EXPECT_EQ(validationError(scenario), "");
    scenario.cameras[0].factoryAddress = "192.168.1.123";
    EXPECT_EQ(validationError(scenario), "");
}

TEST(ScenarioValidation, RefusesAnEmptySite)
{
    EXPECT_EQ(validationError(Scenario{}), "the scenario has no cameras");
}

struct CameraCase
{
    const char* what;
    std::function<void(CameraSetup&)> change;
    const char* expected; // a part of the error, or "" when the camera is sound
};

TEST(ScenarioValidation, EveryFieldIsChecked)
{
    const std::string zhong = "\xE4\xB8\xAD"; // 中: 2 bytes in GBK, 3 in UTF-8
    std::string chinese;
    for (int i = 0; i < 15; ++i) {
        chinese += zhong;
    }
    const std::vector<CameraCase> cases = {
        {"31-byte serial", [](CameraSetup& c) { c.serial = std::string(31, 'S'); }, ""},
        {"32-byte serial", [](CameraSetup& c) { c.serial = std::string(32, 'S'); }, "serial"},
        {"30 GBK bytes", [&](CameraSetup& c) { c.serial = chinese; }, ""},
        {"32 GBK bytes", [&](CameraSetup& c) { c.serial = chinese + zhong; }, "GBK"},
        {"empty serial", [](CameraSetup& c) { c.serial = ""; }, "serial"},
        {"tab in serial", [](CameraSetup& c) { c.serial = "A\tB"; }, "control"},
        {"emoji type", [](CameraSetup& c) { c.type = "\xF0\x9F\x98\x80"; }, "GBK"},
        {"broken UTF-8", [](CameraSetup& c) { c.type = "\xFF"; }, "UTF-8"},
        {"empty type", [](CameraSetup& c) { c.type = ""; }, "type"},
        {"long user", [](CameraSetup& c) { c.user = std::string(40, 'u'); }, "user"},
        {"long password", [](CameraSetup& c) { c.password = std::string(64, 'p'); }, "password"},
        {"short MAC", [](CameraSetup& c) { c.mac = "00:11:22"; }, "mac"},
        {"bad netmask", [](CameraSetup& c) { c.netmask = "255.0.0"; }, "netmask"},
        {"bad gateway", [](CameraSetup& c) { c.gateway = "gw"; }, "gateway"},
        {"port 0", [](CameraSetup& c) { c.port = 0; }, "port"},
        {"quote in version", [](CameraSetup& c) { c.firmwareVersion = "V\"1"; }, "firmwareVersion"},
        {"CR LF in answer", [](CameraSetup& c) { c.versionAnswer = "a\r\nb"; }, ""},
        {"NUL in answer", [](CameraSetup& c) { c.versionAnswer = std::string("a\0b", 3); },
         "versionAnswer"},
        {"no reboot time", [](CameraSetup& c) { c.rebootSeconds = 0; }, ""},
        {"negative time", [](CameraSetup& c) { c.rebootSeconds = -1; }, "rebootSeconds"},
        {"NaN time", [](CameraSetup& c) { c.formatSeconds = NAN; }, "formatSeconds"},
        {"huge time", [](CameraSetup& c) { c.firmwareCheckSeconds = 1e9; }, "firmwareCheckSeconds"},
        {"refused and unconfirmed login",
         [](CameraSetup& c) { c.faults.loginRefused = c.faults.loginNeverConfirmed = true; },
         "loginRefused"},
        {"code refused and ignored",
         [](CameraSetup& c) { c.faults.refusedCodes = c.faults.unansweredCodes = {1012}; }, "1012"},
        {"code 0", [](CameraSetup& c) { c.faults.refusedCodes = {0}; }, "code 0"},
        {"code over 24 bits", [](CameraSetup& c) { c.faults.unansweredCodes = {0x1000000}; },
         "ignoreCodes"},
        {"negative delay", [](CameraSetup& c) { c.faults.answerDelaySeconds[1012] = -2; },
         "answerDelay"},
        {"101 percent", [](CameraSetup& c) { c.faults.uploadStallPercent = 101; },
         "uploadStallAtPercent"},
        {"stall and fail",
         [](CameraSetup& c) { c.faults.uploadStallPercent = 40, c.faults.uploadFailPercent = 60; },
         "cannot both"},
        {"drop at once", [](CameraSetup& c) { c.faults.dropSessionAfterSeconds = 0; },
         "dropSessionAfterSeconds"},
        {"sound faults",
         [](CameraSetup& c) {
             c.faults.uploadStallPercent = 100;
             c.faults.answerDelaySeconds[1012] = 2.5;
             c.faults.dropSessionAfterSeconds = 3;
         },
         ""},
    };
    for (const CameraCase& test : cases) {
        const std::string error = cameraError(test.change);
        if (*test.expected == '\0') {
            EXPECT_EQ(error, "") << test.what;
        } else {
            EXPECT_TRUE(contains(error, test.expected)) << test.what << ": " << error;
            EXPECT_TRUE(contains(error, "camera 1 (")) << test.what << ": " << error;
        }
    }
}

TEST(SearchRecord, CarriesWhatTheEngineReadsAndNoCredentials)
{
    CameraSetup camera = makeCamera("\xE4\xB8\xAD"
                                    "001",
                                    "127.0.1.9"); // 中001
    camera.type = "NVR";
    camera.password = "secret";
    camera.port = 8123;
    camera.playParam = 7;
    _IPCINFO record;
    std::memset(&record, 0xAB, sizeof record);
    fillSearchRecord(camera, {"192.168.0.123", "255.255.255.0", "192.168.0.1"}, record);
    EXPECT_STREQ(record.serialNo, "\xD6\xD0"
                                  "001");
    EXPECT_STREQ(record.deviceType, "NVR");
    EXPECT_STREQ(record.userName, "");
    EXPECT_STREQ(record.password, "");
    EXPECT_EQ(record.port, 8123);
    EXPECT_EQ(record.playParam, 7);
    EXPECT_STREQ(record.macAddress, "02:00:7F:00:01:09");
    EXPECT_STREQ(record.ipAddress, "192.168.0.123");
    EXPECT_STREQ(record.netmask, "255.255.255.0");
    EXPECT_STREQ(record.gateway, "192.168.0.1");
    EXPECT_EQ(record.reserved4[511], 0) << "the unlisted bytes are cleared too";
}

} // namespace
} // namespace vexlo::ipcsim
