#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Byte encodings and hashes the ONVIF formats share, all on OpenSSL's libcrypto.
namespace vexlo::onvif {

using Bytes = std::vector<std::uint8_t>;

std::string base64Encode(std::span<const std::uint8_t> bytes);

// Whitespace anywhere is ignored (some makes wrap long values); anything else
// that is not canonical Base64 gives nothing.
std::optional<Bytes> base64Decode(std::string_view text);

std::string hexLower(std::span<const std::uint8_t> bytes);

enum class HashKind
{
    Md5,
    Sha1,
    Sha256
};

Bytes hash(HashKind kind, std::string_view data);
Bytes hash(HashKind kind, std::span<const std::uint8_t> data);

// Bytes from the system's cryptographic generator; nothing if it failed.
std::optional<Bytes> randomBytes(std::size_t count);

// A random (version 4) UUID as "urn:uuid:xxxxxxxx-xxxx-...", nothing if the
// generator failed.
std::optional<std::string> makeUuidUrn();

// Equal length and equal bytes, in time that does not depend on where they differ.
bool constantTimeEqual(std::string_view a, std::string_view b);

// ASCII only, which is all the protocol keywords need.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

} // namespace vexlo::onvif
