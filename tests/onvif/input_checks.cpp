#include "input_checks.h"

#include "onvif/digest_server.h"
#include "onvif/discovery_messages.h"
#include "onvif/http_digest.h"
#include "onvif/soap_fault.h"
#include "onvif/username_token_verifier.h"

#include <algorithm>
#include <optional>

namespace vexlo::onvif::checks {

namespace {

// Values our writers cannot carry unchanged (control characters, or character
// references that may stand for them) make the first read-back differ; from
// the second on it must be stable.
bool carriedUnchanged(std::string_view bytes)
{
    const bool controls = std::any_of(bytes.begin(), bytes.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
    });
    return !controls && bytes.find("&#") == std::string_view::npos;
}

// Writes what was read with our builder, reads it again, and again.
template <typename T, typename Build, typename Parse>
std::string checkReadBack(std::string_view bytes, const T& first, Build build, Parse parse,
                          const char* what)
{
    const std::optional<T> second = parse(build(first));
    if (!second)
        return std::string(what) + ": our own output does not parse";
    if (carriedUnchanged(bytes) && !(*second == first))
        return std::string(what) + ": read back differently";
    const std::optional<T> third = parse(build(*second));
    if (!third || !(*third == *second))
        return std::string(what) + ": not stable when written again";
    return {};
}

} // namespace

std::string checkSoapInput(std::string_view bytes)
{
    const std::optional<SoapMessage> message = parseEnvelope(bytes);
    if (!message)
        return {};
    if (!message->body)
        return "envelope accepted without a body";
    (void)message->action();
    UsernameTokenVerifier verifier([] { return TimePoint{}; });
    (void)verifier.verify(message->header, [](std::string_view) { return std::string("pw"); });

    const std::optional<SoapFault> fault = parseFault(*message);
    if (!fault)
        return {};
    return checkReadBack(
        bytes, *fault, buildFault, [](std::string_view xml) { return parseFault(xml); }, "fault");
}

std::string checkDigestInput(std::string_view bytes)
{
    for (const DigestChallenge& challenge : parseChallenges(bytes)) {
        const std::optional<std::string> text = formatChallenge(challenge);
        if (!text)
            continue;
        const std::vector<DigestChallenge> again = parseChallenges(*text);
        if (again.size() != 1 || !(again[0] == challenge))
            return "challenge read back differently: " + *text;
    }
    if (const std::optional<DigestAuthorization> authorization = parseAuthorization(bytes)) {
        if (const std::optional<std::string> text = formatAuthorization(*authorization)) {
            const std::optional<DigestAuthorization> again = parseAuthorization(*text);
            if (!again || !(*again == *authorization))
                return "authorization read back differently: " + *text;
        }
    }
    DigestServer server({}, [] { return DigestServer::Clock::time_point{}; });
    (void)server.challenge();
    (void)server.verify(bytes, "GET", "/", [](std::string_view) { return std::string("pw"); });
    return {};
}

std::string checkDiscoveryInput(std::string_view bytes)
{
    std::string problem;
    if (const std::optional<Probe> probe = parseProbe(bytes)) {
        (void)typesMatch(std::vector{networkVideoTransmitter()}, probe->types);
        problem = checkReadBack(bytes, *probe, buildProbe, parseProbe, "probe");
    }
    if (const std::optional<ProbeMatches> matches = parseProbeMatches(bytes);
        matches && problem.empty())
        problem = checkReadBack(bytes, *matches, buildProbeMatches, parseProbeMatches, "matches");
    if (const std::optional<Announcement> hello = parseHello(bytes); hello && problem.empty())
        problem = checkReadBack(bytes, *hello, buildHello, parseHello, "hello");
    if (const std::optional<Announcement> bye = parseBye(bytes); bye && problem.empty())
        problem = checkReadBack(bytes, *bye, buildBye, parseBye, "bye");
    return problem;
}

} // namespace vexlo::onvif::checks
