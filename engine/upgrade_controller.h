#pragma once

#include "engine/polling_loop.h"
#include "engine/tasks.h"
#include "platform/message_queue.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace vexlo {

struct BatchState;
struct _DEVICERECORD;

// The per-device upgrade state machine, run on UpgradeControlThread. Every
// decision about a device is made here; the pollers and the callbacks report
// by thread message. A task that arrives in a message belongs to this class,
// which frees it.
class UpgradeController
{
public:
    UpgradeController(BatchState& state, StopAwareSleep sleep);

    // Serves one thread message; other numbers are ignored.
    void handle(const vexlo::ThreadMessage& message);

private:
    void onStart(_DEVICERECORD& record);
    void onLoginResult(_LOGINTASK* task);
    void onVersionResult(_VERSIONTASK* task);
    void onUploadResult(_UPLOADTASK* task);
    void onUploadDone(int handle);
    void onUploadFailed(int handle);
    void onFirmwareAccepted(int handle);
    void onFirmwareRefused(int handle);

    // The record whose progress watch carries `handle`, after marking the
    // watch finished with `finished`; nullptr when no watch has it.
    _DEVICERECORD* finishProgressWatch(int handle, int finished);
    void queueVersionOrFail(_DEVICERECORD& record, int purpose);
    void queueUploadOrFail(_DEVICERECORD& record);
    // Keeps the end of an upload that came before its submission was reported,
    // for a device of the run that is still going; see onUploadResult.
    void keepEarlyUploadEnd(int handle, int finished);

    BatchState& m_state;
    StopAwareSleep m_sleep;
    // Upload ends (1 done, 2 failed) by login handle whose progress watch did
    // not exist yet. Touched only on this thread.
    std::unordered_map<int, int> m_earlyUploadEnds;
};

// The bare version in a version answer: what follows FileSystemVersion=" up to
// the next double quote, at most 255 units; empty when the marker is missing.
std::u16string versionOfAnswer(std::string_view answer);

} // namespace vexlo
