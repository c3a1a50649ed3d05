#include "input_checks.h"

#include "onvif/discovery_messages.h"
#include "onvif/soap_fault.h"
#include "onvif/ws_security.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace vexlo::onvif;

namespace {

// Random text, or a valid sample with edits of the kinds that break text
// parsers: flipped bits, markup characters dropped in, cuts, deletions and
// duplicated runs.
class Mutator
{
public:
    explicit Mutator(std::uint32_t seed) : m_random(seed) {}

    std::string next(const std::vector<std::string>& valid, int round)
    {
        static constexpr std::string_view kMarkup = "<>/\"'=&;:,.\\\n";
        std::string text =
            round % 4 == 0 ? std::string(below(400), ' ') : valid[below(valid.size())];
        if (round % 4 == 0) {
            for (char& c : text)
                c = below(2) ? kMarkup[below(kMarkup.size())] : static_cast<char>(m_random());
            return text;
        }
        for (std::size_t edit = 0, edits = 1 + below(4); edit < edits; ++edit) {
            const std::size_t at = below(text.size());
            switch (below(5)) {
            case 0:
                if (!text.empty())
                    text[at] = static_cast<char>(text[at] ^ (1 << below(8)));
                break;
            case 1:
                text.insert(at, 1, kMarkup[below(kMarkup.size())]);
                break;
            case 2:
                text.resize(at);
                break;
            case 3:
                text.erase(at, 1 + below(8));
                break;
            default:
                text.insert(at, text.substr(at, below(text.size() - at + 1)));
                break;
            }
        }
        return text;
    }

private:
    std::size_t below(std::size_t bound) { return bound == 0 ? 0 : m_random() % bound; }

    std::mt19937 m_random;
};

template <typename Check>
void survive(std::uint32_t seed, const std::vector<std::string>& valid, Check check)
{
    for (const std::string& sample : valid)
        ASSERT_EQ(check(sample), "") << "the checks must accept our own output:\n" << sample;
    Mutator mutator(seed);
    for (int round = 0; round < 20000; ++round) {
        const std::string input = mutator.next(valid, round);
        const std::string problem = check(input);
        ASSERT_TRUE(problem.empty()) << problem << " (round " << round << ")\n" << input;
    }
}

TEST(RandomInput, SoapEnvelopesFaultsAndTokensSurvive)
{
    const TimePoint now = *parseCreated("2024-05-01T08:30:00Z");
    survive(
        20240501,
        {buildFault({"Sender", {"NotAuthorized"}, "Sender not authorized"}),
         buildFault({"Receiver", {"ActionNotSupported", "X"}, "<&>"}),
         buildEnvelope("<x/>", std::vector{buildSecurityHeader("admin", "pw", now, Bytes{1, 2})}),
         R"(<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body><s:Fault>)"
         R"(<faultcode>s:Client.Auth</faultcode><faultstring>no</faultstring></s:Fault></s:Body></s:Envelope>)"},
        checks::checkSoapInput);
}

TEST(RandomInput, DigestHeadersSurvive)
{
    survive(
        19990101,
        {R"(Digest realm="cam", qop="auth,auth-int", nonce="abc", opaque="o\"p", algorithm=MD5-sess, stale=true)",
         R"(Basic realm="x", Digest realm="y", nonce=n, algorithm=SHA-256)",
         R"(Digest username="admin", realm="cam", nonce="abc", uri="/onvif/device_service", algorithm=MD5, )"
         R"(response="0123456789abcdef", opaque="o", qop=auth, nc=00000001, cnonce="c")",
         R"(Digest username="a", nonce="n", uri=rtsp://127.0.0.1/x, response="r")"},
        checks::checkDigestInput);
}

TEST(RandomInput, DiscoveryMessagesSurvive)
{
    const DiscoveryTarget target{"urn:uuid:abc",
                                 {networkVideoTransmitter(), {"", "Bare"}},
                                 {"onvif://www.onvif.org/name/A&B"},
                                 {"http://127.0.0.1/onvif/device_service"},
                                 2};
    survive(20050401,
            {buildProbe(
                 {"urn:uuid:p", {networkVideoTransmitter(), {"http://x/y", "Z"}}, {"onvif://a/b"}}),
             buildProbeMatches({"urn:uuid:m", "urn:uuid:p", {1, 2}, {target, target}}),
             buildHello({"urn:uuid:h", {1, 3}, target}), buildBye({"urn:uuid:b", {1, 4}, target})},
            checks::checkDiscoveryInput);
}

} // namespace
