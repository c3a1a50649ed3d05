#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// HTTP Digest access authentication (RFC 7616, with the RFC 2069 form that
// has no qop), one implementation for HTTP and RTSP: the method and the
// request URI are the only things that differ.
namespace vexlo::onvif {

// Longer header values are refused unread.
inline constexpr std::size_t kMaxAuthHeaderBytes = 16 * 1024;

enum class DigestAlgorithm
{
    Md5,
    Md5Sess,
    Sha256,
    Sha256Sess
};

std::string_view algorithmName(DigestAlgorithm algorithm);
std::optional<DigestAlgorithm> parseAlgorithm(std::string_view name); // any letter case

struct DigestChallenge
{
    std::string realm;
    std::string nonce;
    std::string opaque;
    std::vector<std::string> qop; // as offered, lower case; empty from an RFC 2069 server
    DigestAlgorithm algorithm = DigestAlgorithm::Md5;
    bool stale = false;

    bool operator==(const DigestChallenge&) const = default;
};

// Every Digest challenge in one WWW-Authenticate value (which may also hold
// Basic or other schemes). Challenges without a nonce, with an algorithm we do
// not know, with a repeated or unterminated parameter, are passed over.
std::vector<DigestChallenge> parseChallenges(std::string_view headerValue);
// The one to answer among all WWW-Authenticate headers of a reply: SHA-256
// before MD5, and only one we can answer (qop auth, or no qop).
std::optional<DigestChallenge> preferredChallenge(std::span<const std::string> headerValues);
// A WWW-Authenticate value; nothing if a value holds a control character.
std::optional<std::string> formatChallenge(const DigestChallenge& challenge);

struct DigestAuthorization
{
    std::string username;
    std::string realm;
    std::string nonce;
    std::string uri;
    std::string response;
    std::string opaque;
    std::string qop; // empty in the RFC 2069 form, then nc and cnonce are too
    std::string nc;
    std::string cnonce;
    DigestAlgorithm algorithm = DigestAlgorithm::Md5;

    bool operator==(const DigestAuthorization&) const = default;
};

std::optional<DigestAuthorization> parseAuthorization(std::string_view headerValue);
// An Authorization value; nothing if a value holds a control character.
std::optional<std::string> formatAuthorization(const DigestAuthorization& authorization);

struct DigestInput
{
    DigestAlgorithm algorithm = DigestAlgorithm::Md5;
    std::string_view username;
    std::string_view realm;
    std::string_view password;
    std::string_view nonce;
    std::string_view method;
    std::string_view uri;
    std::string_view qop; // "" for the RFC 2069 form
    std::string_view nc;
    std::string_view cnonce;
};

// The request-digest in lower-case hex.
std::string computeResponse(const DigestInput& input);

// Client side: the Authorization value answering `challenge`. `nc` counts the
// requests made with this nonce, from 1. Nothing when the challenge only
// offers a qop we cannot do (auth-int), or a value holds a control character.
std::optional<std::string> buildAuthorization(const DigestChallenge& challenge,
                                              std::string_view user, std::string_view password,
                                              std::string_view method, std::string_view uri,
                                              std::uint32_t nc, std::string_view cnonce);
// The same with a fresh random cnonce.
std::optional<std::string> buildAuthorization(const DigestChallenge& challenge,
                                              std::string_view user, std::string_view password,
                                              std::string_view method, std::string_view uri,
                                              std::uint32_t nc);

} // namespace vexlo::onvif
