#pragma once

#include "protocol/frame_header.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

namespace vexlo::protocol {

// Cuts a TCP byte stream into frames. Bytes may arrive split anywhere; each
// complete frame is queued for next(). A bad header (wrong magic, version, or a
// body above the type's limit) is a sticky error: the frames completed before it
// are still handed out, every later byte is ignored, and the connection is to be
// closed. A body is allocated only after its header passed the checks.
class FrameReader
{
public:
    void feed(std::span<const std::uint8_t> bytes);
    std::optional<Frame> next();

    FrameError error() const { return m_error; }
    bool failed() const { return m_error != FrameError::None; }
    // Bytes of an unfinished frame held so far (header included).
    std::size_t pendingBytes() const;

private:
    std::size_t takeHeaderBytes(std::span<const std::uint8_t> bytes);
    std::size_t takeBodyBytes(std::span<const std::uint8_t> bytes);
    void completeFrame();

    std::array<std::uint8_t, 16> m_header{};
    std::size_t m_headerFill = 0;
    std::optional<FrameHeader> m_current; // set while its body is being read
    std::vector<std::uint8_t> m_body;
    std::deque<Frame> m_ready;
    FrameError m_error = FrameError::None;
};

} // namespace vexlo::protocol
