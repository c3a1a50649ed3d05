#include "onvif/encoding.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace vexlo::onvif {

std::string base64Encode(std::span<const std::uint8_t> bytes)
{
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes.data(),
                                        static_cast<int>(bytes.size()));
    out.resize(written < 0 ? 0 : static_cast<std::size_t>(written));
    return out;
}

std::optional<Bytes> base64Decode(std::string_view text)
{
    std::string compact;
    compact.reserve(text.size());
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        const bool alphabet = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                              (c >= '0' && c <= '9') || c == '+' || c == '/' || c == '=';
        if (!alphabet)
            return std::nullopt;
        compact.push_back(c);
    }
    if (compact.size() % 4 != 0)
        return std::nullopt;
    // '=' only as one or two final characters.
    const std::size_t firstPad = compact.find('=');
    std::size_t padding = 0;
    if (firstPad != std::string::npos) {
        padding = compact.size() - firstPad;
        if (padding > 2 || compact.find_first_not_of('=', firstPad) != std::string::npos)
            return std::nullopt;
    }
    Bytes out(compact.size() / 4 * 3 + 1);
    const int written =
        EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(compact.data()),
                        static_cast<int>(compact.size()));
    if (written < 0 || static_cast<std::size_t>(written) < padding)
        return std::nullopt;
    // EVP_DecodeBlock counts the bytes the padding stands for; they are not data.
    out.resize(static_cast<std::size_t>(written) - padding);
    return out;
}

std::string hexLower(std::span<const std::uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 0x0F]);
    }
    return out;
}

Bytes hash(HashKind kind, std::span<const std::uint8_t> data)
{
    const EVP_MD* md = kind == HashKind::Md5    ? EVP_md5()
                       : kind == HashKind::Sha1 ? EVP_sha1()
                                                : EVP_sha256();
    Bytes out(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), out.data(), &length, md, nullptr) != 1)
        length = 0; // an empty hash never matches a real one
    out.resize(length);
    return out;
}

Bytes hash(HashKind kind, std::string_view data)
{
    return hash(kind, std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
}

std::optional<Bytes> randomBytes(std::size_t count)
{
    Bytes out(count);
    if (count > 0 && RAND_bytes(out.data(), static_cast<int>(count)) != 1)
        return std::nullopt;
    return out;
}

std::optional<std::string> makeUuidUrn()
{
    std::optional<Bytes> bytes = randomBytes(16);
    if (!bytes)
        return std::nullopt;
    Bytes& b = *bytes;
    b[6] = static_cast<std::uint8_t>((b[6] & 0x0F) | 0x40); // version 4
    b[8] = static_cast<std::uint8_t>((b[8] & 0x3F) | 0x80); // RFC 4122 variant
    const std::string hex = hexLower(b);
    return "urn:uuid:" + hex.substr(0, 8) + '-' + hex.substr(8, 4) + '-' + hex.substr(12, 4) + '-' +
           hex.substr(16, 4) + '-' + hex.substr(20);
}

bool constantTimeEqual(std::string_view a, std::string_view b)
{
    // The length of a hex or Base64 digest is public; only the content is secret.
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace vexlo::onvif
