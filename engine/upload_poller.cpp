#include "engine/upload_poller.h"

#include "engine/batch_state.h"
#include "engine/messages.h"
#include "platform/codepage.h"
#include "sdk/netsdk.h"

namespace vexlo {

namespace {

// The path box holds at most this many units, and the library takes the path
// in a buffer of this many bytes.
constexpr std::size_t kPathUnits = 260;

void finish(BatchState& state, _UPLOADTASK* task, int result)
{
    task->result = result;
    state.uploadQueue.remove(task);
    vexlo::ThreadMessageQueue* queue = state.upgradeControlQueue.load();
    if (!queue || !queue->post(TM_UPLOAD_RESULT, reinterpret_cast<WPARAM>(task)))
        delete task;
}

void pollTask(BatchState& state, _UPLOADTASK* task, const FirmwarePathSource& firmwarePath)
{
    const int triesBefore = task->tries++;
    if (triesBefore >= kMaxFirmwareSubmissions) {
        finish(state, task, kUploadGaveUp);
        return;
    }
    std::u16string path = firmwarePath ? firmwarePath() : std::u16string();
    if (path.size() > kPathUnits)
        path.resize(kPathUnits);
    char buffer[kPathUnits] = {};
    vexlo::copyUtf16ToField(buffer, path);
    if (IP_NET_DVR_Upgrade(task->record->loginHandle.load(), buffer) == 0)
        finish(state, task, kUploadSubmitted);
}

} // namespace

bool uploadPollPass(BatchState& state, const FirmwarePathSource& firmwarePath)
{
    std::vector<_UPLOADTASK*> snapshot;
    snapshot = state.uploadQueue.snapshot();
    for (_UPLOADTASK* task : snapshot) {
        if (task && task->record)
            pollTask(state, task, firmwarePath);
    }
    return !snapshot.empty();
}

} // namespace vexlo
