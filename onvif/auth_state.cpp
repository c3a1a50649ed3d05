#include "onvif/auth_state.h"

namespace vexlo::onvif {

bool AuthState::clockKnown() const
{
    std::lock_guard lock(m_mutex);
    return m_offset.has_value();
}

AuthState::Clock::duration AuthState::clockOffset() const
{
    std::lock_guard lock(m_mutex);
    return m_offset.value_or(Clock::duration::zero());
}

TimePoint AuthState::cameraNow() const
{
    return Clock::now() + clockOffset();
}

void AuthState::setCameraTime(TimePoint cameraTime, TimePoint localTime)
{
    std::lock_guard lock(m_mutex);
    m_offset = cameraTime - localTime;
}

void AuthState::clockUnreadable()
{
    std::lock_guard lock(m_mutex);
    m_offset = Clock::duration::zero();
}

AuthMethod AuthState::method() const
{
    std::lock_guard lock(m_mutex);
    return m_method;
}

void AuthState::remember(AuthMethod method)
{
    std::lock_guard lock(m_mutex);
    m_method = method;
}

std::optional<AuthState::DigestTurn> AuthState::nextDigest()
{
    std::lock_guard lock(m_mutex);
    if (!m_challenge)
        return std::nullopt;
    return DigestTurn{*m_challenge, ++m_nonceCount};
}

void AuthState::setChallenge(DigestChallenge challenge)
{
    std::lock_guard lock(m_mutex);
    if (!m_challenge || m_challenge->nonce != challenge.nonce)
        m_nonceCount = 0;
    m_challenge = std::move(challenge);
}

std::string_view authMethodName(AuthMethod method)
{
    switch (method) {
    case AuthMethod::UsernameToken:
        return "WS-Security UsernameToken";
    case AuthMethod::HttpDigest:
        return "HTTP Digest";
    case AuthMethod::Unknown:
        break;
    }
    return "none yet";
}

} // namespace vexlo::onvif
