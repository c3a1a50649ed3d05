#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct AVFormatContext;

// One camera stream pulled over RTSP (RTP interleaved on the TCP connection)
// with libavformat, turned into what a live play hands on: H.264 access
// units in Annex B, the key frames marked and carrying their parameter sets,
// and G.711 A-law audio. Every wait is bounded and ends soon after `stop` is
// set: libavformat asks the interrupt callback at least every 100 ms.
namespace vexlo::onvif {

struct RtspStreamInfo
{
    int width = 0;
    int height = 0;
    int framesPerSecond = 0;
    bool audio = false; // an A-law track
    int audioSampleRate = 0;
    int audioChannels = 0;
};

struct RtspPacket
{
    bool video = true;
    bool key = false;
    std::uint32_t timestampMs = 0; // from the stream's first packet
    std::vector<std::uint8_t> data;
};

struct RtspLimits
{
    // Connecting, the RTSP exchange and the first packets.
    std::chrono::milliseconds open{8000};
    // The longest silence of a playing stream.
    std::chrono::milliseconds stall{5000};
};

class RtspSource
{
public:
    RtspSource(const std::atomic<bool>& stop, RtspLimits limits);
    ~RtspSource();
    RtspSource(const RtspSource&) = delete;
    RtspSource& operator=(const RtspSource&) = delete;

    // Opens `uri` (rtsp://host:port/path) signed with the pair (Digest or
    // Basic, as the camera asks). Nothing when it plays; otherwise why not.
    std::optional<std::string> open(const std::string& uri, const std::string& user,
                                    const std::string& password);
    const RtspStreamInfo& info() const { return m_info; }

    // The next packet of the H.264 or the A-law track; nothing once the
    // stream ended, failed, stalled or was stopped (then error() says why).
    std::optional<RtspPacket> next();
    const std::string& error() const { return m_error; }

private:
    static int interrupted(void* self);
    void armDeadline(std::chrono::milliseconds limit);
    bool keyFrameWithParameterSets(RtspPacket& packet) const;

    const std::atomic<bool>& m_stop;
    const RtspLimits m_limits;
    AVFormatContext* m_context = nullptr;
    std::atomic<std::int64_t> m_deadlineNs{0};
    int m_videoIndex = -1;
    int m_audioIndex = -1;
    std::vector<std::uint8_t> m_parameterSets; // the SDP's SPS and PPS, Annex B
    std::optional<std::int64_t> m_firstVideoMs;
    std::optional<std::int64_t> m_firstAudioMs;
    RtspStreamInfo m_info;
    std::string m_error;
};

// The URI with the pair as its user information, percent-encoded, so
// libavformat signs with it; nothing for a URI that is not rtsp://.
std::optional<std::string> withUserInfo(const std::string& uri, const std::string& user,
                                        const std::string& password);

// Whether an Annex B access unit holds an IDR slice (NAL type 5), and whether
// it holds a sequence parameter set (type 7).
bool hasNalType(const std::vector<std::uint8_t>& accessUnit, int nalType);

} // namespace vexlo::onvif
