#include "engine/batch_state.h"

namespace vexlo {

namespace {
// More unclaimed answers than this means nobody is claiming them (handles from
// logins that ended otherwise); the oldest knowledge is not worth keeping.
constexpr std::size_t kMaxUnclaimedLoginResults = 4096;
} // namespace

BatchState::BatchState() : modifyIpMap(17), loginEvent(vexlo::openNamedEvent("EVENT_LOGIN_STATUS"))
{
}

void BatchState::keepUnclaimedLoginResult(int handle, int result)
{
    vexlo::CriticalSectionLock lock(loginQueue.lock);
    if (m_unclaimedLoginResults.size() >= kMaxUnclaimedLoginResults)
        m_unclaimedLoginResults.clear();
    m_unclaimedLoginResults[handle] = result;
}

int BatchState::claimLoginResult(int handle)
{
    vexlo::CriticalSectionLock lock(loginQueue.lock);
    auto it = m_unclaimedLoginResults.find(handle);
    if (it == m_unclaimedLoginResults.end())
        return 0;
    int result = it->second;
    m_unclaimedLoginResults.erase(it);
    return result;
}

_DEVICERECORD* findByLoginHandle(const std::vector<_DEVICERECORD*>& list, int handle)
{
    for (_DEVICERECORD* record : list) {
        if (record && record->loginHandle.load() == handle)
            return record;
    }
    return nullptr;
}

} // namespace vexlo
