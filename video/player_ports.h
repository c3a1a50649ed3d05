#pragma once

#include <cstdint>

// The player port numbers the video windows pick for their streams.
namespace vexlo {

inline constexpr int kFirstWallPort = 1000;
inline constexpr int kLastWallPort = 9999;

// The next port of the counter that every video wall of the process shares:
// 1000, 1001, ... 9999, then 1000 again. Any thread.
int takeWallPort();
// Tests only: the next takeWallPort() returns `port`.
void resetWallPortCounterForTesting(int port = kFirstWallPort);

// The 15-bit generator of the classic C runtime (state × 214013 + 2531011,
// bits 16..30 of the state), so the single window's port formula, written for
// a largest value of 32767, gives ports in 1..10000 here too. glibc's rand()
// reaches 2^31 - 1 and would give ports far outside that range.
class Rand15
{
public:
    static constexpr int kMax = 32767;

    explicit Rand15(std::uint32_t seed) : m_state(seed) {}
    int next();

private:
    std::uint32_t m_state;
};

// The single window's port for a value of the generator: 1..10000.
int singleWindowPort(int random);

} // namespace vexlo
