#include "input_checks.h"

#include "protocol/frame_reader.h"
#include "protocol/message.h"
#include "protocol/search_datagrams.h"
#include "protocol/wire.h"

#include <algorithm>
#include <vector>

namespace vexlo::protocol::checks {

namespace {

using Bytes = std::vector<std::uint8_t>;

// Datagrams: encode(decode(x)) == x, apart from the reserved header bytes.
template <typename T>
std::string checkOneDatagram(std::span<const std::uint8_t> bytes, const char* name)
{
    const auto decoded = T::decode(bytes);
    if (!decoded)
        return {};
    Bytes expected(bytes.begin(), bytes.end());
    expected[6] = 0;
    expected[7] = 0;
    if (decoded->encode() != expected)
        return std::string(name) + " does not encode back to its input";
    return {};
}

std::string checkBody(std::uint8_t type, std::span<const std::uint8_t> body, std::uint32_t sequence)
{
    const auto message = decodeMessage(type, body);
    if (!message)
        return {};
    if (!isKnownMessageType(type) || static_cast<std::uint8_t>(typeOf(*message)) != type)
        return "decoded as the wrong type";
    if (body.size() > maxBodySize(type))
        return "accepted a body above the type's limit";
    const Bytes frame = encodeMessage(*message, sequence);
    if (frame.size() != kFrameHeaderSize + body.size() ||
        !std::equal(body.begin(), body.end(), frame.begin() + kFrameHeaderSize))
        return std::string(messageTypeName(type)) + " does not encode back to its body";
    FrameHeader header;
    if (decodeFrameHeader(frame, header) != FrameError::None || header.type != type ||
        header.sequence != sequence || header.bodyLength != body.size())
        return "re-encoded header is wrong";
    return {};
}

} // namespace

std::string checkDatagramInput(std::span<const std::uint8_t> bytes)
{
    const auto datagram = decodeDatagram(bytes);
    if (datagram) {
        Bytes expected(bytes.begin(), bytes.end());
        expected[6] = 0;
        expected[7] = 0;
        const Bytes encoded = std::visit([](const auto& d) { return d.encode(); }, *datagram);
        if (encoded != expected)
            return "datagram does not encode back to its input";
        if (encoded.size() > kMaxDatagramSize)
            return "accepted an oversize datagram";
    }
    for (std::string problem : {checkOneDatagram<SearchProbe>(bytes, "SearchProbe"),
                                checkOneDatagram<SearchReply>(bytes, "SearchReply"),
                                checkOneDatagram<ModifyIp>(bytes, "ModifyIp"),
                                checkOneDatagram<ModifyIpReply>(bytes, "ModifyIpReply")}) {
        if (!problem.empty())
            return problem;
    }
    return {};
}

std::string checkSessionInput(std::span<const std::uint8_t> bytes, std::uint32_t splitSeed)
{
    FrameReader reader;
    std::uint32_t state = splitSeed | 1;
    std::span<const std::uint8_t> left = bytes;
    while (!left.empty()) {
        state = state * 1103515245u + 12345u; // cheap and deterministic piece sizes
        const std::size_t piece = std::min<std::size_t>(left.size(), 1 + (state >> 16) % 64);
        reader.feed(left.first(piece));
        left = left.subspan(piece);
    }

    std::size_t framedBytes = 0;
    while (auto frame = reader.next()) {
        if (frame->body.size() != frame->header.bodyLength)
            return "frame body length differs from its header";
        if (frame->body.size() > maxBodySize(frame->header.type))
            return "frame reader passed an oversize body";
        framedBytes += kFrameHeaderSize + frame->body.size();
        std::string problem = checkBody(frame->header.type, frame->body, frame->header.sequence);
        if (!problem.empty())
            return problem;
    }
    if (framedBytes + reader.pendingBytes() > bytes.size())
        return "frame reader holds more bytes than it was given";
    if (!reader.failed() && framedBytes + reader.pendingBytes() != bytes.size())
        return "frame reader lost bytes";

    if (!bytes.empty())
        return checkBody(bytes[0], bytes.subspan(1), splitSeed);
    return {};
}

} // namespace vexlo::protocol::checks
