#include "video/player_ports.h"

#include <algorithm>
#include <atomic>

namespace vexlo {
namespace {

// The original left this counter unlocked while the data callbacks of several
// streams, on the device library's threads, advanced it: two first headers at
// once could get the same port. An atomic step keeps every port distinct.
std::atomic<int> g_nextWallPort{kFirstWallPort};

} // namespace

int takeWallPort()
{
    int port = g_nextWallPort.load();
    int next = 0;
    do {
        next = port >= kLastWallPort ? kFirstWallPort : port + 1;
    } while (!g_nextWallPort.compare_exchange_weak(port, next));
    return port;
}

void resetWallPortCounterForTesting(int port)
{
    g_nextWallPort = port;
}

int Rand15::next()
{
    m_state = m_state * 214013u + 2531011u;
    return static_cast<int>((m_state >> 16) & 0x7FFFu);
}

int singleWindowPort(int random)
{
    random = std::clamp(random, 0, Rand15::kMax);
    return static_cast<int>(random / static_cast<double>(Rand15::kMax) * 9999) + 1;
}

} // namespace vexlo
