#include "protocol/frame_reader.h"

#include "protocol/wire.h"

#include <algorithm>

namespace vexlo::protocol {

void FrameReader::feed(std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty() && !failed()) {
        const std::size_t used = m_current ? takeBodyBytes(bytes) : takeHeaderBytes(bytes);
        bytes = bytes.subspan(used);
    }
}

std::optional<Frame> FrameReader::next()
{
    if (m_ready.empty())
        return std::nullopt;
    Frame frame = std::move(m_ready.front());
    m_ready.pop_front();
    return frame;
}

std::size_t FrameReader::pendingBytes() const
{
    return m_current ? kFrameHeaderSize + m_body.size() : m_headerFill;
}

std::size_t FrameReader::takeHeaderBytes(std::span<const std::uint8_t> bytes)
{
    const std::size_t count = std::min(bytes.size(), kFrameHeaderSize - m_headerFill);
    std::copy_n(bytes.begin(), count, m_header.begin() + static_cast<std::ptrdiff_t>(m_headerFill));
    m_headerFill += count;
    if (m_headerFill < kFrameHeaderSize)
        return count;

    FrameHeader header;
    m_error = decodeFrameHeader(m_header, header);
    if (failed())
        return count;
    m_headerFill = 0;
    m_current = header;
    m_body.clear();
    m_body.reserve(header.bodyLength);
    if (header.bodyLength == 0)
        completeFrame();
    return count;
}

std::size_t FrameReader::takeBodyBytes(std::span<const std::uint8_t> bytes)
{
    const std::size_t missing = m_current->bodyLength - m_body.size();
    const std::size_t count = std::min(bytes.size(), missing);
    m_body.insert(m_body.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
    if (m_body.size() == m_current->bodyLength)
        completeFrame();
    return count;
}

void FrameReader::completeFrame()
{
    m_ready.push_back(Frame{*m_current, std::move(m_body)});
    m_body = {};
    m_current.reset();
}

} // namespace vexlo::protocol
