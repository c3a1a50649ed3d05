#include "ipcsim/upload_receiver.h"

namespace vexlo::ipcsim {

using protocol::UploadAck;
using protocol::UploadResult;
using protocol::UploadStatus;

UploadStep UploadReceiver::begin(std::uint32_t totalSize, const CameraFaults& faults)
{
    m_checker = FirmwareChecker();
    m_active = true;
    m_stalled = false;
    m_total = totalSize;
    m_stallBytes.reset();
    m_failBytes.reset();
    if (faults.uploadStallPercent) {
        m_stallBytes = bytesAtPercent(totalSize, *faults.uploadStallPercent);
    }
    if (faults.uploadFailPercent) {
        m_failBytes = bytesAtPercent(totalSize, *faults.uploadFailPercent);
        if (*m_failBytes == 0) {
            return finishWith(UploadStatus::Failed);
        }
    }
    UploadStep step;
    step.ack = UploadAck{0};
    m_stalled = m_stallBytes && *m_stallBytes == 0;
    return step;
}

UploadStep UploadReceiver::data(const protocol::UploadData& chunk)
{
    // Chunks still in flight after the upload ended, or sent to a stalled
    // camera, are stale: dropped without an answer.
    if (!m_active || m_stalled) {
        return {};
    }
    if (chunk.offset != received()) {
        return finishWith(UploadStatus::OutOfOrder);
    }
    if (received() + chunk.data.size() > m_total) {
        return finishWith(UploadStatus::SizeMismatch);
    }
    if (m_stallBytes && received() + chunk.data.size() > *m_stallBytes) {
        // This chunk would carry the upload past the stall point: from here on
        // nothing is stored or acknowledged, and the upload never ends.
        m_stalled = true;
        return {};
    }
    m_checker.feed(chunk.data.data(), chunk.data.size());
    if (m_failBytes && received() >= *m_failBytes) {
        return finishWith(UploadStatus::Failed);
    }
    UploadStep step;
    step.ack = UploadAck{receivedU32()};
    if (m_stallBytes && received() == *m_stallBytes) {
        m_stalled = true;
    }
    return step;
}

UploadStep UploadReceiver::end(std::uint32_t totalSize)
{
    if (!m_active || m_stalled) {
        return {};
    }
    if (totalSize != m_total || received() != m_total) {
        return finishWith(UploadStatus::SizeMismatch);
    }
    return finishWith(UploadStatus::Complete);
}

UploadStep UploadReceiver::finishWith(UploadStatus status)
{
    m_active = false;
    UploadStep step;
    step.result = UploadResult{status, receivedU32()};
    step.completed = status == UploadStatus::Complete;
    return step;
}

} // namespace vexlo::ipcsim
