#include "onvif/digest_server.h"
#include "onvif/http_digest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace vexlo::onvif;
using namespace std::chrono_literals;

namespace {

std::optional<std::string> passwords(std::string_view user)
{
    if (user == "admin")
        return std::string("secret");
    return std::nullopt;
}

TEST(DigestResponse, MatchesTheWorkedExamplesOfRfc2617And7616And2069)
{
    const std::string n2617 = "dcd98b7102dd2f0e8b11d0f600bfb0c093";
    const std::string n7616 = "7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v";
    const std::string c7616 = "f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ";
    const auto response = [](DigestAlgorithm algorithm, std::string_view realm,
                             std::string_view password, std::string_view nonce,
                             std::string_view qop, std::string_view cnonce) {
        return computeResponse({algorithm, "Mufasa", realm, password, nonce, "GET",
                                "/dir/index.html", qop, qop.empty() ? "" : "00000001", cnonce});
    };
    EXPECT_EQ(response(DigestAlgorithm::Md5, "testrealm@host.com", "Circle Of Life", n2617, "auth",
                       "0a4f113b"),
              "6629fae49393a05397450978507c4ef1");
    EXPECT_EQ(response(DigestAlgorithm::Md5, "http-auth@example.org", "Circle of Life", n7616,
                       "auth", c7616),
              "8ca523f5e9506fed4657c9700eebdbec");
    EXPECT_EQ(response(DigestAlgorithm::Sha256, "http-auth@example.org", "Circle of Life", n7616,
                       "auth", c7616),
              "753927fa0e85d155564e2e272a28d1802ca10daf4496794697cf8db5856cb6c1");
    // The form without qop that many RTSP servers still ask for.
    EXPECT_EQ(response(DigestAlgorithm::Md5, "testrealm@host.com", "CircleOfLife", n2617, "", ""),
              "1949323746fe6a43ef61f9606e7febea");
}

TEST(DigestChallenge, SeveralSchemesInOneHeaderWithEscapesAndOddCase)
{
    const auto challenges = parseChallenges(
        R"(Basic realm="cam", DIGEST Realm="IP \"Camera\"\\1", qop="auth, auth-int",)"
        R"( Nonce=abc123, Algorithm=md5-SESS, stale=TRUE, opaque="o,p", Digest realm="x", nonce="n")");
    ASSERT_EQ(challenges.size(), 2u);
    EXPECT_EQ(challenges[0].realm, R"(IP "Camera"\1)");
    EXPECT_EQ(challenges[0].nonce, "abc123");
    EXPECT_EQ(challenges[0].qop, (std::vector<std::string>{"auth", "auth-int"}));
    EXPECT_EQ(challenges[0].algorithm, DigestAlgorithm::Md5Sess);
    EXPECT_TRUE(challenges[0].stale);
    EXPECT_EQ(challenges[0].opaque, "o,p");
    EXPECT_EQ(challenges[1].algorithm, DigestAlgorithm::Md5);
    EXPECT_TRUE(challenges[1].qop.empty());
}

TEST(DigestChallenge, UnusableChallengesArePassedOver)
{
    EXPECT_TRUE(parseChallenges(R"(Digest realm="r", nonce="n", algorithm=SHA-512-256)").empty());
    EXPECT_TRUE(parseChallenges(R"(Digest realm="r")").empty());            // no nonce
    EXPECT_TRUE(parseChallenges(R"(Digest realm="r", nonce="n)").empty());  // unterminated
    EXPECT_TRUE(parseChallenges(R"(Digest nonce="a", nonce="b")").empty()); // repeated
    EXPECT_TRUE(parseChallenges(std::string(kMaxAuthHeaderBytes + 1, 'D')).empty());
    EXPECT_EQ(parseChallenges(R"(Negotiate YII==, Digest nonce="n")").size(), 1u);
}

TEST(DigestChallenge, Sha256IsPreferredAcrossSeveralHeadersAndAuthIntOnlyIsNotAnswerable)
{
    const std::vector<std::string> headers{
        R"(Digest realm="r", nonce="m", qop="auth")",
        R"(Digest realm="r", nonce="s", qop="auth-int", algorithm=SHA-256)",
        R"(Digest realm="r", nonce="t", qop="auth", algorithm=SHA-256)"};
    const auto chosen = preferredChallenge(headers);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->nonce, "t");
    EXPECT_FALSE(preferredChallenge(std::vector<std::string>{headers[1]}));
}

TEST(DigestClient, AuthorizationAnswersTheChallengeAndCannotCarryInjectedLines)
{
    DigestChallenge challenge{"cam", "n0nce", "op", {"auth"}, DigestAlgorithm::Sha256, false};
    const auto header = buildAuthorization(challenge, "ad\"min", "secret", "POST",
                                           "/onvif/device_service", 2, "c1");
    ASSERT_TRUE(header);
    const auto parsed = parseAuthorization(*header);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->username, "ad\"min");
    EXPECT_EQ(parsed->nc, "00000002");
    EXPECT_EQ(parsed->qop, "auth");
    EXPECT_EQ(parsed->opaque, "op");
    EXPECT_EQ(parsed->algorithm, DigestAlgorithm::Sha256);
    EXPECT_EQ(parsed->response,
              computeResponse({DigestAlgorithm::Sha256, "ad\"min", "cam", "secret", "n0nce", "POST",
                               "/onvif/device_service", "auth", "00000002", "c1"}));

    EXPECT_FALSE(buildAuthorization(challenge, "admin\r\nX-Evil: 1", "pw", "GET", "/", 1, "c"));
    EXPECT_FALSE(buildAuthorization(challenge, "admin", "pw", "GET", "/\n", 1, "c"));
}

