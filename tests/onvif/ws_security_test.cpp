#include "onvif/soap.h"
#include "onvif/username_token_verifier.h"
#include "onvif/ws_security.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>

using namespace vexlo::onvif;
using namespace std::chrono_literals;

namespace {

const Bytes kNonce{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

TimePoint at(std::string_view created)
{
    return *parseCreated(created);
}

std::optional<std::string> passwords(std::string_view user)
{
    if (user == "admin")
        return std::string("secret");
    return std::nullopt;
}

// A request as a client sends it, parsed as the camera would.
struct Request
{
    explicit Request(const std::string& securityHeader)
        : message(*parseEnvelope(buildEnvelope("<x/>", std::array{securityHeader})))
    {
    }
    SoapMessage message;
};

class Verifier : public ::testing::Test
{
protected:
    TokenVerdict check(const std::string& header)
    {
        return m_verifier.verify(Request(header).message.header, passwords);
    }
    std::string token(TimePoint created, const Bytes& nonce = kNonce,
                      std::string_view password = "secret")
    {
        return buildSecurityHeader("admin", password, created, nonce);
    }

    TimePoint m_now = at("2024-05-01T08:30:00Z");
    UsernameTokenVerifier m_verifier{[this] { return m_now; }, TokenLimits{300s, 3}};
};

TEST(UsernameToken, DigestIsBase64OfSha1OverNonceCreatedAndPassword)
{
    // Worked out separately: base64(sha1(bytes 0..15 + "2024-05-01T08:30:00Z" + "secret")).
    EXPECT_EQ(passwordDigest(kNonce, "2024-05-01T08:30:00Z", "secret"),
              "2MZYLW8Vw2+Eg4Qn8z2dH32x7T0=");
}

TEST(UsernameToken, BuiltHeaderCarriesUserDigestNonceAndTheGivenTime)
{
    const std::string header =
        buildSecurityHeader("ad<m>in", "secret", at("2024-05-01T08:30:00Z"), kNonce);
    const auto token = parseUsernameToken(Request(header).message.header);
    ASSERT_TRUE(token);
    EXPECT_EQ(token->username, "ad<m>in");
    EXPECT_TRUE(token->isDigest);
    EXPECT_EQ(token->nonce, "AAECAwQFBgcICQoLDA0ODw==");
    EXPECT_EQ(token->created, "2024-05-01T08:30:00Z");
    EXPECT_EQ(token->password, "2MZYLW8Vw2+Eg4Qn8z2dH32x7T0=");
    const TimePoint now = at("2024-05-01T08:30:00Z");
    EXPECT_NE(*buildSecurityHeader("a", "b", now),
              *buildSecurityHeader("a", "b", now)); // fresh nonces
}

TEST(CreatedTime, FractionsOffsetsAndMissingZoneAreRead)
{
    EXPECT_EQ(at("2024-05-01T10:30:00+02:00"), at("2024-05-01T08:30:00Z"));
    EXPECT_EQ(at("2024-05-01T08:30:00"), at("2024-05-01T08:30:00Z"));
    EXPECT_EQ(at("2024-05-01T08:30:00.250Z") - at("2024-05-01T08:30:00Z"), 250ms);
    EXPECT_EQ(formatCreated(at("2024-05-01T08:30:00.999Z")), "2024-05-01T08:30:00Z");
    for (const char* bad :
         {"2024-02-30T00:00:00Z", "2024-05-01 08:30:00Z", "2024-05-01T24:00:00Z",
          "2024-05-01T08:30:00.Z", "2024-05-01T08:30:00Zjunk", "", "2024-5-1T8:30:00Z"})
        EXPECT_FALSE(parseCreated(bad)) << bad;
}

TEST_F(Verifier, TokenIsAcceptedOnceAndItsReplayRefusedEvenWithTheNonceReWrapped)
{
    std::string header = token(m_now - 10s);
    EXPECT_EQ(check(header), TokenVerdict::Accepted);
    EXPECT_EQ(check(header), TokenVerdict::Replayed);
    header.replace(header.find("AAECAwQF"), 8, "AAEC\nAwQF"); // same bytes, other text
    EXPECT_EQ(check(header), TokenVerdict::Replayed);
}

TEST_F(Verifier, CreatedMoreThanFiveMinutesAwayEitherWayIsStale)
{
    EXPECT_EQ(check(token(m_now - 300s, {1})), TokenVerdict::Accepted);
    EXPECT_EQ(check(token(m_now + 300s, {2})), TokenVerdict::Accepted);
    EXPECT_EQ(check(token(m_now - 301s, {3})), TokenVerdict::Stale);
    EXPECT_EQ(check(token(m_now + 301s, {4})), TokenVerdict::Stale);
}

TEST_F(Verifier, WrongPasswordAndUnknownUserGetTheSameAnswer)
{
    EXPECT_EQ(check(token(m_now, {1}, "guess")), TokenVerdict::WrongCredentials);
    EXPECT_EQ(check(buildSecurityHeader("nobody", "secret", m_now, kNonce)),
              TokenVerdict::WrongCredentials);
}

TEST_F(Verifier, TokensMissingPartsOrInPlainTextAreRefused)
{
    const std::string good = token(m_now);
    auto without = [&good](std::string_view element) {
        const std::size_t start = good.find(std::string("<") + std::string(element));
        const std::size_t end = good.find(std::string("</") + std::string(element));
        std::string cut = good;
        cut.erase(start, good.find('>', end) + 1 - start);
        return cut;
    };
    EXPECT_EQ(check(without("wsse:Nonce")), TokenVerdict::Malformed);
    EXPECT_EQ(check(without("wsu:Created")), TokenVerdict::Malformed);
    std::string plain = good;
    plain.replace(plain.find("#PasswordDigest"), 15, "#PasswordText");
    EXPECT_EQ(check(plain), TokenVerdict::PlainTextRefused);
    std::string badNonce = good;
    badNonce.replace(badNonce.find("AAECAwQF"), 1, "*");
    EXPECT_EQ(check(badNonce), TokenVerdict::Malformed);
    EXPECT_EQ(m_verifier.verify(pugi::xml_node(), passwords), TokenVerdict::Missing);
}

TEST_F(Verifier, TokenFromAnotherMakeWithOtherPrefixesAndAnOffsetTimeVerifies)
{
    const std::string created = "2024-05-01T10:29:58.120+02:00";
    const std::string xml =
        R"(<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://www.w3.org/2003/05/soap-envelope"><SOAP-ENV:Header>)"
        R"(<Security xmlns="http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd">)"
        R"(<UsernameToken><Username>admin</Username><Password Type="http://docs.oasis-open.org/wss/2004/01/)"
        R"(oasis-200401-wss-username-token-profile-1.0#PasswordDigest">)" +
        passwordDigest(kNonce, created, "secret") +
        R"(</Password><Nonce>AAECAwQFBgcICQoL
        DA0ODw==</Nonce><u:Created xmlns:u="x">)" +
        created +
        R"(</u:Created></UsernameToken></Security></SOAP-ENV:Header><SOAP-ENV:Body/></SOAP-ENV:Envelope>)";
    EXPECT_EQ(m_verifier.verify(parseEnvelope(xml)->header, passwords), TokenVerdict::Accepted);
}

