#include "onvif/username_token_verifier.h"

namespace vexlo::onvif {

UsernameTokenVerifier::UsernameTokenVerifier(Now now, TokenLimits limits)
    : m_now(std::move(now)), m_limits(limits)
{
    if (!m_now)
        m_now = [] { return std::chrono::system_clock::now(); };
    if (m_limits.maxRemembered == 0)
        m_limits.maxRemembered = 1;
}

TokenVerdict UsernameTokenVerifier::verify(pugi::xml_node soapHeader,
                                           const PasswordLookup& passwordOf)
{
    const std::optional<UsernameToken> token = parseUsernameToken(soapHeader);
    if (!token)
        return TokenVerdict::Missing;
    return verify(*token, passwordOf);
}

TokenVerdict UsernameTokenVerifier::verify(const UsernameToken& token,
                                           const PasswordLookup& passwordOf)
{
    if (!token.isDigest)
        return TokenVerdict::PlainTextRefused;
    if (token.nonce.empty() || token.created.empty())
        return TokenVerdict::Malformed;
    const std::optional<TimePoint> created = parseCreated(token.created);
    const std::optional<Bytes> nonce = base64Decode(token.nonce);
    const std::optional<Bytes> digest = base64Decode(token.password);
    if (!created || !nonce || nonce->empty() || !digest)
        return TokenVerdict::Malformed;

    const TimePoint now = m_now();
    if (*created < now - m_limits.window || *created > now + m_limits.window)
        return TokenVerdict::Stale;

    // An unknown user is checked against an empty password, so both failures
    // cost the same work.
    const std::optional<std::string> password = passwordOf(token.username);
    const std::optional<Bytes> expected =
        base64Decode(passwordDigest(*nonce, token.created, password.value_or(std::string())));
    const bool matches =
        expected &&
        constantTimeEqual(
            std::string_view(reinterpret_cast<const char*>(expected->data()), expected->size()),
            std::string_view(reinterpret_cast<const char*>(digest->data()), digest->size()));
    if (!password || !matches)
        return TokenVerdict::WrongCredentials;

    // Keyed by the nonce's bytes, not its text: the same bytes written with a
    // line break or other spacing in the Base64 are the same nonce.
    const std::string key(nonce->begin(), nonce->end());
    forgetOlderThan(now - m_limits.window);
    if (m_seen.contains(key) || (m_floor && *created <= *m_floor))
        return TokenVerdict::Replayed;
    remember(key, *created);
    return TokenVerdict::Accepted;
}

void UsernameTokenVerifier::forgetOlderThan(TimePoint limit)
{
    while (!m_byCreated.empty() && m_byCreated.begin()->first < limit) {
        m_seen.erase(m_byCreated.begin()->second);
        m_byCreated.erase(m_byCreated.begin());
    }
}

void UsernameTokenVerifier::remember(const std::string& nonce, TimePoint created)
{
    while (m_seen.size() >= m_limits.maxRemembered) {
        auto oldest = m_byCreated.begin();
        m_floor = m_floor ? std::max(*m_floor, oldest->first) : oldest->first;
        m_seen.erase(oldest->second);
        m_byCreated.erase(oldest);
    }
    m_seen.emplace(nonce, created);
    m_byCreated.emplace(created, nonce);
}

} // namespace vexlo::onvif
