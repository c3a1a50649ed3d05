#include "ipcsim/rtsp/h264_packetizer.h"

#include "ipcsim/rtsp/annex_b.h"

#include <algorithm>
#include <stdexcept>

namespace vexlo::ipcsim::rtsp {

namespace {

constexpr std::size_t kFuHeaderBytes = 2;
constexpr std::uint8_t kFuStart = 0x80;
constexpr std::uint8_t kFuEnd = 0x40;

void appendFragments(std::span<const std::uint8_t> nal, std::size_t maxPayload,
                     std::vector<RtpPayload>& out)
{
    // The NAL header does not travel itself: its F and NRI bits go into the
    // FU indicator, its type into the FU header.
    const auto indicator = static_cast<std::uint8_t>((nal[0] & 0xe0) | kNalFuA);
    const auto type = static_cast<std::uint8_t>(nal[0] & 0x1f);
    const std::size_t chunk = maxPayload - kFuHeaderBytes;
    auto rest = nal.subspan(1);
    bool first = true;
    while (!rest.empty()) {
        const std::size_t size = std::min(chunk, rest.size());
        const bool last = size == rest.size();
        RtpPayload payload;
        payload.bytes.reserve(kFuHeaderBytes + size);
        payload.bytes.push_back(indicator);
        payload.bytes.push_back(
            static_cast<std::uint8_t>(type | (first ? kFuStart : 0) | (last ? kFuEnd : 0)));
        payload.bytes.insert(payload.bytes.end(), rest.begin(), rest.begin() + size);
        out.push_back(std::move(payload));
        rest = rest.subspan(size);
        first = false;
    }
}

} // namespace

std::vector<RtpPayload> packetizeH264(std::span<const std::uint8_t> accessUnit,
                                      std::size_t maxPayload)
{
    if (maxPayload < kFuHeaderBytes + 1) {
        throw std::invalid_argument("RTP payload size too small for H.264 fragments");
    }
    std::vector<RtpPayload> payloads;
    for (const auto nal : splitNalUnits(accessUnit)) {
        if (nalType(nal) == kNalAccessUnitDelimiter) {
            continue;
        }
        if (nal.size() <= maxPayload) {
            payloads.push_back(RtpPayload{{nal.begin(), nal.end()}, false});
        } else {
            appendFragments(nal, maxPayload, payloads);
        }
    }
    if (!payloads.empty()) {
        payloads.back().marker = true;
    }
    return payloads;
}

} // namespace vexlo::ipcsim::rtsp
