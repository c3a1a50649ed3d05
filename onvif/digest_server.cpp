#include "onvif/digest_server.h"

#include "onvif/encoding.h"

#include <charconv>

namespace vexlo::onvif {

namespace {

std::optional<std::uint64_t> parseNonceCount(std::string_view nc)
{
    std::uint64_t value = 0;
    if (nc.empty() || nc.size() > 8)
        return std::nullopt;
    const auto [end, error] = std::from_chars(nc.data(), nc.data() + nc.size(), value, 16);
    if (error != std::errc() || end != nc.data() + nc.size() || value == 0)
        return std::nullopt;
    return value;
}

} // namespace

DigestServer::DigestServer(Options options, Now now)
    : m_options(std::move(options)), m_now(std::move(now))
{
    if (!m_now)
        m_now = [] { return Clock::now(); };
    if (m_options.maxNonces == 0)
        m_options.maxNonces = 1;
    // The opaque only has to be ours; without one from the generator, none is sent.
    if (const std::optional<Bytes> opaque = randomBytes(12))
        m_opaque = base64Encode(*opaque);
}

std::optional<std::string> DigestServer::challenge(bool stale)
{
    const std::optional<Bytes> bytes = randomBytes(16);
    if (!bytes)
        return std::nullopt;
    const Clock::time_point now = m_now();
    forgetExpired(now);
    while (m_nonces.size() >= m_options.maxNonces) {
        m_nonces.erase(m_byIssue.begin()->second);
        m_byIssue.erase(m_byIssue.begin());
    }
    const std::string nonce = hexLower(*bytes);
    m_nonces.emplace(nonce, NonceState{now, 0});
    m_byIssue.emplace(now, nonce);

    DigestChallenge out;
    out.realm = m_options.realm;
    out.nonce = nonce;
    out.opaque = m_opaque;
    if (m_options.useQop)
        out.qop = {"auth"};
    out.algorithm = m_options.algorithm;
    out.stale = stale;
    return formatChallenge(out);
}

DigestVerdict DigestServer::verify(std::string_view authorization, std::string_view method,
                                   std::string_view requestUri, const PasswordLookup& passwordOf)
{
    const std::string_view scheme = authorization.substr(0, authorization.find_first_of(" \t"));
    if (authorization.empty() || !equalsIgnoringCase(scheme, "Digest"))
        return DigestVerdict::Missing;
    const std::optional<DigestAuthorization> a = parseAuthorization(authorization);
    if (!a)
        return DigestVerdict::Malformed;
    // A uri other than the request's would let a digest for one resource open another.
    if (a->realm != m_options.realm || a->opaque != m_opaque ||
        a->algorithm != m_options.algorithm || a->uri != requestUri)
        return DigestVerdict::Malformed;
    std::optional<std::uint64_t> count;
    if (m_options.useQop) {
        count = parseNonceCount(a->nc);
        if (a->qop != "auth" || !count)
            return DigestVerdict::Malformed;
    } else if (!a->qop.empty()) {
        return DigestVerdict::Malformed;
    }

    // An unknown user is checked against an empty password, so both failures
    // cost the same work.
    const std::optional<std::string> password = passwordOf(a->username);
    const std::string expected =
        computeResponse({a->algorithm, a->username, a->realm, password.value_or(std::string()),
                         a->nonce, method, a->uri, a->qop, a->nc, a->cnonce});
    if (!constantTimeEqual(expected, a->response) || !password)
        return DigestVerdict::WrongCredentials;

    const Clock::time_point now = m_now();
    forgetExpired(now);
    const auto state = m_nonces.find(a->nonce);
    if (state == m_nonces.end())
        return DigestVerdict::Stale;
    if (count) {
        if (*count <= state->second.highestCount)
            return DigestVerdict::Replayed;
        state->second.highestCount = *count;
    }
    return DigestVerdict::Accepted;
}

void DigestServer::forgetExpired(Clock::time_point now)
{
    while (!m_byIssue.empty() && now - m_byIssue.begin()->first >= m_options.nonceLifetime) {
        m_nonces.erase(m_byIssue.begin()->second);
        m_byIssue.erase(m_byIssue.begin());
    }
}

} // namespace vexlo::onvif
