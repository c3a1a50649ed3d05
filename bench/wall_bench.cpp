// wall_bench: a video wall of many simulated cameras' live streams through the
// device library, the wall's own logic (CMULPLay) and the FFmpeg player, into
// panes that only count the pictures they are given. After every stream has
// shown its first picture it measures for a fixed window and prints the
// pictures shown and frames received per second, what the player dropped, the
// CPU time per stream and the peak resident memory of the process.
//
//   wall_bench [--cameras N<=250] [--seconds S] [--start-limit S] [--onvif 1]
//
// With --onvif 1 the cameras speak ONVIF only: the ONVIF device library asks
// each for its sub stream's address and pulls it over RTSP. Each pane tells
// the player its size on a 1920 x 1080 wall, as the wall's widgets do.
//
// Everything runs in this process on 127.x addresses, the cameras included:
// their share of the CPU time is small (they send frames encoded once at the
// first play) but it is counted. Build it optimised (CMAKE_BUILD_TYPE=Release)
// and run it in a network namespace of its own, whose loopback is all it has:
//   unshare -n sh -c 'ip link set lo up && VEXLO_HOST_ADDRESS=127.0.0.1 wall_bench'

#include "bench/bench_options.h"
#include "bench/bench_site.h"
#include "bench/process_usage.h"

#include "engine/device_record.h"
#include "ipcsim/scenario.h"
#include "ipcsim/site.h"
#include "netsdk/net_sdk.h"
#include "onvif/onvif_library.h"
#include "platform/codepage.h"
#include "player/ffmpeg_player.h"
#include "sdk/backend.h"
#include "sdk/netsdk.h"
#include "video/mul_play.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using vexlo::bench::cpuSeconds;
using vexlo::bench::peakResidentKiB;
using vexlo::bench::secondsSince;

namespace sim = vexlo::ipcsim;
using Clock = std::chrono::steady_clock;

struct BenchOptions
{
    int cameras = 250;
    double measureSeconds = 20;
    // How long the streams may take to show their first pictures: every camera
    // encodes its test card at its first play.
    double startLimitSeconds = 180;
    bool onvif = false;
};

bool parseOptions(int argc, char** argv, BenchOptions& options)
{
    return vexlo::bench::readNumberOptions(argc, argv, [&](std::string_view name, double number) {
        if (name == "--cameras" && number <= vexlo::CMULPLay::kMaxDevices)
            options.cameras = static_cast<int>(number);
        else if (name == "--seconds")
            options.measureSeconds = number;
        else if (name == "--start-limit")
            options.startLimitSeconds = number;
        else if (name == "--onvif" && number == 1)
            options.onvif = true;
        else
            return false;
        return true;
    });
}

// A pane that counts the pictures the player hands it.
class CountingPane : public vexlo::sdk::RenderTarget
{
public:
    void presentPicture(std::shared_ptr<const vexlo::sdk::RgbPicture>) override { ++m_pictures; }
    vexlo::sdk::PictureBounds pictureBounds() const override { return m_bounds; }
    std::uint64_t pictures() const { return m_pictures.load(); }
    void setBounds(vexlo::sdk::PictureBounds bounds) { m_bounds = bounds; } // before the plays

private:
    std::atomic<std::uint64_t> m_pictures{0};
    vexlo::sdk::PictureBounds m_bounds;
};

// The FFmpeg player with a count of the video frames fed to it, which is what
// the wall's data callback received.
class CountingPlayer : public vexlo::sdk::Player
{
public:
    int Init() override { return m_player.Init(); }
    int OpenStream(int port, const unsigned char* header, int headerLength, int kind,
                   int bufferFrames) override
    {
        return m_player.OpenStream(port, header, headerLength, kind, bufferFrames);
    }
    int Play(int port, vexlo::sdk::RenderTarget* window) override
    {
        return m_player.Play(port, window);
    }
    int InputVideoData(int port, const unsigned char* data, int length, int frameValue,
                       int timestamp) override
    {
        ++m_videoFrames;
        return m_player.InputVideoData(port, data, length, frameValue, timestamp);
    }
    int InputAudioData(int port, const unsigned char* data, int length, int timestamp) override
    {
        return m_player.InputAudioData(port, data, length, timestamp);
    }
    int Stop(int port) override { return m_player.Stop(port); }

    std::uint64_t videoFrames() const { return m_videoFrames.load(); }
    vexlo::player::FfmpegPlayer& player() { return m_player; }

private:
    vexlo::player::FfmpegPlayer m_player;
    std::atomic<std::uint64_t> m_videoFrames{0};
};

