#include "onvif/rtsp_source.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
}

#include <algorithm>

namespace vexlo::onvif {

namespace {

using Clock = std::chrono::steady_clock;

// Longest access unit handed on: a 4K key frame at a high bit rate stays well below.
constexpr int kMaxPacketBytes = 8 << 20;
// find_stream_info reads at most this much of the stream for the picture size.
constexpr const char* kProbeBytes = "1048576";
constexpr const char* kAnalyzeMicroseconds = "2000000";
// A rate above this is a guess from the clock, not the camera's.
constexpr int kMaxFramesPerSecond = 120;

std::int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

std::string averror(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool unreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

std::string percentEncoded(const std::string& text)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (unreserved(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kDigits[c >> 4];
            out += kDigits[c & 15];
        }
    }
    return out;
}

} // namespace

std::optional<std::string> withUserInfo(const std::string& uri, const std::string& user,
                                        const std::string& password)
{
    constexpr std::string_view kScheme = "rtsp://";
    if (uri.compare(0, kScheme.size(), kScheme) != 0)
        return std::nullopt;
    std::string rest = uri.substr(kScheme.size());
    // A camera's own user information gives way to the site's pair.
    const std::size_t authorityEnd = std::min(rest.find_first_of("/?#"), rest.size());
    const std::size_t at = rest.rfind('@', authorityEnd);
    if (at != std::string::npos && at < authorityEnd)
        rest.erase(0, at + 1);
    if (user.empty())
        return std::string(kScheme) + rest;
    return std::string(kScheme) + percentEncoded(user) + ":" + percentEncoded(password) + "@" +
           rest;
}

bool hasNalType(const std::vector<std::uint8_t>& accessUnit, int nalType)
{
    // Each NAL unit follows a start code 00 00 01 (or 00 00 00 01).
    for (std::size_t i = 2; i + 1 < accessUnit.size(); ++i) {
        if (accessUnit[i] == 1 && accessUnit[i - 1] == 0 && accessUnit[i - 2] == 0 &&
            (accessUnit[i + 1] & 0x1F) == nalType)
            return true;
    }
    return false;
}

RtspSource::RtspSource(const std::atomic<bool>& stop, RtspLimits limits)
    : m_stop(stop), m_limits(limits)
{
}

RtspSource::~RtspSource()
{
    // Closing sends TEARDOWN, bounded by the same callback.
    armDeadline(std::chrono::milliseconds(200));
    avformat_close_input(&m_context);
}

int RtspSource::interrupted(void* self)
{
    const auto* source = static_cast<const RtspSource*>(self);
    return source->m_stop.load() || nowNs() > source->m_deadlineNs.load() ? 1 : 0;
}

void RtspSource::armDeadline(std::chrono::milliseconds limit)
{
    m_deadlineNs = nowNs() + std::chrono::duration_cast<std::chrono::nanoseconds>(limit).count();
}

std::optional<std::string> RtspSource::open(const std::string& uri, const std::string& user,
                                            const std::string& password)
{
    const auto signedUri = withUserInfo(uri, user, password);
    if (!signedUri)
        return "the camera's stream address is not rtsp://";
    m_context = avformat_alloc_context();
    if (!m_context)
        return "out of memory";
    m_context->interrupt_callback = {&RtspSource::interrupted, this};
    // The picture's size is all that is asked of the first frames; guessing
    // the frame rate would hold the first picture back by two seconds.
    m_context->fps_probe_size = 0;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "rtsp_transport", "tcp", 0);
    av_dict_set(&options, "allowed_media_types", "video+audio", 0);
    av_dict_set(&options, "probesize", kProbeBytes, 0);
    av_dict_set(&options, "analyzeduration", kAnalyzeMicroseconds, 0);
    armDeadline(m_limits.open);
    int result = avformat_open_input(&m_context, signedUri->c_str(), nullptr, &options);
    av_dict_free(&options);
    if (result < 0)
        return m_stop ? "stopped" : "the stream did not open: " + averror(result);
    result = avformat_find_stream_info(m_context, nullptr);
    if (result < 0)
        return m_stop ? "stopped" : "the stream sent nothing readable: " + averror(result);

