// upgrade_bench: a whole upgrade run of many simulated cameras at once, through
// the device library and the seven workers, at a high time scale. It prints how
// long the run took beside the floor that the fixed waits impose, the CPU time
// and the peak resident memory of the process.
//
//   upgrade_bench [--scale N] [--cameras N] [--size-mib N] [--check-seconds S]
//                 [--reboot-seconds S] [--onvif 1]
//
// With --onvif 1 the cameras speak ONVIF only and the ONVIF device library
// drives them (StartFirmwareUpgrade and an HTTP POST of the image each).
//
// Everything runs in this process on 127.x addresses. Build it optimised
// (CMAKE_BUILD_TYPE=Release): unoptimised, the uploads alone take minutes.

#include "bench/bench_options.h"
#include "bench/bench_site.h"
#include "bench/upgrade_floor.h"

#include "engine/batch_state.h"
#include "engine/batch_workers.h"
#include "engine/device_record.h"
#include "engine/messages.h"
#include "engine/sdk_callbacks.h"
#include "ipcsim/firmware.h"
#include "ipcsim/scenario.h"
#include "ipcsim/site.h"
#include "netsdk/net_sdk.h"
#include "onvif/onvif_library.h"
#include "platform/codepage.h"
#include "platform/headless_ui_port.h"
#include "platform/tick.h"
#include "sdk/backend.h"
#include "sdk/netsdk.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

namespace sim = vexlo::ipcsim;

struct BenchOptions
{
    // The scale shortens the 15 s stall limit of the progress watch but not the
    // transfer: 250 uploads share the machine, and each must gain 1 % (168 KiB)
    // within 15 s / scale of real time. 6 keeps that true on two shared cores
    // with an optimised build; from 10 upwards some devices are failed as
    // stalled while their upload still moves.
    double scale = 6;
    int cameras = 250;
    int sizeMiB = 16;
    double checkSeconds = 15;
    // Under the 15 s after which the re-login makes its first attempt: a camera
    // still down then refuses the connection, and that login is not retried.
    double rebootSeconds = 10;
    bool onvif = false;
};

// The whole run must end within this much real time.
constexpr std::chrono::seconds kRealLimit{115};

bool parseOptions(int argc, char** argv, BenchOptions& options)
{
    return vexlo::bench::readNumberOptions(argc, argv, [&](std::string_view name, double number) {
        if (name == "--scale")
            options.scale = number;
        else if (name == "--cameras" && number <= 250)
            options.cameras = static_cast<int>(number);
        else if (name == "--size-mib" && number <= 1024)
            options.sizeMiB = static_cast<int>(number);
        else if (name == "--check-seconds")
            options.checkSeconds = number;
        else if (name == "--reboot-seconds")
            options.rebootSeconds = number;
        else if (name == "--onvif" && number == 1)
            options.onvif = true;
        else
            return false;
        return true;
    });
}

// The main window as far as the run needs one: it only notes the end.
class DoneWatcher : public vexlo::UiHandler
{
public:
    LPARAM onMessage(const vexlo::UiMessage& message) override
    {
        if (message.message == vexlo::WM_UPGRADE_DONE)
            done = true;
        return 0;
    }
    void onTimer(std::uint32_t) override {}

    bool done = false;
};

std::unique_ptr<sim::Site> startSite(const BenchOptions& options)
{
    sim::CameraSetup base = sim::makeCamera("", "127.0.0.2");
    base.firmwareVersion = "V5.2.0";
    base.firmwareCheckSeconds = options.checkSeconds;
    base.rebootSeconds = options.rebootSeconds;
    if (options.onvif)
        base.protocol = sim::CameraProtocol::Onvif;
    return vexlo::bench::startBenchSite(base, options.cameras, "BEN{n:4}", 240);
}

double seconds(const timeval& time)
{
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

void printFloor(const UpgradeFloor& floor, double scale)
{
    std::printf("floor, scaled time (pass alignment counted as 0):\n");
    for (const UpgradeFloorTerm& term : floor.chain)
        std::printf("  %-60s %7.1f s\n", term.what.c_str(), term.ms / 1000.0);
    std::printf("  %-60s %7.1f s\n", "one device through every stage", floor.chainMs / 1000.0);
    std::printf("  %-60s %7.1f s\n", "first verdict + controller sleeps (0.5 s + 1 s per device)",
                floor.controllerMs / 1000.0);
    std::printf("floor: %.1f s scaled = %.2f s real\n", floor.floorMs / 1000.0,
                floor.floorMs / 1000.0 / scale);
}

} // namespace

