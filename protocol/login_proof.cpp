#include "protocol/login_proof.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <vector>

namespace vexlo::protocol {

Proof computeLoginProof(std::string_view password, const Nonce& nonce, std::string_view userName)
{
    std::vector<unsigned char> message(nonce.begin(), nonce.end());
    message.insert(message.end(), userName.begin(), userName.end());

    // An empty password is a valid key; OpenSSL only wants a non-null pointer for it.
    static const unsigned char kEmptyKey = 0;
    const void* key = password.empty() ? static_cast<const void*>(&kEmptyKey) : password.data();

    Proof proof{};
    unsigned int length = 0;
    const unsigned char* result = HMAC(EVP_sha256(), key, static_cast<int>(password.size()),
                                       message.data(), message.size(), proof.data(), &length);
    if (result == nullptr || length != proof.size())
        proof.fill(0); // a zero proof never matches a real one by chance worth counting
    return proof;
}

bool loginProofMatches(const Proof& proof, std::string_view password, const Nonce& nonce,
                       std::string_view userName)
{
    const Proof expected = computeLoginProof(password, nonce, userName);
    return CRYPTO_memcmp(expected.data(), proof.data(), proof.size()) == 0;
}

std::optional<Nonce> makeNonce()
{
    Nonce nonce{};
    if (RAND_bytes(nonce.data(), static_cast<int>(nonce.size())) != 1)
        return std::nullopt;
    return nonce;
}

} // namespace vexlo::protocol