TEST(DigestAuthorization, IncompleteOrDoubledCredentialsAreRefused)
{
    EXPECT_FALSE(parseAuthorization(R"(Digest username="a", nonce="n", uri="/")"));
    EXPECT_FALSE(
        parseAuthorization(R"(Digest username="a", nonce="n", uri="/", response="r", qop=auth)"));
    EXPECT_FALSE(parseAuthorization(R"(Basic YWRtaW46c2VjcmV0)"));
    EXPECT_FALSE(parseAuthorization(
        R"(Digest username="a", nonce="n", uri="/", response="r", Digest username="b", nonce="n", uri="/", response="r")"));
    // Unquoted uri as some clients write it.
    const auto bare =
        parseAuthorization(R"(Digest username="a", nonce="n", uri=/x?y=1, response="AB")");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->uri, "/x?y=1");
    EXPECT_EQ(bare->response, "ab");
}

class DigestServerTest : public ::testing::Test
{
protected:
    DigestServerTest()
        : m_server(DigestServer::Options{"cam", DigestAlgorithm::Md5, true, 60s, 2},
                   [this] { return m_now; })
    {
    }

    DigestChallenge fresh() { return parseChallenges(*m_server.challenge()).at(0); }
    DigestVerdict send(const DigestChallenge& challenge, std::uint32_t nc,
                       std::string_view password = "secret",
                       std::string_view uri = "/onvif/device_service")
    {
        const auto header = buildAuthorization(challenge, "admin", password, "POST", uri, nc, "cn");
        return m_server.verify(*header, "POST", "/onvif/device_service", passwords);
    }

    DigestServer::Clock::time_point m_now{};
    DigestServer m_server;
};

TEST_F(DigestServerTest, IssuedChallengeIsAnsweredAndCountsMustRise)
{
    const DigestChallenge challenge = fresh();
    EXPECT_EQ(challenge.realm, "cam");
    EXPECT_FALSE(challenge.opaque.empty());
    EXPECT_EQ(send(challenge, 1), DigestVerdict::Accepted);
    EXPECT_EQ(send(challenge, 2), DigestVerdict::Accepted);
    EXPECT_EQ(send(challenge, 2), DigestVerdict::Replayed);
    EXPECT_EQ(send(challenge, 1), DigestVerdict::Replayed);
}

TEST_F(DigestServerTest, WrongPasswordUriOrOpaqueIsRefused)
{
    DigestChallenge challenge = fresh();
    EXPECT_EQ(send(challenge, 1, "guess"), DigestVerdict::WrongCredentials);
    EXPECT_EQ(send(challenge, 2, "secret", "/onvif/other"), DigestVerdict::Malformed);
    challenge.opaque = "forged";
    EXPECT_EQ(send(challenge, 3), DigestVerdict::Malformed);
    EXPECT_EQ(m_server.verify("", "POST", "/", passwords), DigestVerdict::Missing);
    EXPECT_EQ(m_server.verify("Basic YWRtaW46c2VjcmV0", "POST", "/", passwords),
              DigestVerdict::Missing);
}

TEST_F(DigestServerTest, NonceWeDidNotIssueOrThatExpiredIsStaleOnlyWithTheRightPassword)
{
    DigestChallenge forged = fresh();
    forged.nonce = "0123456789abcdef";
    EXPECT_EQ(send(forged, 1), DigestVerdict::Stale);
    EXPECT_EQ(send(forged, 1, "guess"), DigestVerdict::WrongCredentials);

    const DigestChallenge challenge = fresh();
    m_now += 61s;
    EXPECT_EQ(send(challenge, 1), DigestVerdict::Stale);
    EXPECT_NE(m_server.challenge(true)->find("stale=true"), std::string::npos);
}

TEST_F(DigestServerTest, OutstandingNoncesAreCappedOldestFirst)
{
    const DigestChallenge first = fresh();
    m_now += 1s;
    const DigestChallenge second = fresh();
    m_now += 1s;
    const DigestChallenge third = fresh();
    EXPECT_EQ(m_server.outstandingNonces(), 2u);
    EXPECT_EQ(send(first, 1), DigestVerdict::Stale);
    EXPECT_EQ(send(second, 1), DigestVerdict::Accepted);
    EXPECT_EQ(send(third, 1), DigestVerdict::Accepted);
}

TEST(DigestServerLegacy, ServerWithoutQopTakesTheRtspFormForItsMethodOnly)
{
    DigestServer server(DigestServer::Options{"RTSP", DigestAlgorithm::Md5, false, 60s, 8});
    const auto challenges = parseChallenges(*server.challenge());
    ASSERT_EQ(challenges.size(), 1u);
    EXPECT_TRUE(challenges[0].qop.empty());
    const std::string uri = "rtsp://127.0.0.1:8554/live";
    const auto header = buildAuthorization(challenges[0], "admin", "secret", "DESCRIBE", uri, 1);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->find("cnonce"), std::string::npos);
    EXPECT_EQ(server.verify(*header, "DESCRIBE", uri, passwords), DigestVerdict::Accepted);
    EXPECT_EQ(server.verify(*header, "SETUP", uri, passwords), DigestVerdict::WrongCredentials);
}

} // namespace
