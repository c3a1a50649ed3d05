#include "onvif/ws_security.h"

#include "onvif/xml_reader.h"
#include "onvif/xml_writer.h"

#include <ctime>

namespace vexlo::onvif {

namespace {

// Reads exactly `digits` decimal digits at `at`.
bool readNumber(std::string_view text, std::size_t& at, std::size_t digits, int& value)
{
    if (at + digits > text.size())
        return false;
    value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    at += digits;
    return true;
}

bool expect(std::string_view text, std::size_t& at, char c)
{
    if (at >= text.size() || text[at] != c)
        return false;
    ++at;
    return true;
}

} // namespace

std::string formatCreated(TimePoint time)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::seconds>(time));
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char out[32];
    const std::size_t length = std::strftime(out, sizeof out, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return std::string(out, length);
}

std::optional<TimePoint> parseCreated(std::string_view text)
{
    std::size_t at = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!readNumber(text, at, 4, year) || !expect(text, at, '-') ||
        !readNumber(text, at, 2, month) || !expect(text, at, '-') ||
        !readNumber(text, at, 2, day) || !expect(text, at, 'T') || !readNumber(text, at, 2, hour) ||
        !expect(text, at, ':') || !readNumber(text, at, 2, minute) || !expect(text, at, ':') ||
        !readNumber(text, at, 2, second))
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(year),
                                           std::chrono::month(static_cast<unsigned>(month)),
                                           std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok() || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;

    std::chrono::nanoseconds fraction{0};
    if (at < text.size() && text[at] == '.') {
        ++at;
        const std::size_t start = at;
        long long scale = 100000000;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            fraction += std::chrono::nanoseconds((text[at] - '0') * scale);
            scale /= 10; // digits past nanoseconds add nothing
            ++at;
        }
        if (at == start)
            return std::nullopt;
    }

    std::chrono::minutes offset{0};
    if (at < text.size() && text[at] == 'Z') {
        ++at;
    } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        const bool east = text[at] == '+';
        ++at;
        int offsetHours = 0, offsetMinutes = 0;
        if (!readNumber(text, at, 2, offsetHours) || !expect(text, at, ':') ||
            !readNumber(text, at, 2, offsetMinutes) || offsetHours > 14 || offsetMinutes > 59)
            return std::nullopt;
        offset = std::chrono::minutes(offsetHours * 60 + offsetMinutes) * (east ? 1 : -1);
    }
    if (at != text.size())
        return std::nullopt;

    const auto local = std::chrono::sys_days(date) + std::chrono::hours(hour) +
                       std::chrono::minutes(minute) + std::chrono::seconds(second) + fraction;
    return std::chrono::time_point_cast<TimePoint::duration>(local - offset);
}

std::string passwordDigest(std::span<const std::uint8_t> nonce, std::string_view created,
                           std::string_view password)
{
    Bytes input(nonce.begin(), nonce.end());
    input.insert(input.end(), created.begin(), created.end());
    input.insert(input.end(), password.begin(), password.end());
    return base64Encode(hash(HashKind::Sha1, input));
}

std::string buildSecurityHeader(std::string_view user, std::string_view password, TimePoint now,
                                std::span<const std::uint8_t> nonce)
{
    const std::string created = formatCreated(now);
    XmlWriter writer;
    writer.open("wsse:Security")
        .attribute("s:mustUnderstand", "1")
        .attribute("xmlns:wsse", kWsseNamespace)
        .attribute("xmlns:wsu", kWsuNamespace)
        .open("wsse:UsernameToken")
        .element("wsse:Username", user)
        .open("wsse:Password")
        .attribute("Type", kPasswordDigestType)
        .text(passwordDigest(nonce, created, password))
        .close()
        .open("wsse:Nonce")
        .attribute("EncodingType", kBase64EncodingType)
        .text(base64Encode(nonce))
        .close()
        .element("wsu:Created", created);
    return writer.finish();
}

std::optional<std::string> buildSecurityHeader(std::string_view user, std::string_view password,
                                               TimePoint now)
{
    const std::optional<Bytes> nonce = randomBytes(16);
    if (!nonce)
        return std::nullopt;
    return buildSecurityHeader(user, password, now, *nonce);
}

std::optional<UsernameToken> parseUsernameToken(pugi::xml_node soapHeader)
{
    pugi::xml_node token = find(soapHeader, {"Security", "UsernameToken"});
    if (!token)
        return std::nullopt;
    UsernameToken out;
    out.username = text(child(token, "Username"));
    pugi::xml_node password = child(token, "Password");
    out.password = text(password);
    // Without a Type the password is plain text; only the digest URI's
    // fragment is compared, since makes disagree on the rest of it.
    const std::string type = attribute(password, "Type");
    out.isDigest = type.ends_with("#PasswordDigest");
    out.nonce = text(child(token, "Nonce"));
    out.created = text(child(token, "Created"));
    return out;
}

} // namespace vexlo::onvif
