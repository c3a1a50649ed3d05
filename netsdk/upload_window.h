#pragma once

#include <cstdint>
#include <optional>

// The bookkeeping of one firmware upload, without sockets or files: which
// chunk goes next, what an acknowledgement means, and the exact progress.
namespace vexlo::netsdk {

class UploadWindow
{
public:
    UploadWindow(std::uint32_t totalSize, std::uint32_t chunkSize, std::uint32_t windowChunks);

    struct Chunk
    {
        std::uint32_t offset;
        std::uint32_t length;
    };

    // The next chunk to send now, or nothing while the camera is not ready, the
    // window is full or every byte has been sent. Calling it counts the chunk as sent.
    std::optional<Chunk> takeNextChunk();

    // An UploadAck. The first acknowledgement of 0 says the camera is ready.
    // Returns false for an acknowledgement that makes no sense (more bytes than
    // were sent, or fewer than already acknowledged); it is then ignored.
    bool acknowledge(std::uint32_t received);

    bool ready() const { return m_ready; }
    bool everyByteAcknowledged() const { return m_acknowledged == m_total; }
    std::uint32_t acknowledged() const { return m_acknowledged; }
    std::uint32_t sent() const { return m_sent; }
    std::uint32_t totalSize() const { return m_total; }
    // Acknowledged bytes * 100 / total, rounded down.
    int percent() const;

private:
    std::uint32_t m_total;
    std::uint32_t m_chunkSize;
    std::uint64_t m_windowBytes;
    std::uint32_t m_sent = 0;
    std::uint32_t m_acknowledged = 0;
    bool m_ready = false;
};

} // namespace vexlo::netsdk
