#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// Address ranges that a search probes directly, one datagram per address,
// besides its broadcast or multicast: cameras behind a router never hear a
// broadcast. Shared by both device libraries and the front ends, so the text
// an installer types means the same everywhere.
namespace vexlo {

// A scan never holds more addresses than this, all ranges together.
inline constexpr std::size_t kMaxScanAddresses = 4096;
// Pacing: at most this many datagrams go out back to back, then the scan
// pauses (real time, whatever VEXLO_TIME_SCALE says: the network does not run
// faster in tests). A /22 of single probes takes 32 bursts, about 1.6 s.
inline constexpr std::size_t kScanBurstDatagrams = 32;
inline constexpr std::chrono::milliseconds kScanBurstPause{50};
// Once every address was probed, the next pass starts this long (scaled time)
// later, so that a camera back from a reboot is found again.
inline constexpr std::uint32_t kScanRepeatMs = 5000;

struct AddressRange
{
    std::uint32_t first = 0; // host order, inclusive
    std::uint32_t last = 0;
    std::string text; // as written, for messages
};

struct AddressRangeList
{
    std::vector<AddressRange> ranges;
    std::string error; // empty when the text was sound

    bool ok() const { return error.empty(); }
};

// Reads "A.B.C.D-A.B.C.E" (first and last, inclusive) and "A.B.C.D/NN" blocks,
// several separated by commas (spaces around them are allowed); an empty text
// gives no ranges. The error names what is wrong: an address that is not
// one, a range that ends before it starts, more than kMaxScanAddresses in all.
AddressRangeList parseAddressRanges(std::string_view text);

// How many addresses the ranges hold together (overlaps counted twice).
std::uint64_t addressCount(const std::vector<AddressRange>& ranges);

// Dotted text of a host-order address.
std::string formatIpv4Address(std::uint32_t address);

// The ranges a running program scans, changed by the front end (the GUI's
// dialog) and read by the device libraries at every search start. Any thread.
class ScanTargets
{
public:
    ScanTargets() = default;
    explicit ScanTargets(std::vector<AddressRange> ranges) : m_ranges(std::move(ranges)) {}

    void set(std::vector<AddressRange> ranges);
    std::vector<AddressRange> ranges() const;
    // Every address of the ranges in order, each once.
    std::vector<std::uint32_t> addresses() const;

private:
    mutable std::mutex m_mutex;
    std::vector<AddressRange> m_ranges;
};

// Which addresses of a scan go out next. Pure: the caller owns the timer.
class ScanSchedule
{
public:
    // `datagramsPerAddress`: what one address costs (ONVIF sends several probes).
    ScanSchedule(std::vector<std::uint32_t> addresses, std::size_t datagramsPerAddress);

    bool empty() const { return m_addresses.empty(); }
    // The next burst; after it, wait kScanBurstPause, or kScanRepeatMs when
    // passEnded() says the pass is over (the next burst starts a new pass).
    std::vector<std::uint32_t> nextBurst();
    bool passEnded() const { return m_next == 0; }
    // The wait before the next burst: the short real-time pause within a pass
    // (the network does not run faster in tests), kScanRepeatMs of scaled time
    // after a pass.
    std::chrono::nanoseconds pauseAfterBurst() const;

private:
    std::vector<std::uint32_t> m_addresses;
    std::size_t m_perBurst = 1;
    std::size_t m_next = 0;
};

} // namespace vexlo
