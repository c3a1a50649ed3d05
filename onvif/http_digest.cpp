#include "onvif/http_digest.h"

#include "onvif/encoding.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

namespace vexlo::onvif {

namespace {

using Params = std::vector<std::pair<std::string, std::string>>;

// One auth-scheme and its name=value parameters.
struct AuthItem
{
    std::string scheme;
    Params params;
    bool broken = false; // unterminated quote or a repeated parameter
};

bool isTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// The challenge and credentials grammar, read leniently: a token followed by
// '=' is a parameter of the current scheme, any other token starts a new
// scheme. Whatever cannot be read is skipped a byte at a time, so every input
// ends, and only the scheme it belongs to is marked broken.
std::vector<AuthItem> splitAuthItems(std::string_view value)
{
    std::vector<AuthItem> items;
    std::size_t at = 0;
    while (at < value.size()) {
        if (isBlank(value[at]) || value[at] == ',') {
            ++at;
            continue;
        }
        const std::size_t start = at;
        while (at < value.size() && isTokenChar(value[at]))
            ++at;
        if (at == start) {
            if (!items.empty())
                items.back().broken = true;
            ++at;
            continue;
        }
        const std::string_view name = value.substr(start, at - start);
        std::size_t look = at;
        while (look < value.size() && isBlank(value[look]))
            ++look;
        if (items.empty() || look >= value.size() || value[look] != '=') {
            items.push_back({std::string(name), {}, false});
            continue;
        }
        at = look + 1;
        while (at < value.size() && isBlank(value[at]))
            ++at;
        std::string parameter;
        if (at < value.size() && value[at] == '"') {
            ++at;
            bool closed = false;
            while (at < value.size()) {
                const char c = value[at++];
                if (c == '\\' && at < value.size()) {
                    parameter.push_back(value[at++]);
                } else if (c == '"') {
                    closed = true;
                    break;
                } else {
                    parameter.push_back(c);
                }
            }
            if (!closed)
                items.back().broken = true;
        } else {
            // Unquoted values are tokens, but some makes write a bare URI.
            while (at < value.size() && value[at] != ',' && !isBlank(value[at]) && value[at] != '"')
                parameter.push_back(value[at++]);
        }
        AuthItem& item = items.back();
        std::string key = lowerAscii(name);
        const bool repeated = std::any_of(item.params.begin(), item.params.end(),
                                          [&key](const auto& p) { return p.first == key; });
        if (repeated)
            item.broken = true;
        else
            item.params.emplace_back(std::move(key), std::move(parameter));
    }
    return items;
}

const std::string* findParam(const Params& params, std::string_view name)
{
    for (const auto& [key, value] : params) {
        if (key == name)
            return &value;
    }
    return nullptr;
}

std::string paramOr(const Params& params, std::string_view name)
{
    const std::string* value = findParam(params, name);
    return value ? *value : std::string();
}

bool hasControlCharacter(std::string_view value)
{
    return std::any_of(value.begin(), value.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// Appends name="value" with '"' and '\' escaped; false for a value no header can carry.
bool appendQuoted(std::string& out, std::string_view name, std::string_view value)
{
    if (hasControlCharacter(value))
        return false;
    if (!out.empty() && out.back() != ' ')
        out += ", ";
    out += name;
    out += "=\"";
    for (const char c : value) {
        if (c == '"' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
    }
    out += '"';
    return true;
}

void appendToken(std::string& out, std::string_view name, std::string_view value)
{
    out += ", ";
    out += name;
    out += '=';
    out += value;
}

bool isSession(DigestAlgorithm algorithm)
{
    return algorithm == DigestAlgorithm::Md5Sess || algorithm == DigestAlgorithm::Sha256Sess;
}

int preference(DigestAlgorithm algorithm)
{
    switch (algorithm) {
    case DigestAlgorithm::Sha256:
        return 4;
    case DigestAlgorithm::Sha256Sess:
        return 3;
    case DigestAlgorithm::Md5:
        return 2;
    case DigestAlgorithm::Md5Sess:
        return 1;
    }
    return 0;
}

bool answerable(const DigestChallenge& challenge)
{
    if (challenge.qop.empty())
        return !isSession(challenge.algorithm); // a session hash needs a cnonce, which needs qop
    return std::find(challenge.qop.begin(), challenge.qop.end(), "auth") != challenge.qop.end();
}

} // namespace

std::string_view algorithmName(DigestAlgorithm algorithm)
{
    switch (algorithm) {
    case DigestAlgorithm::Md5:
        return "MD5";
    case DigestAlgorithm::Md5Sess:
        return "MD5-sess";
    case DigestAlgorithm::Sha256:
        return "SHA-256";
    case DigestAlgorithm::Sha256Sess:
        return "SHA-256-sess";
    }
    return "MD5";
}

std::optional<DigestAlgorithm> parseAlgorithm(std::string_view name)
{
    for (const DigestAlgorithm algorithm : {DigestAlgorithm::Md5, DigestAlgorithm::Md5Sess,
                                            DigestAlgorithm::Sha256, DigestAlgorithm::Sha256Sess}) {
        if (equalsIgnoringCase(name, algorithmName(algorithm)))
            return algorithm;
    }
    return std::nullopt;
}

std::vector<DigestChallenge> parseChallenges(std::string_view headerValue)
{
    std::vector<DigestChallenge> out;
    if (headerValue.size() > kMaxAuthHeaderBytes)
        return out;
    for (const AuthItem& item : splitAuthItems(headerValue)) {
        if (item.broken || !equalsIgnoringCase(item.scheme, "Digest"))
            continue;
        DigestChallenge challenge;
        const std::string* nonce = findParam(item.params, "nonce");
        const std::string* algorithm = findParam(item.params, "algorithm");
        const std::optional<DigestAlgorithm> known =
            algorithm ? parseAlgorithm(*algorithm) : DigestAlgorithm::Md5;
        if (!nonce || !known)
            continue;
        challenge.nonce = *nonce;
        challenge.algorithm = *known;
        challenge.realm = paramOr(item.params, "realm");
        challenge.opaque = paramOr(item.params, "opaque");
        challenge.stale = equalsIgnoringCase(paramOr(item.params, "stale"), "true");
        const std::string qop = paramOr(item.params, "qop");
        std::size_t at = 0;
        while (at <= qop.size()) {
            std::size_t end = qop.find(',', at);
            if (end == std::string::npos)
                end = qop.size();
            std::string_view option = std::string_view(qop).substr(at, end - at);
            while (!option.empty() && isBlank(option.front()))
                option.remove_prefix(1);
            while (!option.empty() && isBlank(option.back()))
                option.remove_suffix(1);
            if (!option.empty())
                challenge.qop.push_back(lowerAscii(option));
            at = end + 1;
        }
        out.push_back(std::move(challenge));
    }
    return out;
}

std::optional<DigestChallenge> preferredChallenge(std::span<const std::string> headerValues)
{
    std::optional<DigestChallenge> best;
    for (const std::string& value : headerValues) {
        for (DigestChallenge& challenge : parseChallenges(value)) {
            if (answerable(challenge) &&
                (!best || preference(challenge.algorithm) > preference(best->algorithm)))
                best = std::move(challenge);
        }
    }
    return best;
}

std::optional<std::string> formatChallenge(const DigestChallenge& challenge)
{
    std::string out = "Digest ";
    std::string qop;
    for (const std::string& option : challenge.qop)
        qop += (qop.empty() ? "" : ",") + option;
    if (!appendQuoted(out, "realm", challenge.realm) ||
        (!qop.empty() && !appendQuoted(out, "qop", qop)))
        return std::nullopt;
    appendToken(out, "algorithm", algorithmName(challenge.algorithm));
    if (!appendQuoted(out, "nonce", challenge.nonce) ||
        (!challenge.opaque.empty() && !appendQuoted(out, "opaque", challenge.opaque)))
        return std::nullopt;
    if (challenge.stale)
        appendToken(out, "stale", "true");
    return out;
}

std::optional<DigestAuthorization> parseAuthorization(std::string_view headerValue)
{
    if (headerValue.size() > kMaxAuthHeaderBytes)
        return std::nullopt;
    const std::vector<AuthItem> items = splitAuthItems(headerValue);
    // Exactly one set of credentials; anything else is not for us to guess at.
    if (items.size() != 1 || items[0].broken || !equalsIgnoringCase(items[0].scheme, "Digest"))
        return std::nullopt;
    const Params& params = items[0].params;
    DigestAuthorization out;
    for (const char* required : {"username", "nonce", "uri", "response"}) {
        if (!findParam(params, required))
            return std::nullopt;
    }
    out.username = paramOr(params, "username");
    out.realm = paramOr(params, "realm");
    out.nonce = paramOr(params, "nonce");
    out.uri = paramOr(params, "uri");
    out.response = lowerAscii(paramOr(params, "response"));
    out.opaque = paramOr(params, "opaque");
    out.qop = lowerAscii(paramOr(params, "qop"));
    out.nc = paramOr(params, "nc");
    out.cnonce = paramOr(params, "cnonce");
    if (const std::string* algorithm = findParam(params, "algorithm")) {
        const std::optional<DigestAlgorithm> known = parseAlgorithm(*algorithm);
        if (!known)
            return std::nullopt;
        out.algorithm = *known;
    }
    if (out.qop.empty()) {
        // Without qop the count and client nonce take no part in the digest.
        out.nc.clear();
        out.cnonce.clear();
    } else if (out.nc.empty() || out.cnonce.empty()) {
        return std::nullopt;
    }
    return out;
}

std::optional<std::string> formatAuthorization(const DigestAuthorization& a)
{
    std::string out = "Digest ";
    if (!appendQuoted(out, "username", a.username) || !appendQuoted(out, "realm", a.realm) ||
        !appendQuoted(out, "nonce", a.nonce) || !appendQuoted(out, "uri", a.uri))
        return std::nullopt;
    appendToken(out, "algorithm", algorithmName(a.algorithm));
    if (!appendQuoted(out, "response", a.response) ||
        (!a.opaque.empty() && !appendQuoted(out, "opaque", a.opaque)))
        return std::nullopt;
    if (!a.qop.empty()) {
        // qop and nc go out as tokens: a few servers reject them quoted.
        const auto isToken = [](std::string_view v) {
            return !v.empty() && std::all_of(v.begin(), v.end(), isTokenChar);
        };
        if (!isToken(a.qop) || !isToken(a.nc))
            return std::nullopt;
        appendToken(out, "qop", a.qop);
        appendToken(out, "nc", a.nc);
        if (!appendQuoted(out, "cnonce", a.cnonce))
            return std::nullopt;
    }
    return out;
}

std::string computeResponse(const DigestInput& in)
{
    const HashKind kind =
        in.algorithm == DigestAlgorithm::Md5 || in.algorithm == DigestAlgorithm::Md5Sess
            ? HashKind::Md5
            : HashKind::Sha256;
    const auto h = [kind](const std::string& text) { return hexLower(hash(kind, text)); };
    const auto join = [](std::initializer_list<std::string_view> parts) {
        std::string out;
        bool first = true;
        for (const std::string_view part : parts) {
            if (!first)
                out += ':';
            first = false;
            out += part;
        }
        return out;
    };
    std::string ha1 = h(join({in.username, in.realm, in.password}));
    if (isSession(in.algorithm))
        ha1 = h(join({ha1, in.nonce, in.cnonce}));
    const std::string ha2 = h(join({in.method, in.uri}));
    if (in.qop.empty())
        return h(join({ha1, in.nonce, ha2}));
    return h(join({ha1, in.nonce, in.nc, in.cnonce, in.qop, ha2}));
}

std::optional<std::string> buildAuthorization(const DigestChallenge& challenge,
                                              std::string_view user, std::string_view password,
                                              std::string_view method, std::string_view uri,
                                              std::uint32_t nc, std::string_view cnonce)
{
    if (!answerable(challenge))
        return std::nullopt;
    DigestAuthorization a;
    a.username = user;
    a.realm = challenge.realm;
    a.nonce = challenge.nonce;
    a.uri = uri;
    a.opaque = challenge.opaque;
    a.algorithm = challenge.algorithm;
    if (!challenge.qop.empty()) {
        char count[9];
        std::snprintf(count, sizeof count, "%08x", nc);
        a.qop = "auth";
        a.nc = count;
        a.cnonce = cnonce;
    }
    a.response = computeResponse({a.algorithm, a.username, a.realm, password, a.nonce, method,
                                  a.uri, a.qop, a.nc, a.cnonce});
    return formatAuthorization(a);
}

std::optional<std::string> buildAuthorization(const DigestChallenge& challenge,
                                              std::string_view user, std::string_view password,
                                              std::string_view method, std::string_view uri,
                                              std::uint32_t nc)
{
    const std::optional<Bytes> cnonce = randomBytes(16);
    if (!cnonce)
        return std::nullopt;
    return buildAuthorization(challenge, user, password, method, uri, nc, hexLower(*cnonce));
}

} // namespace vexlo::onvif
