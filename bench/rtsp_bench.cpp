// rtsp_bench: many simulated ONVIF cameras played at once over RTSP, one
// client each (RTP interleaved on the RTSP connection), all clients on one I/O
// thread. After every stream has shown its first picture it measures for a
// fixed window and prints the pictures per second each client received, how
// many kept up with the cameras' 10, the time to the first picture, the CPU
// time per stream and the peak resident memory of the process.
//
//   rtsp_bench [--cameras N<=250] [--seconds S] [--start-limit S]
//
// Everything runs in this process on 127.x addresses, the cameras included,
// whose share of the CPU time is counted too; a picture is counted when its
// last packet arrives (the RTP marker bit), nothing is decoded. Build it
// optimised (CMAKE_BUILD_TYPE=Release) and run it in a network namespace of its
// own, whose loopback carries the cameras' discovery multicast as well:
//   unshare -n -- bash -c 'ip link set lo up; ip link set lo multicast on;
//     ip route add 224.0.0.0/4 dev lo; VEXLO_HOST_ADDRESS=127.0.0.1 rtsp_bench'

#include "bench/bench_options.h"
#include "bench/bench_site.h"
#include "bench/process_usage.h"
#include "bench/rtsp_pull.h"

#include "ipcsim/scenario.h"
#include "ipcsim/site.h"

#include <asio.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

namespace sim = vexlo::ipcsim;
using vexlo::bench::cpuSeconds;
using vexlo::bench::peakResidentKiB;
using vexlo::bench::RtspPull;
using vexlo::bench::secondsSince;
using Clock = std::chrono::steady_clock;

constexpr int kMaxCameras = 250;
// What the simulated cameras send, and what a client must keep up with.
constexpr double kCameraPicturesPerSecond = 10;
constexpr double kKeptUpPicturesPerSecond = 9;

struct BenchOptions
{
    int cameras = 64;
    double measureSeconds = 20;
    // How long the streams may take to show their first pictures: every camera
    // encodes its test card when its first stream is asked for.
    double startLimitSeconds = 180;
};

bool parseOptions(int argc, char** argv, BenchOptions& options)
{
    return vexlo::bench::readNumberOptions(argc, argv, [&](std::string_view name, double number) {
        if (name == "--cameras" && number <= kMaxCameras)
            options.cameras = static_cast<int>(number);
        else if (name == "--seconds")
            options.measureSeconds = number;
        else if (name == "--start-limit")
            options.startLimitSeconds = number;
        else
            return false;
        return true;
    });
}

std::unique_ptr<sim::Site> startSite(int cameras)
{
    sim::CameraSetup base = sim::makeCamera("", "127.0.0.2");
    base.protocol = sim::CameraProtocol::Onvif;
    base.user = "admin";
    base.password = "bench-pass";
    return vexlo::bench::startBenchSite(base, cameras, "RTS{n:4}", 220);
}

double toSeconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

std::vector<std::uint64_t> pictureCounts(const std::vector<std::shared_ptr<RtspPull>>& pulls)
{
    std::vector<std::uint64_t> counts;
    for (const auto& pull : pulls)
        counts.push_back(pull->pictures());
    return counts;
}

} // namespace