// The login answers, so the bench can wait for every event 4.
class LoginWatch
{
public:
    static int onStatus(int handle, int event, int, void* user)
    {
        auto* self = static_cast<LoginWatch*>(user);
        std::lock_guard lock(self->m_mutex);
        self->m_events[handle] = event;
        self->m_changed.notify_all();
        return 0;
    }

    // How many of `handles` reported event 4 before the deadline.
    int waitForLogins(const std::vector<int>& handles, Clock::time_point deadline)
    {
        std::unique_lock lock(m_mutex);
        const auto confirmed = [&] {
            return static_cast<int>(std::count_if(handles.begin(), handles.end(), [&](int h) {
                const auto found = m_events.find(h);
                return found != m_events.end() && found->second == SDK_EVENT_LOGIN_OK;
            }));
        };
        m_changed.wait_until(lock, deadline,
                             [&] { return confirmed() == static_cast<int>(handles.size()); });
        return confirmed();
    }

    bool loggedIn(int handle)
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_events.find(handle);
        return found != m_events.end() && found->second == SDK_EVENT_LOGIN_OK;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<int, int> m_events;
};

std::unique_ptr<sim::Site> startSite(int cameras, bool onvif)
{
    sim::CameraSetup base = sim::makeCamera("", "127.0.0.2");
    if (onvif)
        base.protocol = sim::CameraProtocol::Onvif;
    return vexlo::bench::startBenchSite(base, cameras, "WAL{n:4}", 230);
}

// What the player's ports have done so far, summed over the wall's streams.
struct PlayerTotals
{
    std::uint64_t dropped = 0;  // a full queue made room
    std::uint64_t skipped = 0;  // waited for a key frame
    std::uint64_t shed = 0;     // left out while behind, for a small pane
    std::uint64_t rejected = 0; // did not decode
    std::uint64_t decoded = 0;
};

PlayerTotals playerTotals(vexlo::CMULPLay& wall, vexlo::player::FfmpegPlayer& player)
{
    PlayerTotals totals;
    for (int k = 0; k < wall.deviceCount(); ++k) {
        const auto stats = player.portStats(wall.slot(k).playerPort.load());
        if (!stats)
            continue;
        totals.dropped += stats->videoFramesDropped;
        totals.skipped += stats->videoFramesSkipped;
        totals.shed += stats->videoFramesShed;
        totals.rejected += stats->videoFramesRejected;
        totals.decoded += stats->picturesDecoded;
    }
    return totals;
}

struct PictureCounts
{
    std::uint64_t total = 0;
    std::vector<std::uint64_t> perPane;
};

PictureCounts pictureCounts(const std::vector<CountingPane>& panes, int streams)
{
    PictureCounts counts;
    for (int k = 0; k < streams; ++k) {
        counts.perPane.push_back(panes[static_cast<std::size_t>(k)].pictures());
        counts.total += counts.perPane.back();
    }
    return counts;
}

} // namespace

