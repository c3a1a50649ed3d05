#pragma once

#include "engine/device_record.h"
#include "engine/tasks.h"
#include "platform/critical_section.h"
#include "platform/event.h"
#include "platform/message_queue.h"
#include "platform/ui_port.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <unordered_map>
#include <vector>

// The lists and queues shared by the user-interface thread, the workers, the
// apply threads and the device library's callbacks, each with its own lock.
// Lists hold plain pointers in list-row order; they never own a record.
//
// Lock order: upgradeListLock before loginQueueLock; nothing takes two locks in
// the opposite order. Locks are held only to copy, search or change a list,
// never across a call into the device library (the one exception, the re-login
// queued under upgradeListLock, is the upgrade controller's).
struct BatchState
{
    BatchState();

    std::vector<_DEVICERECORD*> maintList;
    vexlo::CriticalSection maintListLock;
    std::vector<_DEVICERECORD*> upgradeList;
    vexlo::CriticalSection
        upgradeListLock; // re-entrant: the refusal path checks completion under it
    std::vector<_DEVICERECORD*> applyList;
    vexlo::CriticalSection applyListLock;
    std::vector<_DEVICERECORD*> rebootWaitList;
    vexlo::CriticalSection rebootWaitLock;
    std::vector<_DEVICERECORD*> storagePendingList;
    vexlo::CriticalSection storagePendingLock;
    std::vector<_DEVICERECORD*> formatPendingList;
    vexlo::CriticalSection formatPendingLock;
    std::vector<_DEVICERECORD*> timeSyncPendingList;
    vexlo::CriticalSection timeSyncPendingLock;
    std::vector<_DEVICERECORD*> restorePendingList;
    vexlo::CriticalSection restorePendingLock;

    std::vector<_LOGINTASK*> loginQueue;
    vexlo::CriticalSection loginQueueLock;
    std::vector<_VERSIONTASK*> versionQueue;
    vexlo::CriticalSection versionQueueLock;
    std::vector<_UPLOADTASK*> uploadQueue;
    vexlo::CriticalSection uploadQueueLock;
    std::vector<_PROGRESSTASK*> progressQueue;
    vexlo::CriticalSection progressQueueLock;

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
    // loginQueueLock) until the caller claims them.
    void keepUnclaimedLoginResult(int handle, int result);
    // The kept answer for `handle` (1 or -1), removed; 0 when there is none.
    int claimLoginResult(int handle);

private:
    std::unordered_map<int, int> m_unclaimedLoginResults;
};

// The first non-null record in `list` whose loginHandle equals `handle`.
_DEVICERECORD* findByLoginHandle(const std::vector<_DEVICERECORD*>& list, int handle);

// Removes the first occurrence of `item`; later entries move up. Returns
// whether it was there.
template <typename T> bool removeFirst(std::vector<T*>& list, const T* item)
{
    auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

template <typename T> bool contains(const std::vector<T*>& list, const T* item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}
