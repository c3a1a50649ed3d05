#pragma once

#include "protocol/session_messages.h"

#include <optional>
#include <string_view>

namespace vexlo::protocol {

// HMAC-SHA256 with the password bytes as key, over the nonce followed by the
// user name bytes. The password itself never crosses the wire.
Proof computeLoginProof(std::string_view password, const Nonce& nonce, std::string_view userName);

// Compares in constant time, so the time taken tells nothing about the proof.
bool loginProofMatches(const Proof& proof, std::string_view password, const Nonce& nonce,
                       std::string_view userName);

// A fresh nonce from the system's cryptographic generator; nothing if it failed.
std::optional<Nonce> makeNonce();

} // namespace vexlo::protocol
