#include "netsdk/upload_window.h"

#include <algorithm>

namespace vexlo::netsdk {

UploadWindow::UploadWindow(std::uint32_t totalSize, std::uint32_t chunkSize,
                           std::uint32_t windowChunks)
    : m_total(totalSize), m_chunkSize(std::max<std::uint32_t>(chunkSize, 1)),
      m_windowBytes(static_cast<std::uint64_t>(m_chunkSize) *
                    std::max<std::uint32_t>(windowChunks, 1))
{
}

std::optional<UploadWindow::Chunk> UploadWindow::takeNextChunk()
{
    if (!m_ready || m_sent >= m_total)
        return std::nullopt;
    if (static_cast<std::uint64_t>(m_sent - m_acknowledged) + m_chunkSize > m_windowBytes)
        return std::nullopt;
    const Chunk chunk{m_sent, std::min(m_chunkSize, m_total - m_sent)};
    m_sent += chunk.length;
    return chunk;
}

bool UploadWindow::acknowledge(std::uint32_t received)
{
    if (!m_ready) {
        if (received != 0)
            return false;
        m_ready = true;
        return true;
    }
    if (received < m_acknowledged || received > m_sent)
        return false;
    m_acknowledged = received;
    return true;
}

int UploadWindow::percent() const
{
    if (m_total == 0)
        return 100;
    return static_cast<int>(static_cast<std::uint64_t>(m_acknowledged) * 100 / m_total);
}

} // namespace vexlo::netsdk