    for (unsigned i = 0; i < m_context->nb_streams; ++i) {
        const AVStream* stream = m_context->streams[i];
        const AVCodecParameters* codec = stream->codecpar;
        if (m_videoIndex < 0 && codec->codec_id == AV_CODEC_ID_H264) {
            m_videoIndex = static_cast<int>(i);
            m_info.width = std::max(codec->width, 0);
            m_info.height = std::max(codec->height, 0);
            const AVRational rate =
                stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
            const int perSecond = rate.den > 0 ? rate.num / rate.den : 0;
            m_info.framesPerSecond =
                perSecond > 0 && perSecond <= kMaxFramesPerSecond ? perSecond : 0;
            if (codec->extradata && codec->extradata_size > 0)
                m_parameterSets.assign(codec->extradata, codec->extradata + codec->extradata_size);
        } else if (m_audioIndex < 0 && codec->codec_id == AV_CODEC_ID_PCM_ALAW) {
            m_audioIndex = static_cast<int>(i);
            m_info.audio = true;
            m_info.audioSampleRate = codec->sample_rate;
            m_info.audioChannels = codec->ch_layout.nb_channels;
        }
    }
    if (m_videoIndex < 0)
        return "the stream has no H.264 video";
    // Only the two tracks are read; the others are dropped before they arrive.
    for (unsigned i = 0; i < m_context->nb_streams; ++i) {
        if (static_cast<int>(i) != m_videoIndex && static_cast<int>(i) != m_audioIndex)
            m_context->streams[i]->discard = AVDISCARD_ALL;
    }
    return std::nullopt;
}

bool RtspSource::keyFrameWithParameterSets(RtspPacket& packet) const
{
    if (!hasNalType(packet.data, 5))
        return false;
    // A decoder that joins here needs the parameter sets, which some cameras
    // send only in the SDP.
    if (!hasNalType(packet.data, 7) && !m_parameterSets.empty())
        packet.data.insert(packet.data.begin(), m_parameterSets.begin(), m_parameterSets.end());
    return true;
}

std::optional<RtspPacket> RtspSource::next()
{
    if (!m_context) {
        m_error = "not open";
        return std::nullopt;
    }
    AVPacket* packet = av_packet_alloc();
    if (!packet) {
        m_error = "out of memory";
        return std::nullopt;
    }
    std::optional<RtspPacket> out;
    while (!out) {
        armDeadline(m_limits.stall);
        const int result = av_read_frame(m_context, packet);
        if (result < 0) {
            m_error = m_stop                   ? "stopped"
                      : result == AVERROR_EXIT ? "the camera stopped sending"
                      : result == AVERROR_EOF  ? "the camera ended the stream"
                                               : "the stream broke off: " + averror(result);
            break;
        }
        const bool video = packet->stream_index == m_videoIndex;
        if ((video || packet->stream_index == m_audioIndex) && packet->size > 0 &&
            packet->size <= kMaxPacketBytes) {
            const AVStream* stream = m_context->streams[packet->stream_index];
            const std::int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            const std::int64_t ms =
                pts == AV_NOPTS_VALUE ? 0 : av_rescale_q(pts, stream->time_base, {1, 1000});
            std::optional<std::int64_t>& first = video ? m_firstVideoMs : m_firstAudioMs;
            if (!first)
                first = ms;
            out = RtspPacket{video, false, static_cast<std::uint32_t>(ms - *first),
                             std::vector<std::uint8_t>(packet->data, packet->data + packet->size)};
            if (video)
                out->key = keyFrameWithParameterSets(*out);
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return out;
}

} // namespace vexlo::onvif
