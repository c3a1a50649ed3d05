#pragma once

#include <cstdint>
#include <vector>

// The simulated cameras' sound: a steady tone in G.711 A-law, 8 kHz mono.
namespace vexlo::ipcsim {

inline constexpr int kToneSampleRate = 8000;
inline constexpr int kToneFrequency = 440;
inline constexpr int kToneFrameSamples = 800; // 100 ms

// One 16-bit linear sample to its A-law byte (ITU-T G.711).
std::uint8_t alawFromLinear(std::int16_t sample);

// 100 ms of the tone. 440 Hz makes exactly 44 periods in 100 ms, so the same
// frame repeated gives a seamless tone. Built once; any thread.
const std::vector<std::uint8_t>& toneFrame();

} // namespace vexlo::ipcsim
