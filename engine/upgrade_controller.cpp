#include "engine/upgrade_controller.h"

#include "engine/batch_state.h"
#include "engine/messages.h"
#include "engine/row_update.h"
#include "engine/task_queueing.h"
#include "engine/upgrade_completion.h"
#include "platform/codepage.h"
#include "platform/tick.h"
#include "sdk/netsdk.h"

#include <cstring>

namespace vexlo {

namespace {

constexpr std::uint32_t kLogoutDelayMs = 500;
constexpr std::uint32_t kSuccessPauseMs = 1000;

int handleOf(WPARAM wParam)
{
    return static_cast<int>(static_cast<std::intptr_t>(wParam));
}

} // namespace

std::u16string versionOfAnswer(std::string_view answer)
{
    static constexpr std::u16string_view kMarker = u"FileSystemVersion=\"";
    std::u16string text = vexlo::gbkToUtf16(answer);
    if (text.size() > 255)
        text.resize(255);
    const std::size_t at = text.find(kMarker);
    if (at == std::u16string::npos)
        return {};
    std::u16string version = text.substr(at + kMarker.size());
    if (const std::size_t quote = version.find(u'"'); quote != std::u16string::npos)
        version.resize(quote);
    return version;
}

UpgradeController::UpgradeController(BatchState& state, StopAwareSleep sleep)
    : m_state(state), m_sleep(std::move(sleep))
{
}

void UpgradeController::handle(const vexlo::ThreadMessage& message)
{
    switch (message.message) {
    case TM_UPGRADE_START:
        if (auto* record = reinterpret_cast<_DEVICERECORD*>(message.wParam))
            onStart(*record);
        break;
    case TM_LOGIN_RESULT:
        onLoginResult(reinterpret_cast<_LOGINTASK*>(message.wParam));
        break;
    case TM_VERSION_RESULT:
        onVersionResult(reinterpret_cast<_VERSIONTASK*>(message.wParam));
        break;
    case TM_UPLOAD_RESULT:
        onUploadResult(reinterpret_cast<_UPLOADTASK*>(message.wParam));
        break;
    case TM_UPLOAD_DONE:
        onUploadDone(handleOf(message.wParam));
        break;
    case TM_UPLOAD_FAILED:
        onUploadFailed(handleOf(message.wParam));
        break;
    case TM_UPGRADE_ACCEPTED:
        onFirmwareAccepted(handleOf(message.wParam));
        break;
    case TM_UPGRADE_REFUSED:
        onFirmwareRefused(handleOf(message.wParam));
        break;
    default:
        break;
    }
}

void UpgradeController::queueVersionOrFail(_DEVICERECORD& record, int purpose)
{
    if (queueVersionQuery(m_state, record, purpose) != 0)
        failUpgrade(m_state, record);
}

void UpgradeController::queueUploadOrFail(_DEVICERECORD& record)
{
    if (queueUpload(m_state, record) != 0)
        failUpgrade(m_state, record);
}

void UpgradeController::onStart(_DEVICERECORD& record)
{
    // An end kept from an earlier run never belongs to this run's upload.
    m_earlyUploadEnds.erase(record.loginHandle.load());
    if (record.loginHandle.load() > 0 || record.loginState.load() > 0) {
        // Still logged in; a version read by an earlier, unfinished run is kept.
        if (!vexlo::fieldText(record.versionBefore).empty())
            queueUploadOrFail(record);
        else
            queueVersionOrFail(record, kLoginForUpgrade);
        return;
    }
    postStatus(m_state, record, TextId::LoggingIn);
    if (queueLogin(m_state, record) != 0)
        failUpgrade(m_state, record);
}

void UpgradeController::onLoginResult(_LOGINTASK* task)
{
    if (!task)
        return;
    _DEVICERECORD& record = *task->record;
    const int handle = task->handle.load();
    if (handle > 0 && task->result.load() == kLoginTaskConfirmed) {
        record.loginHandle = handle;
        record.loginState = kLoginConfirmed;
        postStatus(m_state, record, TextId::LoginOk);
        queueVersionOrFail(record, record.loginPurpose.load());
    } else {
        postStatus(m_state, record, TextId::LoginFailed);
        failUpgrade(m_state, record);
    }
    delete task;
}

void UpgradeController::onVersionResult(_VERSIONTASK* task)
{
    if (!task)
        return;
    _DEVICERECORD& record = *task->record;
    if (task->state.load() != kVersionAnswered) {
        postStatus(m_state, record, TextId::GettingVersionFailed);
        failUpgrade(m_state, record);
        delete task;
        return;
    }
    const std::string_view answer = vexlo::fieldText(task->answer);
    const std::u16string version = versionOfAnswer(answer);
    if (task->purpose == kLoginAfterReboot) {
        vexlo::copyToField(record.versionAfter, answer);
        sendRowUpdate(m_state, record, version, COLUMN_VERSION_AFTER);
        const std::string_view before = vexlo::fieldText(record.versionBefore);
        const std::string_view after = vexlo::fieldText(record.versionAfter);
        if (!before.empty() && !after.empty() && before != after) {
            postStatus(m_state, record, TextId::UpgradeSuccess);
            m_sleep(kSuccessPauseMs);
            settleUpgrade(m_state, record, kUpgradeSucceeded);
        } else {
            postStatus(m_state, record, TextId::SameVersion);
            settleUpgrade(m_state, record, kUpgradeFailed);
        }
    } else {
        vexlo::copyToField(record.versionBefore, answer);
        postRowUpdate(m_state, record, version, COLUMN_VERSION_BEFORE);
        queueUploadOrFail(record);
    }
    delete task;
}

void UpgradeController::onUploadResult(_UPLOADTASK* task)
{
    if (!task)
        return;
    _DEVICERECORD& record = *task->record;
    if (task->result == kUploadSubmitted) {
        if (queueProgressWatch(m_state, record) != 0) {
            failUpgrade(m_state, record);
        } else if (const auto early = m_earlyUploadEnds.find(record.loginHandle.load());
                   early != m_earlyUploadEnds.end()) {
            // A small file can be through before the upload thread reported
            // the submission; its end event then found no watch. Settle the
            // new watch with it now rather than let it run into the stall limit.
            const int handle = early->first;
            const int finished = early->second;
            m_earlyUploadEnds.erase(early);
            if (finished == kUploadFinished)
                onUploadDone(handle);
            else
                onUploadFailed(handle);
        }
    } else {
        postStatus(m_state, record, TextId::SubmitFirmwareFailed);
        failUpgrade(m_state, record);
    }
    delete task;
}

_DEVICERECORD* UpgradeController::finishProgressWatch(int handle, int finished)
{
    vexlo::CriticalSectionLock lock(m_state.progressQueue.lock);
    for (_PROGRESSTASK* task : m_state.progressQueue.items) {
        if (task && task->record && task->record->loginHandle.load() == handle) {
            task->finished = finished;
            return task->record;
        }
    }
    return nullptr;
}

void UpgradeController::keepEarlyUploadEnd(int handle, int finished)
{
    vexlo::CriticalSectionLock lock(m_state.upgradeList.lock);
    const _DEVICERECORD* record = findByLoginHandle(m_state.upgradeList.items, handle);
    if (record && record->upgradeResult.load() == kUpgradeRunning &&
        record->rebootState.load() == kRebootNone)
        m_earlyUploadEnds[handle] = finished;
}

void UpgradeController::onUploadDone(int handle)
{
    _DEVICERECORD* record = finishProgressWatch(handle, kUploadFinished);
    if (!record) {
        keepEarlyUploadEnd(handle, kUploadFinished);
        return;
    }
    record->rebootStartTick = vexlo::GetTickCount();
    // The text goes first, so the wait's own texts always come after it.
    postStatus(m_state, *record, TextId::UploadFinishedChecking);
    vexlo::CriticalSectionLock lock(m_state.rebootWaitList.lock);
    m_state.rebootWaitList.items.push_back(record);
}

void UpgradeController::onUploadFailed(int handle)
{
    _DEVICERECORD* record = finishProgressWatch(handle, kUploadFailed);
    if (!record) {
        keepEarlyUploadEnd(handle, kUploadFailed);
        return;
    }
    postStatus(m_state, *record, TextId::UploadFailed);
    failUpgrade(m_state, *record);
}

void UpgradeController::onFirmwareAccepted(int handle)
{
    vexlo::CriticalSectionLock listLock(m_state.upgradeList.lock);
    _DEVICERECORD* record = findByLoginHandle(m_state.upgradeList.items, handle);
    // A device the run has already given up on (its upload stalled, say) keeps
    // its result: reviving it would log it out and rewrite its row after the
    // run's summary was counted.
    if (!record || record->upgradeResult.load() != kUpgradeRunning)
        return;
    {
        // Decided under the wait's lock: a verdict after the check timeout
        // changes nothing.
        vexlo::CriticalSectionLock waitLock(m_state.rebootWaitList.lock);
        if (record->rebootState.load() == kRebootGaveUp)
            return;
        record->rebootState = kRebootAccepted;
    }
    m_sleep(kLogoutDelayMs);
    IP_NET_DVR_Logout(handle);
    record->loginHandle = 0;
    record->loginState = kLoginUndecided;
    record->loginPurpose = kLoginAfterReboot;
    postStatus(m_state, *record, TextId::Upgrading);
    if (queueLogin(m_state, *record) != 0)
        failUpgrade(m_state, *record);
}

void UpgradeController::onFirmwareRefused(int handle)
{
    vexlo::CriticalSectionLock listLock(m_state.upgradeList.lock);
    _DEVICERECORD* record = findByLoginHandle(m_state.upgradeList.items, handle);
    if (!record || record->upgradeResult.load() != kUpgradeRunning)
        return;
    {
        vexlo::CriticalSectionLock waitLock(m_state.rebootWaitList.lock);
        if (record->rebootState.load() == kRebootGaveUp)
            return; // already failed by the check timeout
        record->rebootState = kRebootRefused;
    }
    postStatus(m_state, *record, TextId::FirmwareRefused);
    failUpgrade(m_state, *record);
}

} // namespace vexlo
