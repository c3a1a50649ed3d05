#include "protocol/login_proof.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <numeric>
#include <string>

using namespace vexlo::protocol;

namespace {

std::string hex(const Proof& proof)
{
    std::string text;
    char digits[3];
    for (const std::uint8_t byte : proof) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        text += digits;
    }
    return text;
}

Nonce countingNonce()
{
    Nonce nonce{};
    std::iota(nonce.begin(), nonce.end(), 0);
    return nonce;
}

TEST(LoginProof, IsHmacSha256OfNonceThenUserNameKeyedWithThePassword)
{
    // Reference values computed independently (openssl dgst -sha256 -hmac).
    EXPECT_EQ(hex(computeLoginProof("secret", countingNonce(), "admin")),
              "024e269cdc9bcdb5179295fb16b887d8e52063b772d78ffd05f708ff9d4970b2");
    EXPECT_EQ(hex(computeLoginProof("", countingNonce(), "admin")),
              "3a240e94c551cb88e1bbcd83433949aa9299e03c6a2a80edb3b72c8f5b8cbb08");
}

TEST(LoginProof, MatchesOnlyTheSamePasswordUserAndNonce)
{
    const Nonce nonce = countingNonce();
    const Proof proof = computeLoginProof("secret", nonce, "admin");
    EXPECT_TRUE(loginProofMatches(proof, "secret", nonce, "admin"));
    EXPECT_FALSE(loginProofMatches(proof, "Secret", nonce, "admin"));
    EXPECT_FALSE(loginProofMatches(proof, "", nonce, "admin"));
    EXPECT_FALSE(loginProofMatches(proof, "secret", nonce, "admin2"));
    Nonce other = nonce;
    other[31] ^= 1;
    EXPECT_FALSE(loginProofMatches(proof, "secret", other, "admin"));
}

TEST(LoginProof, NoncesAreFresh)
{
    const auto first = makeNonce();
    const auto second = makeNonce();
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
}

} // namespace