TEST_F(Verifier, RememberedNoncesStayBoundedWithoutOpeningAReplay)
{
    // Cap of three: a fourth nonce pushes out the oldest, and tokens no newer
    // than the pushed-out one are refused from then on.
    EXPECT_EQ(check(token(m_now - 40s, {1})), TokenVerdict::Accepted);
    EXPECT_EQ(check(token(m_now - 30s, {2})), TokenVerdict::Accepted);
    EXPECT_EQ(check(token(m_now - 20s, {3})), TokenVerdict::Accepted);
    EXPECT_EQ(check(token(m_now - 10s, {4})), TokenVerdict::Accepted);
    EXPECT_EQ(m_verifier.rememberedNonces(), 3u);
    EXPECT_EQ(check(token(m_now - 40s, {1})), TokenVerdict::Replayed);
    EXPECT_EQ(check(token(m_now - 40s, {9})), TokenVerdict::Replayed);
    EXPECT_EQ(check(token(m_now, {5})), TokenVerdict::Accepted);

    // Past the window every nonce is forgotten: their tokens are stale anyway.
    m_now += 10min;
    EXPECT_EQ(check(token(m_now, {6})), TokenVerdict::Accepted);
    EXPECT_EQ(m_verifier.rememberedNonces(), 1u);
}

} // namespace
