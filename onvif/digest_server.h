#pragma once

#include "onvif/http_digest.h"

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vexlo::onvif {

enum class DigestVerdict
{
    Accepted,
    Missing,          // no Digest credentials at all
    Malformed,        // unreadable, or realm, opaque, algorithm, qop or uri not ours
    WrongCredentials, // unknown user or wrong password: one answer for both
    Stale,   // right password on a nonce we no longer hold: challenge again with stale=true
    Replayed // a nonce count already seen for this nonce
};

// The server side of Digest for the simulator's HTTP and RTSP servers. Nonces
// are random, remembered with the time they were issued and the highest nonce
// count seen, and forgotten after `nonceLifetime` or, past `maxNonces`, oldest
// first; a client on a forgotten nonce is told it is stale and retries.
// With qop (the default) a request must count up: a repeated nc is refused.
// Without qop (the RFC 2069 form some RTSP clients want) there is no count,
// so a captured request can be replayed until its nonce expires.
class DigestServer
{
public:
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;
    using PasswordLookup = std::function<std::optional<std::string>(std::string_view user)>;

    struct Options
    {
        std::string realm = "vexlo";
        DigestAlgorithm algorithm = DigestAlgorithm::Md5;
        bool useQop = true;
        std::chrono::seconds nonceLifetime{300};
        std::size_t maxNonces = 1024;
    };

    // Without a clock the steady clock is used; tests pass their own.
    explicit DigestServer(Options options, Now now = {});

    // A WWW-Authenticate value with a fresh nonce; nothing if the random generator failed.
    std::optional<std::string> challenge(bool stale = false);

    // `authorization` is the Authorization header's value ("" when absent);
    // `requestUri` is the request target exactly as it came in the request line.
    DigestVerdict verify(std::string_view authorization, std::string_view method,
                         std::string_view requestUri, const PasswordLookup& passwordOf);

    std::size_t outstandingNonces() const { return m_nonces.size(); }

private:
    struct NonceState
    {
        Clock::time_point issued;
        std::uint64_t highestCount = 0;
    };

    void forgetExpired(Clock::time_point now);

    Options m_options;
    Now m_now;
    std::string m_opaque;
    std::unordered_map<std::string, NonceState> m_nonces;
    std::multimap<Clock::time_point, std::string> m_byIssue;
};

} // namespace vexlo::onvif
