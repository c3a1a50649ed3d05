#pragma once

#include "onvif/ws_security.h"

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vexlo::onvif {

enum class TokenVerdict
{
    Accepted,
    Missing,          // no UsernameToken in the header
    Malformed,        // no nonce, no or unreadable Created, bad Base64
    PlainTextRefused, // PasswordText: we only take the digest form
    Stale,            // Created too far from our clock, either way
    WrongCredentials, // unknown user or wrong password: one answer for both
    Replayed          // this nonce was already used within the window
};

struct TokenLimits
{
    std::chrono::seconds window{300};
    std::size_t maxRemembered = 4096;
};

// Checks UsernameTokens on the camera side. Only PasswordDigest is accepted:
// PasswordText would put the password on the wire in the clear, and every
// client worth supporting sends the digest. A token must carry a Nonce and a
// Created within `window` of our clock; a nonce is accepted once.
//
// Memory stays bounded: only accepted nonces are remembered, those older than
// the window are forgotten (their tokens fail the time check anyway), and past
// `maxRemembered` the oldest are dropped, after which every token created no
// later than a dropped one is refused, so a dropped nonce cannot be replayed.
class UsernameTokenVerifier
{
public:
    using Now = std::function<TimePoint()>;
    using PasswordLookup = std::function<std::optional<std::string>(std::string_view user)>;

    // Without a clock the system clock is used; tests pass their own.
    explicit UsernameTokenVerifier(Now now = {}, TokenLimits limits = {});

    TokenVerdict verify(pugi::xml_node soapHeader, const PasswordLookup& passwordOf);
    TokenVerdict verify(const UsernameToken& token, const PasswordLookup& passwordOf);

    std::size_t rememberedNonces() const { return m_seen.size(); }

private:
    void forgetOlderThan(TimePoint limit);
    void remember(const std::string& nonce, TimePoint created);

    Now m_now;
    TokenLimits m_limits;
    std::unordered_map<std::string, TimePoint> m_seen;
    std::multimap<TimePoint, std::string> m_byCreated;
    std::optional<TimePoint> m_floor; // Created of the newest nonce dropped for room
};

} // namespace vexlo::onvif
