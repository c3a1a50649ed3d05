#include "ipcsim/rtsp/annex_b.h"

namespace vexlo::ipcsim::rtsp {

namespace {

// The SPS names profile, constraints and level in its three bytes after the
// NAL header; a shorter one is of no use.
constexpr std::size_t kMinSpsBytes = 4;

// The index just after the next 00 00 01 at or after `from`, or size.
std::size_t nextStart(std::span<const std::uint8_t> bytes, std::size_t from)
{
    for (std::size_t i = from; i + 2 < bytes.size(); ++i) {
        if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1) {
            return i + 3;
        }
    }
    return bytes.size();
}

} // namespace

std::vector<std::span<const std::uint8_t>> splitNalUnits(std::span<const std::uint8_t> accessUnit)
{
    std::vector<std::span<const std::uint8_t>> units;
    std::size_t begin = nextStart(accessUnit, 0);
    while (begin < accessUnit.size()) {
        const std::size_t following = nextStart(accessUnit, begin);
        // The unit ends where the next start code begins (3 bytes before
        // `following`), less the zeros of a four-byte start code or padding.
        std::size_t end = following == accessUnit.size() ? following : following - 3;
        while (end > begin && accessUnit[end - 1] == 0) {
            --end;
        }
        if (end > begin) {
            units.push_back(accessUnit.subspan(begin, end - begin));
        }
        begin = following;
    }
    return units;
}

std::optional<ParameterSets> findParameterSets(std::span<const std::uint8_t> accessUnit)
{
    ParameterSets sets;
    for (const auto nal : splitNalUnits(accessUnit)) {
        if (nalType(nal) == kNalSps && sets.sps.empty() && nal.size() >= kMinSpsBytes) {
            sets.sps.assign(nal.begin(), nal.end());
        } else if (nalType(nal) == kNalPps && sets.pps.empty()) {
            sets.pps.assign(nal.begin(), nal.end());
        }
    }
    if (sets.sps.empty() || sets.pps.empty()) {
        return std::nullopt;
    }
    return sets;
}

} // namespace vexlo::ipcsim::rtsp