int main(int argc, char** argv)
{
    BenchOptions options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: wall_bench [--cameras N<=250] [--seconds S] [--start-limit S] "
                             "[--onvif 1]\n");
        return 2;
    }

    auto site = startSite(options.cameras, options.onvif);
    std::unique_ptr<vexlo::sdk::DeviceLibrary> library;
    if (options.onvif) {
        library = std::make_unique<vexlo::onvif::OnvifLibrary>();
    } else {
        vexlo::netsdk::NetSdkOptions sdkOptions;
        sdkOptions.searchPort = site->searchPort();
        library = std::make_unique<vexlo::netsdk::NetSdk>(sdkOptions);
    }
    LoginWatch logins;
    vexlo::sdk::installDeviceLibrary(library.get());
    IP_NET_DVR_Init();
    IP_NET_DVR_SetStatusEventCallBack(&LoginWatch::onStatus, &logins);
    auto player = std::make_unique<CountingPlayer>();
    vexlo::sdk::installPlayer(player.get());
    IP_ORV_Init();

    auto records = vexlo::bench::listCameras(*site);
    std::vector<int> handles;
    for (auto& record : records) {
        record->loginHandle = IP_NET_DVR_Login(record->ipAddress, record->port, record->userName,
                                               record->password, 0);
        handles.push_back(record->loginHandle.load());
    }
    const int loggedIn = logins.waitForLogins(handles, Clock::now() + std::chrono::seconds(60));
    // The wall plays only the devices whose login was confirmed.
    for (auto& record : records)
        record->loginState = logins.loggedIn(record->loginHandle.load()) ? 1 : 0;
    std::printf("cameras: %d, logged in: %d\n", options.cameras, loggedIn);

    std::vector<vexlo::_DEVICERECORD*> devices;
    for (auto& record : records)
        devices.push_back(record.get());
    std::vector<CountingPane> panes(static_cast<std::size_t>(vexlo::CMULPLay::kMaxDevices + 6));
    auto wall = std::make_unique<vexlo::CMULPLay>(devices);
    wall->createPanes({0, 0, 1920, 1080});
    const vexlo::sdk::PictureBounds paneSize{1920 / wall->gridSide(), 1080 / wall->gridSide()};
    for (int k = 0; k < wall->paneCount(); ++k) {
        panes[static_cast<std::size_t>(k)].setBounds(paneSize);
        wall->pane(k).setRenderTarget(&panes[static_cast<std::size_t>(k)]);
    }
    std::printf("wall: %d x %d panes\n", wall->gridSide(), wall->gridSide());

    const auto playStart = Clock::now();
    wall->startPlays();
    int playing = 0;
    for (int k = 0; k < wall->deviceCount(); ++k)
        playing += wall->slot(k).realPlayHandle.load() > 0 ? 1 : 0;
    std::printf("plays started: %d\n", playing);

    // Every stream shows a first picture, or the limit passes.
    const auto startDeadline =
        playStart + std::chrono::duration_cast<Clock::duration>(
                        std::chrono::duration<double>(options.startLimitSeconds));
    int started = 0;
    for (;;) {
        const PictureCounts counts = pictureCounts(panes, wall->deviceCount());
        started = static_cast<int>(std::count_if(counts.perPane.begin(), counts.perPane.end(),
                                                 [](std::uint64_t n) { return n > 0; }));
        if (started == wall->deviceCount() || Clock::now() >= startDeadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::printf("streams with a picture: %d of %d after %.1f s\n", started, wall->deviceCount(),
                secondsSince(playStart));

    const PictureCounts picturesBefore = pictureCounts(panes, wall->deviceCount());
    const std::uint64_t framesBefore = player->videoFrames();
    const PlayerTotals playerBefore = playerTotals(*wall, player->player());
    const double cpuBefore = cpuSeconds();
    const auto measureStart = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(options.measureSeconds));
    const double window = secondsSince(measureStart);
    const double cpu = cpuSeconds() - cpuBefore;
    const PictureCounts picturesAfter = pictureCounts(panes, wall->deviceCount());
    const std::uint64_t framesAfter = player->videoFrames();
    const PlayerTotals playerAfter = playerTotals(*wall, player->player());

    const int streams = std::max(1, wall->deviceCount());
    std::vector<double> perStream;
    for (int k = 0; k < wall->deviceCount(); ++k) {
        const auto index = static_cast<std::size_t>(k);
        perStream.push_back(
            static_cast<double>(picturesAfter.perPane[index] - picturesBefore.perPane[index]) /
            window);
    }
    std::sort(perStream.begin(), perStream.end());
    const double pictures = static_cast<double>(picturesAfter.total - picturesBefore.total);
    const double frames = static_cast<double>(framesAfter - framesBefore);

    std::printf("measured for %.1f s\n", window);
    std::printf("pictures shown: %.1f /s in total, %.2f /s per stream (min %.2f, median %.2f, "
                "max %.2f)\n",
                pictures / window, pictures / window / streams,
                perStream.empty() ? 0.0 : perStream.front(),
                perStream.empty() ? 0.0 : perStream[perStream.size() / 2],
                perStream.empty() ? 0.0 : perStream.back());
    std::printf("video frames received: %.1f /s in total, %.2f /s per stream (cameras send 10)\n",
                frames / window, frames / window / streams);
    std::printf("player: dropped %llu (full queue), skipped %llu (waiting for a key frame), "
                "shed %llu (behind, small pane), rejected %llu, decoded %llu\n",
                static_cast<unsigned long long>(playerAfter.dropped - playerBefore.dropped),
                static_cast<unsigned long long>(playerAfter.skipped - playerBefore.skipped),
                static_cast<unsigned long long>(playerAfter.shed - playerBefore.shed),
                static_cast<unsigned long long>(playerAfter.rejected - playerBefore.rejected),
                static_cast<unsigned long long>(playerAfter.decoded - playerBefore.decoded));
    std::printf("CPU: %.2f s per s in total, %.4f s per stream per s\n", cpu / window,
                cpu / window / streams);

    const auto closeStart = Clock::now();
    wall->close();
    std::printf("close: %.2f s, ports still open: %zu\n", secondsSince(closeStart),
                player->player().openPortCount());
    std::printf("peak resident memory: %.1f MiB\n",
                static_cast<double>(peakResidentKiB()) / 1024.0);

    wall.reset();
    library.reset(); // before the player: its sessions deliver into it
    vexlo::sdk::installDeviceLibrary(nullptr);
    vexlo::sdk::installPlayer(nullptr);
    player.reset();
    site.reset();
    return 0;
}
