#pragma once

#include "ipcsim/firmware.h"
#include "ipcsim/scenario.h"
#include "protocol/upload_messages.h"

#include <cstdint>
#include <optional>

// The camera's side of one firmware upload: which chunks it stores, what it
// acknowledges, when it stalls or fails as its scenario says, and the checked
// file at the end. No sockets: the session sends what each step returns.
namespace vexlo::ipcsim {

struct UploadStep
{
    std::optional<protocol::UploadAck> ack;
    std::optional<protocol::UploadResult> result; // ends the upload
    bool completed = false;                       // the result is Complete
};

class UploadReceiver
{
public:
    bool active() const { return m_active; }
    bool stalled() const { return m_stalled; }
    std::uint64_t received() const { return m_checker.bytesReceived(); }
    std::uint32_t totalSize() const { return m_total; }

    UploadStep begin(std::uint32_t totalSize, const CameraFaults& faults);
    UploadStep data(const protocol::UploadData& chunk);
    UploadStep end(std::uint32_t totalSize);

    // The verdict on the file once the upload completed.
    FirmwareVerdict verdict() const { return m_checker.finish(); }

private:
    UploadStep finishWith(protocol::UploadStatus status);
    std::uint32_t receivedU32() const { return static_cast<std::uint32_t>(received()); }

    FirmwareChecker m_checker;
    bool m_active = false;
    bool m_stalled = false;
    std::uint32_t m_total = 0;
    std::optional<std::uint64_t> m_stallBytes;
    std::optional<std::uint64_t> m_failBytes;
};

} // namespace vexlo::ipcsim
