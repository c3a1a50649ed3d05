#include "engine/sdk_callbacks.h"

#include "engine/batch_state.h"
#include "engine/messages.h"
#include "platform/codepage.h"
#include "sdk/netsdk.h"

#include <cctype>
#include <cstring>
#include <limits>

namespace vexlo {

namespace {

void postToUpgradeControl(BatchState& state, std::uint32_t message, WPARAM wParam)
{
    if (vexlo::ThreadMessageQueue* queue = state.upgradeControlQueue.load())
        queue->post(message, wParam, 0);
}

void onLoginAnswer(BatchState& state, int handle, int result)
{
    bool claimed = false;
    {
        vexlo::CriticalSectionLock lock(state.loginQueue.lock);
        for (_LOGINTASK* task : state.loginQueue.items) {
            if (task && task->handle.load() == handle) {
                task->result = result;
                claimed = true;
                break;
            }
        }
    }
    state.loginEvent->set();
    {
        vexlo::CriticalSectionLock lock(state.applyList.lock);
        if (_DEVICERECORD* record = findByLoginHandle(state.applyList.items, handle)) {
            record->loginState = result;
            claimed = true;
        }
    }
    if (!claimed)
        state.keepUnclaimedLoginResult(handle, result);
}

void onSectionAnswer(BatchState& state, int handle, int sectionIndex, int flag)
{
    vexlo::CriticalSectionLock lock(state.applyList.lock);
    if (_DEVICERECORD* record = findByLoginHandle(state.applyList.items, handle))
        record->sectionResult[sectionIndex] = flag;
}

void onTimeSyncAnswer(BatchState& state, int handle, int timeSyncState)
{
    vexlo::CriticalSectionLock lock(state.timeSyncPendingList.lock);
    if (_DEVICERECORD* record = findByLoginHandle(state.timeSyncPendingList.items, handle))
        record->timeSyncState = timeSyncState;
}

void onVersionAnswer(BatchState& state, int handle, const char* answer)
{
    _VERSIONTASK* answered = nullptr;
    {
        vexlo::CriticalSectionLock lock(state.versionQueue.lock);
        for (_VERSIONTASK* task : state.versionQueue.items) {
            if (task && task->record && task->record->loginHandle.load() == handle) {
                answered = task;
                break;
            }
        }
        if (!answered)
            return;
        vexlo::copyToField(answered->answer, answer);
        answered->state = kVersionAnswered;
        state.versionQueue.remove(answered);
    }
    // Out of the queue, the task now belongs to the message.
    postToUpgradeControl(state, TM_VERSION_RESULT, reinterpret_cast<WPARAM>(answered));
}

void onStorageAnswer(BatchState& state, int handle, const char* answer)
{
    vexlo::CriticalSectionLock lock(state.storagePendingList.lock);
    _DEVICERECORD* record = findByLoginHandle(state.storagePendingList.items, handle);
    if (!record)
        return;
    StorageTotals totals = parseStorageTotals(answer);
    record->totalSd1 = totals.sd1;
    record->totalSd2 = totals.sd2;
    record->totalUsb = totals.usb;
    record->storageInfoReceived = 1;
    state.storagePendingList.remove(record);
}

void onFormatAnswer(BatchState& state, int handle, int formatState)
{
    vexlo::CriticalSectionLock lock(state.formatPendingList.lock);
    _DEVICERECORD* record = findByLoginHandle(state.formatPendingList.items, handle);
    if (!record)
        return;
    record->formatState = formatState;
    state.formatPendingList.remove(record);
}

} // namespace

int StatusEventCallBack(int loginHandle, int event, int /*value*/, void* user)
{
    auto& state = *static_cast<BatchState*>(user);
    switch (event) {
    case SDK_EVENT_LOGIN_OK:
        onLoginAnswer(state, loginHandle, 1);
        break;
    case SDK_EVENT_LOGIN_FAILED:
        onLoginAnswer(state, loginHandle, -1);
        break;
    case SDK_EVENT_UPLOAD_DONE:
        postToUpgradeControl(state, TM_UPLOAD_DONE, static_cast<WPARAM>(loginHandle));
        break;
    case SDK_EVENT_UPLOAD_FAILED:
        postToUpgradeControl(state, TM_UPLOAD_FAILED, static_cast<WPARAM>(loginHandle));
        break;
    default:
        break;
    }
    return 0;
}

int AUXResponseCallBack(int loginHandle, int code, const char* answer, void* user)
{
    auto& state = *static_cast<BatchState*>(user);
    const bool refused = sdkIsRefusal(code);
    const int command = sdkCommandOf(code);
    if (!answer)
        answer = "";

    if (int section = sectionIndexOfCode(command); section >= 0) {
        const bool takenAtOnce = std::strcmp(answer, SDK_ANSWER_TAKEN_AT_ONCE) == 0;
        onSectionAnswer(state, loginHandle, section,
                        refused       ? kSectionRefused
                        : takenAtOnce ? kSectionTakenAtOnce
                                      : kSectionAccepted);
        return 0;
    }
    switch (command) {
    case CMD_SET_TIME:
        onTimeSyncAnswer(state, loginHandle, refused ? 2 : 1);
        break;
    case CMD_FIRMWARE_VERDICT:
        postToUpgradeControl(state, refused ? TM_UPGRADE_REFUSED : TM_UPGRADE_ACCEPTED,
                             static_cast<WPARAM>(loginHandle));
        break;
    case CMD_VERSION:
        if (!refused) // a refused query runs into its timeout
            onVersionAnswer(state, loginHandle, answer);
        break;
    case CMD_STORAGE:
        if (!refused) // the storage step runs into its timeout
            onStorageAnswer(state, loginHandle, answer);
        break;
    case CMD_FORMAT:
        onFormatAnswer(state, loginHandle, refused ? 2 : 1);
        break;
    default:
        break;
    }
    return 0;
}

void registerSdkCallbacks(BatchState& state)
{
    IP_NET_DVR_SetStatusEventCallBack(StatusEventCallBack, &state);
    IP_NET_DVR_SetAUXResponseCallBack(AUXResponseCallBack, &state);
}

std::int32_t parseLeadingInt(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit)
            value = limit;
    }
    if (negative)
        return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min(value, limit - 1));
}

StorageTotals parseStorageTotals(std::string_view answer)
{
    static constexpr std::string_view kTotal = "Total=\"";
    std::int32_t values[3] = {0, 0, 0};
    std::string_view rest = answer;
    for (std::int32_t& value : values) {
        std::size_t at = rest.find(kTotal);
        if (at == std::string_view::npos)
            break;
        rest.remove_prefix(at + kTotal.size());
        std::size_t quote = rest.find('"');
        value = parseLeadingInt(rest.substr(0, quote));
        if (quote == std::string_view::npos)
            break;
        rest.remove_prefix(quote + 1);
    }
    return {values[0], values[1], values[2]};
}

} // namespace vexlo
