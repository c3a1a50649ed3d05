#include "video/live_data.h"

#include "sdk/player.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace vexlo {
namespace {

// Bits are read with memcpy: the header is a byte buffer with no alignment promise.
bool headerFlag(const unsigned char* header, int offset)
{
    std::uint16_t flag = 0;
    std::memcpy(&flag, header + offset, sizeof flag);
    return flag != 0;
}

int openFromHeader(const LivePlayRoute& route, const unsigned char* header, int length)
{
    if (length < SDK_HEADER_SIZE)
        return -1;
    int port = route.port->load();
    if (port <= 0 && route.choosePort) {
        port = route.choosePort(route.owner);
        route.port->store(port);
    }
    if (port <= 0)
        return -1;
    if (headerFlag(header, SDK_HEADER_VIDEO_FLAG_OFFSET))
        IP_ORV_OpenStream(port, header + SDK_HEADER_VIDEO_BLOCK_OFFSET, SDK_HEADER_VIDEO_BLOCK_SIZE,
                          ORV_STREAM_VIDEO, 40);
    if (route.opensAudio && headerFlag(header, SDK_HEADER_AUDIO_FLAG_OFFSET))
        IP_ORV_OpenStream(port, header + SDK_HEADER_AUDIO_BLOCK_OFFSET, SDK_HEADER_AUDIO_BLOCK_SIZE,
                          ORV_STREAM_AUDIO, 40);
    if (route.target)
        IP_ORV_Play(port, route.target);
    return 0;
}

} // namespace

int frameTimestamp(const IP_FRAME_INFO* frameInfo)
{
    if (!frameInfo)
        return 0;
    const double value = std::trunc(frameInfo->timestamp);
    if (std::isnan(value))
        return 0;
    if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<int>(value);
}

int feedPlayer(const LivePlayRoute& route, int dataKind, const unsigned char* data, int length,
               const IP_FRAME_INFO* frameInfo)
{
    if (!route.port || !data || length < 0)
        return -1;
    if (dataKind == SDK_DATA_HEADER)
        return openFromHeader(route, data, length);
    if (dataKind != SDK_DATA_VIDEO && dataKind != SDK_DATA_AUDIO)
        return -1;
    const int port = route.port->load();
    if (port <= 0)
        return 0;
    if (dataKind == SDK_DATA_VIDEO) {
        const int frameValue = frameInfo ? frameInfo->frameValue : 0;
        IP_ORV_InputVideoData(port, data, length, frameValue, frameTimestamp(frameInfo));
    } else {
        IP_ORV_InputAudioData(port, data, length, frameTimestamp(frameInfo));
    }
    return 0;
}

} // namespace vexlo
