#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// NAL units inside an H.264 access unit in Annex B form (start codes
// 00 00 01 or 00 00 00 01 before each unit).
namespace vexlo::ipcsim::rtsp {

inline constexpr std::uint8_t kNalSps = 7;
inline constexpr std::uint8_t kNalPps = 8;
inline constexpr std::uint8_t kNalAccessUnitDelimiter = 9;

inline std::uint8_t nalType(std::span<const std::uint8_t> nal)
{
    return nal.empty() ? 0 : static_cast<std::uint8_t>(nal[0] & 0x1f);
}

// The NAL units in order, without their start codes and without the zero
// bytes that may trail a unit before the next start code. Bytes before the
// first start code are not a NAL unit and are left out; empty units too.
std::vector<std::span<const std::uint8_t>> splitNalUnits(std::span<const std::uint8_t> accessUnit);

struct ParameterSets
{
    std::vector<std::uint8_t> sps;
    std::vector<std::uint8_t> pps;
};

// The first SPS and PPS of an access unit (a key frame carries them), or
// nullopt when either is missing or the SPS is too short to name its profile.
std::optional<ParameterSets> findParameterSets(std::span<const std::uint8_t> accessUnit);

} // namespace vexlo::ipcsim::rtsp
