#pragma once

#include "onvif/encoding.h"

#include <chrono>
#include <optional>
#include <pugixml.hpp>
#include <span>
#include <string>
#include <string_view>

// WS-Security UsernameToken as ONVIF uses it: the password is never sent, only
// Base64(SHA-1(nonce bytes + Created text + password)).
namespace vexlo::onvif {

inline constexpr std::string_view kWsseNamespace =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";
inline constexpr std::string_view kWsuNamespace =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd";
inline constexpr std::string_view kPasswordDigestType =
    "http://docs.oasis-open.org/wss/2004/01/"
    "oasis-200401-wss-username-token-profile-1.0#PasswordDigest";
inline constexpr std::string_view kPasswordTextType =
    "http://docs.oasis-open.org/wss/2004/01/"
    "oasis-200401-wss-username-token-profile-1.0#PasswordText";
inline constexpr std::string_view kBase64EncodingType =
    "http://docs.oasis-open.org/wss/2004/01/"
    "oasis-200401-wss-soap-message-security-1.0#Base64Binary";

using TimePoint = std::chrono::system_clock::time_point;

// "2024-05-01T08:30:00Z", whole seconds, UTC.
std::string formatCreated(TimePoint time);
// Also takes a fraction of a second and a +hh:mm / -hh:mm offset; no zone at
// all is read as UTC, as the makes that leave it out mean.
std::optional<TimePoint> parseCreated(std::string_view text);

std::string passwordDigest(std::span<const std::uint8_t> nonce, std::string_view created,
                           std::string_view password);

// The <wsse:Security> header entry for buildEnvelope (its mustUnderstand
// attribute uses the envelope's "s" prefix). `now` is the camera's time as far
// as the caller knows it: local time plus the clock offset it measured.
// Nothing if the random generator failed.
std::optional<std::string> buildSecurityHeader(std::string_view user, std::string_view password,
                                               TimePoint now);
// The same with a given nonce, for tests that compare bytes.
std::string buildSecurityHeader(std::string_view user, std::string_view password, TimePoint now,
                                std::span<const std::uint8_t> nonce);

struct UsernameToken
{
    std::string username;
    std::string password; // the Base64 digest, or the password itself for PasswordText
    bool isDigest = false;
    std::string nonce; // Base64, as sent
    std::string created;
};

// Header/Security/UsernameToken by local name; nothing when there is none.
std::optional<UsernameToken> parseUsernameToken(pugi::xml_node soapHeader);

} // namespace vexlo::onvif