int main(int argc, char** argv)
{
    BenchOptions options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: upgrade_bench [--scale N] [--cameras N<=250] [--size-mib N] "
                             "[--check-seconds S] [--reboot-seconds S] [--onvif 1]\n");
        return 2;
    }
    vexlo::setTimeScaleForTesting(options.scale);

    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("upgrade-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path firmware = dir / "V6.0.0.bin";
    sim::makeFirmwareFile(firmware, "V6.0.0", static_cast<std::uint64_t>(options.sizeMiB) << 20);

    auto site = startSite(options);
    std::unique_ptr<vexlo::sdk::DeviceLibrary> library;
    if (options.onvif) {
        library = std::make_unique<vexlo::onvif::OnvifLibrary>();
    } else {
        vexlo::netsdk::NetSdkOptions sdkOptions;
        sdkOptions.searchPort = site->searchPort();
        library = std::make_unique<vexlo::netsdk::NetSdk>(sdkOptions);
    }
    vexlo::sdk::installDeviceLibrary(library.get());
    IP_NET_DVR_Init();

    vexlo::BatchState state;
    DoneWatcher window;
    vexlo::HeadlessUiPort port(&window);
    state.ui = &port;
    vexlo::registerSdkCallbacks(state);
    const std::u16string firmwarePath = vexlo::utf8ToUtf16(firmware.string());
    vexlo::BatchWorkers workers(state, [&firmwarePath] { return firmwarePath; });
    workers.start();
    auto records = vexlo::bench::listCameras(*site);

    const auto realStart = std::chrono::steady_clock::now();
    const std::uint32_t tickStart = vexlo::GetTickCount();
    for (auto& record : records) {
        record->loginPurpose = 2;
        vexlo::CriticalSectionLock lock(state.upgradeList.lock);
        state.upgradeList.items.push_back(record.get());
        workers.postToUpgradeControl(vexlo::TM_UPGRADE_START,
                                     reinterpret_cast<WPARAM>(record.get()));
    }
    const bool finished = port.runUntil([&] { return window.done; }, kRealLimit);
    const std::uint32_t scaledMs = vexlo::ticksSince(tickStart);
    const double realSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - realStart).count();

    int succeeded = 0;
    std::map<std::string, int> outcomes; // result and status text when the run ended -> devices
    for (const auto& record : records) {
        succeeded += record->upgradeResult.load() == 1;
        ++outcomes["result " + std::to_string(record->upgradeResult.load()) + ", reboot state " +
                   std::to_string(record->rebootState.load()) + ": " +
                   vexlo::utf16ToUtf8(statusTextOf(*record))];
    }

    workers.stop();
    vexlo::sdk::installDeviceLibrary(nullptr);
    library.reset();
    site.reset();
    state.ui = nullptr;
    port.shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);

    std::printf("upgrade of %d %scameras, %d MiB firmware, check %.0f s, reboot %.0f s, scale %g\n",
                options.cameras, options.onvif ? "ONVIF " : "", options.sizeMiB,
                options.checkSeconds, options.rebootSeconds, options.scale);
    std::printf("run: %.1f s scaled (tick counter), %.2f s real%s\n", scaledMs / 1000.0,
                realSeconds, finished ? "" : " -- NOT FINISHED within the real-time limit");
    printFloor(
        upgradeFloor({options.cameras, static_cast<std::uint32_t>(options.checkSeconds * 1000)}),
        options.scale);
    std::printf("cpu: %.2f s user + %.2f s system = %.2f s\n", seconds(usage.ru_utime),
                seconds(usage.ru_stime), seconds(usage.ru_utime) + seconds(usage.ru_stime));
    std::printf("peak resident memory: %.1f MiB\n", usage.ru_maxrss / 1024.0);
    std::printf("succeeded: %d of %d\n", succeeded, options.cameras);
    for (const auto& [text, count] : outcomes)
        std::printf("  %4d  %s\n", count, text.c_str());
    return finished && succeeded == options.cameras ? 0 : 1;
}