int main(int argc, char** argv)
{
    BenchOptions options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: rtsp_bench [--cameras N<=250] [--seconds S] [--start-limit S]\n");
        return 2;
    }

    auto site = startSite(options.cameras);
    std::printf("cameras: %d ONVIF cameras on %s to %s, RTSP over TCP, stream main\n",
                options.cameras, site->setup(0).address.c_str(),
                site->setup(site->cameraCount() - 1).address.c_str());

    asio::io_context io;
    auto work = asio::make_work_guard(io);
    std::thread clientThread([&io] { io.run(); });

    std::vector<std::shared_ptr<RtspPull>> pulls;
    for (std::size_t i = 0; i < site->cameraCount(); ++i) {
        const sim::CameraSetup& setup = site->setup(i);
        pulls.push_back(RtspPull::create(
            io, {setup.address, setup.rtspPort, "main", setup.user, setup.password}));
    }
    const auto playStart = Clock::now();
    for (const auto& pull : pulls)
        pull->start();

    // Every stream shows a first picture, or gives up, or the limit passes.
    const auto startDeadline =
        playStart + std::chrono::duration_cast<Clock::duration>(
                        std::chrono::duration<double>(options.startLimitSeconds));
    int started = 0;
    for (;;) {
        started = 0;
        int settled = 0;
        for (const auto& pull : pulls) {
            const bool pictured = pull->timeToFirstPicture().has_value();
            started += pictured ? 1 : 0;
            settled += pictured || !pull->failure().empty() ? 1 : 0;
        }
        if (settled == static_cast<int>(pulls.size()) || Clock::now() >= startDeadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::printf("clients with a picture: %d of %zu after %.1f s\n", started, pulls.size(),
                secondsSince(playStart));

    const std::vector<std::uint64_t> before = pictureCounts(pulls);
    const double cpuBefore = cpuSeconds();
    const auto measureStart = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(options.measureSeconds));
    const double window = secondsSince(measureStart);
    const double cpu = cpuSeconds() - cpuBefore;
    const std::vector<std::uint64_t> after = pictureCounts(pulls);

    std::vector<double> rates;
    for (std::size_t i = 0; i < pulls.size(); ++i)
        rates.push_back(static_cast<double>(after[i] - before[i]) / window);
    const double streams = static_cast<double>(std::max<std::size_t>(1, pulls.size()));
    const double meanRate = std::accumulate(rates.begin(), rates.end(), 0.0) / streams;
    const double minRate = rates.empty() ? 0.0 : *std::min_element(rates.begin(), rates.end());
    const auto keptUp = std::count_if(rates.begin(), rates.end(),
                                      [](double rate) { return rate >= kKeptUpPicturesPerSecond; });

    std::vector<double> firstPictures;
    std::uint64_t gaps = 0;
    int playing = 0;
    std::map<std::string, int> failures; // why a client gave up -> clients
    for (const auto& pull : pulls) {
        if (const auto first = pull->timeToFirstPicture())
            firstPictures.push_back(toSeconds(*first));
        gaps += pull->sequenceGaps();
        playing += pull->playing() ? 1 : 0;
        if (const std::string why = pull->failure(); !why.empty())
            ++failures[why];
    }
    const double firstMax =
        firstPictures.empty() ? 0.0 : *std::max_element(firstPictures.begin(), firstPictures.end());
    const double firstMean =
        firstPictures.empty() ? 0.0
                              : std::accumulate(firstPictures.begin(), firstPictures.end(), 0.0) /
                                    static_cast<double>(firstPictures.size());

    std::printf("measured for %.1f s (asked for %g s)\n", window, options.measureSeconds);
    std::printf("pictures per client: min %.2f /s, mean %.2f /s (cameras send %g)\n", minRate,
                meanRate, kCameraPicturesPerSecond);
    std::printf("clients at >= %g pictures/s: %ld of %zu\n", kKeptUpPicturesPerSecond,
                static_cast<long>(keptUp), pulls.size());
    std::printf("time to first picture: max %.2f s, mean %.2f s (over %zu clients)\n", firstMax,
                firstMean, firstPictures.size());
    std::printf("CPU: %.3f s per s in total, %.5f s per stream per s (cameras included)\n",
                cpu / window, cpu / window / streams);
    std::printf("peak resident memory: %.1f MiB\n",
                static_cast<double>(peakResidentKiB()) / 1024.0);
    std::printf("still playing at the end: %d of %zu, RTP sequence gaps: %llu\n", playing,
                pulls.size(), static_cast<unsigned long long>(gaps));
    for (const auto& [why, count] : failures)
        std::printf("  %4d  gave up: %s\n", count, why.c_str());

    const bool allKeptUp = keptUp == static_cast<long>(pulls.size()) && failures.empty();
    for (const auto& pull : pulls)
        pull->stop();
    work.reset();
    clientThread.join();
    pulls.clear();
    site.reset();
    return allKeptUp ? 0 : 1;
}
