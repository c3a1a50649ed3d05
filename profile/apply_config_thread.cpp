#include "profile/apply_config_thread.h"

#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "engine/messages.h"
#include "engine/row_update.h"
#include "platform/codepage.h"
#include "platform/tick.h"
#include "profile/config_sections.h"
#include "profile/route_command.h"
#include "profile/stop_signal.h"
#include "sdk/netsdk.h"

#include <string>

namespace vexlo {
namespace {

constexpr std::uint32_t kStepMs = 1000;
constexpr std::uint32_t kLoginLimitMs = 45000;
constexpr std::uint32_t kReplyLimitMs = 30000;
constexpr std::uint32_t kRetryPauseMs = 15000;
constexpr int kRestartSteps = 20;

std::u16string secondsSuffix(std::uint32_t seconds, std::u16string_view unit = u"s")
{
    const std::string digits = std::to_string(seconds);
    std::u16string text(digits.begin(), digits.end());
    text += unit;
    return text;
}

std::u16string joined(std::u16string_view first, std::u16string_view second)
{
    std::u16string text(first);
    text += second;
    return text;
}

} // namespace

ApplyConfigThread::ApplyConfigThread(BatchState& state, _DEVICERECORD* record,
                                     std::shared_ptr<const ConfigProfile> profile, StopSignal& stop)
    : m_state(state), m_record(record), m_profile(std::move(profile)), m_stop(stop)
{
}

int ApplyConfigThread::run()
{
    if (!m_record)
        return 0;
    if (loginForApply() == Login::Confirmed) {
        for (const ConfigSection& section : configSections()) {
            if (m_stop.requested())
                break;
            if (!sectionEnabled(section, *m_profile))
                continue;
            // A failed section is tried once more; a second failure costs
            // another pause, then the next section follows all the same.
            if (!pushSection(section) && pause(kRetryPauseMs) && !pushSection(section))
                pause(kRetryPauseMs);
        }
    }
    m_record->applyDone = 1;
    if (!m_stop.requested()) {
        if (UiPort* ui = m_state.ui.load())
            ui->post(UiMessage{WM_APPLY_DONE, 0, 0, {}});
    }
    return 0;
}

ApplyConfigThread::Login ApplyConfigThread::loginForApply()
{
    if (!m_record)
        return Login::NoRecord;
    _DEVICERECORD& record = *m_record;
    if (record.loginHandle.load() > 0 && record.loginState.load() == kLoginConfirmed)
        return Login::Confirmed; // still logged in from an earlier instruction

    record.loginHandle = 0;
    record.loginState = kLoginUndecided;
    show(u"登录设备");
    const std::string ip(fieldText(record.ipAddress));
    const std::string user(fieldText(record.userName));
    const std::string password(fieldText(record.password));
    const int handle = IP_NET_DVR_Login(ip.c_str(), record.port, user.c_str(), password.c_str(), 0);
    if (handle <= 0) {
        show(u"登录设备失败");
        return Login::NotConfirmed;
    }
    record.loginHandle = handle;
    adoptKeptLoginResult(handle);

    const std::uint32_t start = GetTickCount();
    if (!pause(kStepMs))
        return Login::NotConfirmed;
    for (;;) {
        // The answer may have been kept while this thread was storing the handle.
        adoptKeptLoginResult(handle);
        // A refusal does not end the wait: only a confirmation or the limit does.
        if (record.loginState.load() == kLoginConfirmed) {
            show(u"登录设备成功");
            return Login::Confirmed;
        }
        const std::uint32_t elapsed = ticksSince(start);
        if (elapsed > kLoginLimitMs) {
            show(u"登录设备失败");
            return Login::NotConfirmed;
        }
        show(joined(u"登录设备...", secondsSuffix(elapsed / 1000)));
        if (!pause(kStepMs))
            return Login::NotConfirmed;
    }
}

bool ApplyConfigThread::pushSection(const ConfigSection& section)
{
    const int flagIndex = sectionIndexOfCode(section.replyCode);
    if (!m_record || flagIndex < 0)
        return false;
    _DEVICERECORD& record = *m_record;

    show(section.sectionName);
    if (!pause(kStepMs))
        return false;
    const std::string request = sectionRequestText(section, *m_profile);
    record.sectionResult[flagIndex] = kSectionAwaited;

    const int handle = record.loginHandle.load();
    const int sent = section.routed
                         ? routeCommand(handle, section.replyCode, request.c_str())
                         : IP_NET_DVR_SetDVRConfig(handle, section.replyCode, 0, request.c_str(),
                                                   static_cast<int>(request.size()) + 1);
    if (sent != 0) {
        show(joined(section.sectionName, u"失败"));
        pause(kStepMs);
        return false;
    }

    waitSectionReply(section, record.sectionResult[flagIndex]);
    if (!pause(kStepMs))
        return false;
    const int flag = record.sectionResult[flagIndex].load();
    const bool accepted = sectionTaken(flag);
    // A device that took the setting at once restarts nothing: no countdown.
    if (flag == kSectionAccepted && section.restartWait)
        restartWait(section);
    return accepted;
}

void ApplyConfigThread::waitSectionReply(const ConfigSection& section,
                                         const std::atomic<std::int32_t>& flag)
{
    const std::uint32_t start = GetTickCount();
    for (std::uint32_t elapsed = 0; elapsed < kReplyLimitMs; elapsed = ticksSince(start)) {
        show(joined(section.sectionName, joined(u"...", secondsSuffix(elapsed / 1000))));
        if (flag.load() != 0)
            break;
        if (!pause(kStepMs))
            return;
    }
    show(joined(section.sectionName, flag.load() > 0 ? u"成功" : u"失败"));
}

void ApplyConfigThread::restartWait(const ConfigSection& section)
{
    for (int step = 1; step <= kRestartSteps; ++step) {
        show(joined(section.sectionName,
                    joined(u"完成,进程重启...", secondsSuffix(static_cast<std::uint32_t>(step)))));
        if (!pause(kStepMs))
            return;
    }
}

void ApplyConfigThread::show(std::u16string_view text)
{
    postRowUpdate(m_state, *m_record, text, COLUMN_STATUS);
}

bool ApplyConfigThread::pause(std::uint32_t ms)
{
    return m_stop.sleep(ms);
}

void ApplyConfigThread::adoptKeptLoginResult(int handle)
{
    const int kept = m_state.claimLoginResult(handle);
    if (kept != 0 && m_record->loginState.load() == kLoginUndecided)
        m_record->loginState = kept;
}

} // namespace vexlo
