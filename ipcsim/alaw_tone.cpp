#include "ipcsim/alaw_tone.h"

#include <cmath>
#include <numbers>

namespace vexlo::ipcsim {
namespace {

constexpr double kToneAmplitude = 8000.0; // about -12 dB below full scale

std::vector<std::uint8_t> makeToneFrame()
{
    std::vector<std::uint8_t> frame(kToneFrameSamples);
    for (int i = 0; i < kToneFrameSamples; ++i) {
        const double phase = 2.0 * std::numbers::pi * kToneFrequency * i / kToneSampleRate;
        frame[static_cast<std::size_t>(i)] = alawFromLinear(
            static_cast<std::int16_t>(std::lround(kToneAmplitude * std::sin(phase))));
    }
    return frame;
}

} // namespace

std::uint8_t alawFromLinear(std::int16_t sample)
{
    // A-law works on 13-bit magnitudes: a sign, a 3-bit segment (the position
    // of the leading one) and 4 bits of mantissa; the result has its even bits
    // inverted, as the standard's line code asks.
    int value = sample >> 3;
    std::uint8_t sign = 0x80;
    if (value < 0) {
        sign = 0x00;
        value = -value - 1;
    }
    int segment = 0;
    for (int limit = 0x1F; segment < 8 && value > limit; limit = (limit << 1) | 1) {
        ++segment;
    }
    std::uint8_t code = 0;
    if (segment >= 8) {
        code = 0x7F; // beyond the largest segment: clip
    } else if (segment < 2) {
        code = static_cast<std::uint8_t>((segment << 4) | ((value >> 1) & 0x0F));
    } else {
        code = static_cast<std::uint8_t>((segment << 4) | ((value >> segment) & 0x0F));
    }
    return static_cast<std::uint8_t>((sign | code) ^ 0x55);
}

const std::vector<std::uint8_t>& toneFrame()
{
    static const std::vector<std::uint8_t> frame = makeToneFrame();
    return frame;
}

} // namespace vexlo::ipcsim
