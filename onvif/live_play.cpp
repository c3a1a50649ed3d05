#include "onvif/live_play.h"

#include "onvif/address_rule.h"
#include "onvif/camera_listing.h"

#include <cstring>
#include <mutex>

namespace vexlo::onvif {

namespace {

constexpr std::size_t kSerialOffset = 16;
constexpr std::size_t kSerialSize = 32;

void putWord(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t nonNegative(int value)
{
    return value > 0 ? static_cast<std::uint32_t>(value) : 0;
}

// The host of an rtsp:// address; empty when there is none.
std::string rtspHost(std::string_view uri)
{
    constexpr std::string_view kScheme = "rtsp://";
    if (uri.substr(0, kScheme.size()) != kScheme)
        return {};
    std::string_view rest = uri.substr(kScheme.size());
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos)
        rest.remove_prefix(at + 1);
    return std::string(rest.substr(0, rest.find(':')));
}

} // namespace

std::array<std::uint8_t, SDK_HEADER_SIZE> liveHeaderBlock(const RtspStreamInfo& info,
                                                          std::string_view serialNo)
{
    std::array<std::uint8_t, SDK_HEADER_SIZE> block{};
    const std::uint16_t videoPresent = 1;
    const std::uint16_t audioPresent = info.audio ? 1 : 0;
    // The flags are native 16-bit words, as the player reads them.
    std::memcpy(block.data() + SDK_HEADER_VIDEO_FLAG_OFFSET, &videoPresent, sizeof videoPresent);
    std::memcpy(block.data() + SDK_HEADER_AUDIO_FLAG_OFFSET, &audioPresent, sizeof audioPresent);
    std::uint8_t* video = block.data() + SDK_HEADER_VIDEO_BLOCK_OFFSET;
    std::memcpy(video, "H264", 4);
    putWord(video + 4, nonNegative(info.width));
    putWord(video + 8, nonNegative(info.height));
    putWord(video + 12, nonNegative(info.framesPerSecond));
    // At least one NUL stays, and only printable ASCII is written.
    const std::size_t length = std::min(serialNo.size(), kSerialSize - 1);
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(serialNo[i]);
        video[kSerialOffset + i] = c >= 0x20 && c < 0x7F ? c : '?';
    }
    if (info.audio) {
        std::uint8_t* audio = block.data() + SDK_HEADER_AUDIO_BLOCK_OFFSET;
        std::memcpy(audio, "PCMA", 4);
        putWord(audio + 4, nonNegative(info.audioSampleRate));
        putWord(audio + 8, nonNegative(info.audioChannels));
    }
    return block;
}

LivePlay::LivePlay(std::shared_ptr<sdk::PlaySink> sink, LivePlayTarget target, RtspLimits limits,
                   std::chrono::nanoseconds retryPause)
    : m_sink(std::move(sink)), m_target(std::move(target)), m_limits(limits),
      m_retryPause(retryPause)
{
}

LivePlay::~LivePlay()
{
    stop();
    if (m_thread.joinable())
        m_thread.join();
}

void LivePlay::start()
{
    m_thread = std::thread([this] { run(); });
}

void LivePlay::stop()
{
    m_stop = true;
    m_sink->stop();
}

void LivePlay::run()
{
    while (!m_stop.load()) {
        const std::string ended = playOnce();
        if (m_stop.load())
            break;
        tell("live video: " + ended + "; trying again");
        if (!pause(m_retryPause))
            break;
    }
    m_finished = true;
}

void LivePlay::tell(const std::string& what)
{
    // Once per reason, so a camera that stays away does not fill the log.
    if (what == m_lastTold || !m_target.notice)
        return;
    m_lastTold = what;
    m_target.notice(what);
}

bool LivePlay::pause(std::chrono::nanoseconds length)
{
    // Short steps, so a stop is seen soon.
    const auto end = std::chrono::steady_clock::now() + length;
    while (!m_stop.load() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(
            std::chrono::milliseconds(20), end - std::chrono::steady_clock::now()));
    return !m_stop.load();
}

std::string LivePlay::streamUri(bool& found)
{
    found = false;
    const auto profiles = m_target.client->getProfiles();
    if (!profiles.ok())
        return "the camera did not give its profiles (" + profiles.text() + ")";
    if (profiles.value()->empty())
        return "the camera has no media profile";
    std::vector<const MediaProfile*> withVideo;
    for (const MediaProfile& profile : *profiles.value()) {
        if (profile.videoEncoder)
            withVideo.push_back(&profile);
    }
    if (withVideo.empty())
        withVideo.push_back(&profiles.value()->front());
    const MediaProfile& chosen =
        *(m_target.subStream && withVideo.size() > 1 ? withVideo[1] : withVideo.front());
    const auto uri = m_target.client->getStreamUri(chosen.token);
    if (!uri.ok())
        return "the camera did not give the stream's address (" + uri.text() + ")";
    if (!mayReach(rtspHost(uri.value()->uri), m_target.lanAllowed))
        return "the stream's address " + rtspHost(uri.value()->uri) + " is off this computer";
    found = true;
    return uri.value()->uri;
}

std::string LivePlay::playOnce()
{
    bool found = false;
    const std::string uri = streamUri(found);
    if (!found || m_stop.load())
        return uri;
    RtspSource source(m_stop, m_limits);
    if (const auto failed = source.open(uri, m_target.login.user, m_target.login.password))
        return *failed;
    if (!m_lastTold.empty())
        tell("live video: playing again");
    m_sink->deliverHeader(liveHeaderBlock(source.info(), m_target.serialNo));
    while (const auto packet = source.next()) {
        if (packet->video)
            m_sink->deliverVideo(packet->key ? 1 : 0, packet->timestampMs, packet->data);
        else
            m_sink->deliverAudio(packet->timestampMs, packet->data);
    }
    return source.error();
}

} // namespace vexlo::onvif
