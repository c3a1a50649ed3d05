#pragma once

#include "onvif/http_digest.h"
#include "onvif/ws_security.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

// What a client knows about signing in to one camera: how far the camera's
// clock is from ours (a UsernameToken's Created must fall within the camera's
// window, and installers meet cameras hours or years off), and which way of
// signing in it took, so later calls go straight to it.
namespace vexlo::onvif {

enum class AuthMethod
{
    Unknown,       // nothing worked yet: WS-Security first, then HTTP Digest
    UsernameToken, // WS-Security UsernameToken in the SOAP header
    HttpDigest     // HTTP Digest; the SOAP header carries no token
};

// Thread safety: every member locks; any thread may call any of them.
class AuthState
{
public:
    using Clock = std::chrono::system_clock;

    // False until the camera's clock was read or set.
    bool clockKnown() const;
    // Camera minus local time; zero while unknown or unreadable.
    Clock::duration clockOffset() const;
    // What the camera's clock reads now, as far as we know.
    TimePoint cameraNow() const;
    void setCameraTime(TimePoint cameraTime, TimePoint localTime);
    // The camera would not tell its time: sign with ours.
    void clockUnreadable();

    AuthMethod method() const;
    void remember(AuthMethod method);

    // The camera's latest Digest challenge and the nonce count for the next
    // request signed with it, counted up on every call; nothing before any.
    struct DigestTurn
    {
        DigestChallenge challenge;
        std::uint32_t nonceCount = 0;
    };
    std::optional<DigestTurn> nextDigest();
    void setChallenge(DigestChallenge challenge);

private:
    mutable std::mutex m_mutex;
    std::optional<Clock::duration> m_offset;
    AuthMethod m_method = AuthMethod::Unknown;
    std::optional<DigestChallenge> m_challenge;
    std::uint32_t m_nonceCount = 0;
};

std::string_view authMethodName(AuthMethod method);

} // namespace vexlo::onvif
