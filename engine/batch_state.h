#pragma once

#include "engine/device_record.h"
#include "engine/locked_list.h"
#include "engine/tasks.h"
#include "platform/critical_section.h"
#include "platform/event.h"
#include "platform/message_queue.h"
#include "platform/ui_port.h"

#include <atomic>
#include <memory>
#include <unordered_map>
#include <vector>

namespace vexlo {

// The lists and queues shared by the user-interface thread, the workers, the
// apply threads and the device library's callbacks, each with its own lock.
// Lists hold plain pointers in list-row order; they never own a record.
//
// Lock order: upgradeList's lock before loginQueue's; nothing takes two locks in
// the opposite order. Locks are held only to copy, search or change a list,
// never across a call into the device library (the one exception, the re-login
// queued under upgradeList's lock, is the upgrade controller's).
struct BatchState
{
    BatchState();

    LockedList<_DEVICERECORD> maintList;
    LockedList<_DEVICERECORD> upgradeList; // its lock is re-entered: the refusal
                                           // path checks completion under it
    LockedList<_DEVICERECORD> applyList;
    LockedList<_DEVICERECORD> rebootWaitList;
    LockedList<_DEVICERECORD> storagePendingList;
    LockedList<_DEVICERECORD> formatPendingList;
    LockedList<_DEVICERECORD> timeSyncPendingList;
    LockedList<_DEVICERECORD> restorePendingList;

    LockedList<_LOGINTASK> loginQueue;
    LockedList<_VERSIONTASK> versionQueue;
    LockedList<_UPLOADTASK> uploadQueue;
    LockedList<_PROGRESSTASK> progressQueue;

    ModifyIpMap modifyIpMap;

    std::atomic<int> languageIndex{0}; // 0 Chinese, 1 English
    std::atomic<int> loginIdle{1};     // written by LoginPollThread only
    std::atomic<int> restoreSearchCursor{0};

    // "EVENT_LOGIN_STATUS": signalled on every login answer.
    std::shared_ptr<vexlo::AutoResetEvent> loginEvent;

    // Where the callbacks hand upgrade events; set while the workers run.
    std::atomic<vexlo::ThreadMessageQueue*> upgradeControlQueue{nullptr};
    // The user-interface port; set by the main window.
    std::atomic<vexlo::UiPort*> ui{nullptr};

    // A login answer can arrive between the library returning the handle and the
    // caller storing it in its task or record. Such answers are kept here (under
    // loginQueue's lock) until the caller claims them.
    void keepUnclaimedLoginResult(int handle, int result);
    // The kept answer for `handle` (1 or -1), removed; 0 when there is none.
    int claimLoginResult(int handle);

private:
    std::unordered_map<int, int> m_unclaimedLoginResults;
};

// The first non-null record in `list` whose loginHandle equals `handle`.
_DEVICERECORD* findByLoginHandle(const std::vector<_DEVICERECORD*>& list, int handle);

} // namespace vexlo
