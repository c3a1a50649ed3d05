#include "onvif/device_messages.h"

#include "onvif/xml_writer.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <limits>

namespace vexlo::onvif {

namespace {

using Clock = std::chrono::system_clock;
using std::chrono::seconds;

// Request payloads: the device service prefix, and the schema's where needed.
XmlWriter openRequest(std::string_view operation, bool schema = false)
{
    return openServiceRequest("tds", kOnvifDeviceNamespace, operation, schema);
}

std::string emptyRequest(std::string_view operation)
{
    return openRequest(operation).finish();
}

std::optional<std::int64_t> parseDigits(std::string_view text, std::size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text[0] == '-')
        return std::nullopt;
    return value;
}

bool readBool(pugi::xml_node node, bool fallback)
{
    return parseBoolean(text(node)).value_or(fallback);
}

std::string_view textOr(std::string_view value, std::string_view fallback)
{
    return value.empty() ? fallback : value;
}

// ---- Dates ----

// tt:DateTime as numbers; nothing when a field is missing or out of range.
std::optional<Clock::time_point> readDateTime(pugi::xml_node node)
{
    using namespace std::chrono;
    const pugi::xml_node date = child(node, "Date");
    const pugi::xml_node time = child(node, "Time");
    const auto field = [](pugi::xml_node parent, std::string_view name, int low, int high) {
        const std::optional<int> value = parseInteger(text(child(parent, name)));
        return value && *value >= low && *value <= high ? value : std::nullopt;
    };
    const std::optional<int> y = field(date, "Year", 1900, 9999);
    const std::optional<int> mo = field(date, "Month", 1, 12);
    const std::optional<int> d = field(date, "Day", 1, 31);
    const std::optional<int> h = field(time, "Hour", 0, 23);
    const std::optional<int> mi = field(time, "Minute", 0, 59);
    const std::optional<int> s = field(time, "Second", 0, 60); // 60: a leap second
    if (!y || !mo || !d || !h || !mi || !s)
        return std::nullopt;
    const year_month_day ymd{year{*y}, month{static_cast<unsigned>(*mo)},
                             day{static_cast<unsigned>(*d)}};
    if (!ymd.ok())
        return std::nullopt;
    return sys_days(ymd) + hours(*h) + minutes(*mi) + seconds(*s);
}

void writeDateTime(XmlWriter& writer, std::string_view name, Clock::time_point when)
{
    using namespace std::chrono;
    const auto whole = floor<seconds>(when);
    const auto days = floor<std::chrono::days>(whole);
    const year_month_day ymd{days};
    const hh_mm_ss<seconds> clock{whole - days};
    // Time before Date: strict cameras check the order.
    writer.open(name)
        .open("tt:Time")
        .element("tt:Hour", std::to_string(clock.hours().count()))
        .element("tt:Minute", std::to_string(clock.minutes().count()))
        .element("tt:Second", std::to_string(clock.seconds().count()))
        .close()
        .open("tt:Date")
        .element("tt:Year", std::to_string(static_cast<int>(ymd.year())))
        .element("tt:Month", std::to_string(static_cast<unsigned>(ymd.month())))
        .element("tt:Day", std::to_string(static_cast<unsigned>(ymd.day())))
        .close()
        .close();
}

std::string buildSetDateAndTime(std::string_view type, const std::optional<Clock::time_point>& utc,
                                const std::optional<ZoneSetting>& keep)
{
    XmlWriter writer = openRequest("SetSystemDateAndTime", true);
    writer.element("tds:DateTimeType", type);
    writer.element("tds:DaylightSavings", keep && keep->daylightSavings ? "true" : "false");
    // An empty TZ is refused by some makes; leaving it out keeps the camera's.
    if (keep && !trimSpace(keep->timeZone).empty())
        writer.open("tds:TimeZone").element("tt:TZ", trimSpace(keep->timeZone)).close();
    if (utc)
        writeDateTime(writer, "tds:UTCDateTime", *utc);
    return writer.finish();
}

// ---- POSIX TZ values ----

// Reads a TZ value left to right; every step leaves the position alone when
// it fails.
class TzReader
{
public:
    explicit TzReader(std::string_view text) : m_text(text) {}

    bool atEnd() const { return m_at == m_text.size(); }
    bool skip(char c)
    {
        if (atEnd() || m_text[m_at] != c)
            return false;
        ++m_at;
        return true;
    }

    // "CST" or "<+08>"
    bool name()
    {
        if (skip('<')) {
            const std::size_t close = m_text.find('>', m_at);
            if (close == std::string_view::npos || close == m_at)
                return false;
            m_at = close + 1;
            return true;
        }
        std::size_t end = m_at;
        while (end < m_text.size() && isAlpha(m_text[end]))
            ++end;
        if (end - m_at < 3)
            return false;
        m_at = end;
        return true;
    }

    bool peek(char c) const { return !atEnd() && m_text[m_at] == c; }

    // [+-]h[h][:mm[:ss]] with hours up to `maxHours`.
    std::optional<seconds> time(int maxHours)
    {
        const std::size_t start = m_at;
        int sign = 1;
        if (skip('-'))
            sign = -1;
        else
            skip('+');
        const std::optional<int> h = number(3);
        if (!h || *h > maxHours)
            return fail(start);
        int m = 0;
        int s = 0;
        if (skip(':')) {
            const std::optional<int> mm = number(2);
            if (!mm || *mm > 59)
                return fail(start);
            m = *mm;
            if (skip(':')) {
                const std::optional<int> ss = number(2);
                if (!ss || *ss > 59)
                    return fail(start);
                s = *ss;
            }
        }
        return seconds(sign * (*h * 3600 + m * 60 + s));
    }

    std::optional<int> number(std::size_t maxDigits)
    {
        std::size_t end = m_at;
        while (end < m_text.size() && end - m_at < maxDigits && isDigit(m_text[end]))
            ++end;
        if (end == m_at)
            return std::nullopt;
        int value = 0;
        std::from_chars(m_text.data() + m_at, m_text.data() + end, value);
        m_at = end;
        return value;
    }

private:
    static bool isAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    std::optional<seconds> fail(std::size_t start)
    {
        m_at = start;
        return std::nullopt;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

// When in a year a change to or from summer time happens, in local wall time.
struct TzRule
{
    enum class Kind
    {
        Julian1,     // Jn: 1..365, 29 February never counted
        Julian0,     // n: 0..365
        MonthWeekDay // Mm.w.d
    } kind = Kind::MonthWeekDay;
    int month = 0;
    int week = 0;
    int day = 0; // day number, or weekday (0 Sunday)
    seconds time{2 * 3600};

    std::chrono::sys_days date(std::chrono::year y) const
    {
        using namespace std::chrono;
        switch (kind) {
        case Kind::Julian1:
            return sys_days(y / January / 1) + days(day - 1 + (y.is_leap() && day >= 60 ? 1 : 0));
        case Kind::Julian0:
            return sys_days(y / January / 1) + days(day);
        case Kind::MonthWeekDay:
            break;
        }
        const std::chrono::month m{static_cast<unsigned>(month)};
        const weekday wd{static_cast<unsigned>(day)};
        if (week == 5)
            return sys_days(year_month_weekday_last(y, m, weekday_last(wd)));
        return sys_days(year_month_weekday(y, m, wd[static_cast<unsigned>(week)]));
    }
};

std::optional<TzRule> readRule(TzReader& reader)
{
    TzRule rule;
    if (reader.skip('M')) {
        const std::optional<int> m = reader.number(2);
        if (!m || *m < 1 || *m > 12 || !reader.skip('.'))
            return std::nullopt;
        const std::optional<int> w = reader.number(1);
        if (!w || *w < 1 || *w > 5 || !reader.skip('.'))
            return std::nullopt;
        const std::optional<int> d = reader.number(1);
        if (!d || *d > 6)
            return std::nullopt;
        rule = {TzRule::Kind::MonthWeekDay, *m, *w, *d};
    } else {
        const bool julian1 = reader.skip('J');
        const std::optional<int> n = reader.number(3);
        if (!n || *n > 365 || (julian1 && *n < 1))
            return std::nullopt;
        rule = {julian1 ? TzRule::Kind::Julian1 : TzRule::Kind::Julian0, 0, 0, *n};
    }
    if (reader.skip('/')) {
        const std::optional<seconds> time = reader.time(167);
        if (!time)
            return std::nullopt;
        rule.time = *time;
    }
    return rule;
}

struct PosixZone
{
    seconds standardOffset{0}; // east of Greenwich is positive, unlike the TZ text
    std::optional<seconds> summerOffset;
    TzRule start;
    TzRule end;
};

std::optional<PosixZone> readZone(std::string_view tz)
{
    tz = trimSpace(tz);
    // Zero offset written without the zero.
    if (tz == "UTC" || tz == "GMT")
        return PosixZone{};
    TzReader reader(tz);
    reader.skip(':');
    PosixZone zone;
    if (!reader.name())
        return std::nullopt;
    const std::optional<seconds> offset = reader.time(24);
    if (!offset)
        return std::nullopt;
    zone.standardOffset = -*offset;
    if (reader.atEnd())
        return zone;
    if (!reader.name())
        return std::nullopt;
    zone.summerOffset = zone.standardOffset + seconds(3600);
    if (!reader.atEnd() && !reader.peek(',')) {
        const std::optional<seconds> summer = reader.time(24);
        if (!summer)
            return std::nullopt;
        zone.summerOffset = -*summer;
    }
    if (reader.atEnd()) {
        // A zone with summer time but no rules: the usual North American ones.
        zone.start = {TzRule::Kind::MonthWeekDay, 3, 2, 0};
        zone.end = {TzRule::Kind::MonthWeekDay, 11, 1, 0};
        return zone;
    }
    if (!reader.skip(','))
        return std::nullopt;
    const std::optional<TzRule> start = readRule(reader);
    if (!start || !reader.skip(','))
        return std::nullopt;
    const std::optional<TzRule> end = readRule(reader);
    if (!end || !reader.atEnd())
        return std::nullopt;
    zone.start = *start;
    zone.end = *end;
    return zone;
}

bool summerTime(const PosixZone& zone, Clock::time_point utc)
{
    using namespace std::chrono;
    const auto local = floor<days>(utc + zone.standardOffset);
    const year y = year_month_day(local).year();
    // Summer starts at the rule's time in standard time and ends at the rule's
    // time in summer time; both as UTC instants.
    const auto begins = zone.start.date(y) + zone.start.time - zone.standardOffset;
    const auto ends = zone.end.date(y) + zone.end.time - *zone.summerOffset;
    if (begins < ends)
        return utc >= begins && utc < ends;
    return !(utc >= ends && utc < begins); // southern hemisphere: summer spans the new year
}

// ---- Durations ----

constexpr std::int64_t kMaxDurationMs = 366LL * 24 * 3600 * 1000;

// ---- Network ----

std::optional<PrefixedAddress> readPrefixed(pugi::xml_node node)
{
    if (!node)
        return std::nullopt;
    const std::string address = text(child(node, "Address"));
    const std::optional<int> prefix = parseInteger(text(child(node, "PrefixLength")));
    if (!isIPv4Address(address) || !prefix || *prefix < 0 || *prefix > 32)
        return std::nullopt;
    return PrefixedAddress{address, *prefix};
}

NetworkInterface readInterface(pugi::xml_node node)
{
    NetworkInterface out;
    out.token = trimSpace(attribute(node, "token"));
    out.enabled = readBool(child(node, "Enabled"), false);
    const pugi::xml_node info = child(node, "Info");
    out.name = text(child(info, "Name"));
    out.hwAddress = text(child(info, "HwAddress"));
    const pugi::xml_node ipv4 = child(node, "IPv4");
    out.ipv4Enabled = readBool(child(ipv4, "Enabled"), false);
    const pugi::xml_node config = child(ipv4, "Config");
    out.dhcp = readBool(child(config, "DHCP"), false);
    for (pugi::xml_node manual : children(config, "Manual")) {
        if (std::optional<PrefixedAddress> address = readPrefixed(manual))
            out.manual.push_back(std::move(*address));
    }
    out.fromDhcp = readPrefixed(child(config, "FromDHCP"));
    out.linkLocal = readPrefixed(child(config, "LinkLocal"));
    return out;
}

// ---- Services ----

std::string_view withoutTrailingSlash(std::string_view uri)
{
    uri = trimSpace(uri);
    if (!uri.empty() && uri.back() == '/')
        uri.remove_suffix(1);
    return uri;
}

// The field of `services` for a service namespace; nothing for others.
std::string* addressFor(DeviceServices& services, std::string_view ns)
{
    ns = withoutTrailingSlash(ns);
    const std::array<std::pair<std::string_view, std::string*>, 6> table{{
        {kOnvifDeviceNamespace, &services.device},
        {kOnvifMediaNamespace, &services.media},
        {kOnvifMedia2Namespace, &services.media2},
        {kOnvifImagingNamespace, &services.imaging},
        {kOnvifAnalyticsNamespace, &services.analytics},
        {kOnvifEventsNamespace, &services.events},
    }};
    for (const auto& [uri, field] : table) {
        if (uri == ns)
            return field;
    }
    return nullptr;
}

std::optional<bool> optionalBool(std::string_view value)
{
    return value.empty() ? std::nullopt : parseBoolean(value);
}

} // namespace

std::variant<pugi::xml_node, SoapFault, Malformed> openResponse(std::string_view bytes,
                                                                std::string_view responseName,
                                                                std::optional<SoapMessage>& message)
{
    message = parseEnvelope(bytes);
    if (!message)
        return Malformed{"not a SOAP envelope"};
    if (std::optional<SoapFault> fault = parseFault(*message))
        return std::move(*fault);
    const pugi::xml_node payload = child(message->body, responseName);
    if (!payload) {
        const std::string got = message->action();
        return Malformed{"expected " + std::string(responseName) + ", got " +
                         std::string(textOr(got, "an empty body"))};
    }
    return payload;
}

// ---- Shared readers ----

std::optional<bool> parseBoolean(std::string_view value)
{
    value = trimSpace(value);
    if (value == "true" || value == "1")
        return true;
    if (value == "false" || value == "0")
        return false;
    return std::nullopt;
}

std::optional<int> parseInteger(std::string_view value)
{
    value = trimSpace(value);
    if (!value.empty() && value.front() == '+')
        value.remove_prefix(1);
    int out = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), out);
    if (value.empty() || error != std::errc() || end != value.data() + value.size())
        return std::nullopt;
    return out;
}

std::optional<std::chrono::milliseconds> parseDuration(std::string_view value)
{
    value = trimSpace(value);
    if (value.size() < 3 || value.front() != 'P')
        return std::nullopt;
    value.remove_prefix(1);
    // Designators in the order they may appear; months and years are taken at
    // their usual length, since only the order of magnitude matters here.
    struct Unit
    {
        char designator;
        bool afterT;
        std::int64_t ms;
    };
    constexpr std::array<Unit, 6> kUnits{{{'Y', false, 365LL * 86400000},
                                          {'M', false, 30LL * 86400000},
                                          {'D', false, 86400000},
                                          {'H', true, 3600000},
                                          {'M', true, 60000},
                                          {'S', true, 1000}}};
    std::size_t next = 0;
    bool inTime = false;
    bool any = false;
    bool timeHasAny = false;
    std::int64_t total = 0;
    while (!value.empty()) {
        if (value.front() == 'T') {
            if (inTime)
                return std::nullopt;
            inTime = true;
            value.remove_prefix(1);
            continue;
        }
        std::size_t digits = 0;
        while (digits < value.size() && value[digits] >= '0' && value[digits] <= '9')
            ++digits;
        const std::optional<std::int64_t> whole = parseDigits(value.substr(0, digits), 12);
        if (!whole)
            return std::nullopt;
        value.remove_prefix(digits);
        std::int64_t fractionMs = 0;
        bool fraction = false;
        if (!value.empty() && value.front() == '.') {
            value.remove_prefix(1);
            std::size_t fractionDigits = 0;
            while (fractionDigits < value.size() && value[fractionDigits] >= '0' &&
                   value[fractionDigits] <= '9')
                ++fractionDigits;
            if (fractionDigits == 0)
                return std::nullopt;
            // Milliseconds are enough; further digits are read and dropped.
            for (std::size_t i = 0, scale = 100; i < 3; ++i, scale /= 10)
                fractionMs +=
                    i < fractionDigits ? (value[i] - '0') * static_cast<std::int64_t>(scale) : 0;
            value.remove_prefix(fractionDigits);
            fraction = true;
        }
        if (value.empty())
            return std::nullopt;
        const char designator = value.front();
        value.remove_prefix(1);
        while (next < kUnits.size() &&
               (kUnits[next].designator != designator || kUnits[next].afterT != inTime))
            ++next;
        if (next == kUnits.size() || (fraction && designator != 'S'))
            return std::nullopt;
        const Unit& unit = kUnits[next++];
        if (*whole > kMaxDurationMs / unit.ms)
            return std::nullopt;
        total += *whole * unit.ms + fractionMs;
        if (total > kMaxDurationMs)
            return std::nullopt;
        any = true;
        timeHasAny = timeHasAny || inTime;
    }
    if (!any || (inTime && !timeHasAny))
        return std::nullopt;
    return std::chrono::milliseconds(total);
}

bool isIPv4Address(std::string_view value)
{
    int parts = 0;
    while (parts < 4) {
        std::size_t digits = 0;
        while (digits < value.size() && digits < 4 && value[digits] >= '0' && value[digits] <= '9')
            ++digits;
        const std::optional<std::int64_t> part = parseDigits(value.substr(0, digits), 3);
        // A leading zero reads as octal to some stacks; refuse the ambiguity.
        if (!part || *part > 255 || (digits > 1 && value[0] == '0'))
            return false;
        value.remove_prefix(digits);
        if (++parts < 4) {
            if (value.empty() || value.front() != '.')
                return false;
            value.remove_prefix(1);
        }
    }
    return value.empty();
}

std::optional<std::string> prefixToNetmask(int prefixLength)
{
    if (prefixLength < 0 || prefixLength > 32)
        return std::nullopt;
    const std::uint32_t mask = prefixLength == 0 ? 0 : ~std::uint32_t(0) << (32 - prefixLength);
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8)
        out += std::to_string((mask >> shift) & 0xff) + (shift ? "." : "");
    return out;
}

std::optional<int> netmaskToPrefix(std::string_view netmask)
{
    netmask = trimSpace(netmask);
    if (!isIPv4Address(netmask))
        return std::nullopt;
    std::uint32_t mask = 0;
    std::size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = netmask.find('.', at);
        const std::string_view digits = netmask.substr(at, dot - at);
        mask = (mask << 8) | static_cast<std::uint32_t>(*parseDigits(digits, 3));
        at = dot + 1;
    }
    // Contiguous ones: inverting gives 0...01...1, and adding one a power of two.
    const std::uint32_t hostBits = ~mask;
    if ((hostBits & (hostBits + 1)) != 0)
        return std::nullopt;
    int prefix = 0;
    for (std::uint32_t bit = 0x80000000u; bit && (mask & bit); bit >>= 1)
        ++prefix;
    return prefix;
}

// ---- Date and time ----

std::optional<std::chrono::seconds> utcOffset(std::string_view tz, bool daylightSavings,
                                              std::chrono::system_clock::time_point utc)
{
    const std::optional<PosixZone> zone = readZone(tz);
    if (!zone)
        return std::nullopt;
    if (daylightSavings && zone->summerOffset && summerTime(*zone, utc))
        return *zone->summerOffset;
    return zone->standardOffset;
}

std::string buildGetSystemDateAndTime()
{
    return emptyRequest("GetSystemDateAndTime");
}

Reply<SystemDateAndTime> parseGetSystemDateAndTime(std::string_view bytes)
{
    return readResponse<SystemDateAndTime>(
        bytes, "GetSystemDateAndTimeResponse", [](pugi::xml_node payload) {
            std::optional<SystemDateAndTime> out(std::in_place);
            const pugi::xml_node node = child(payload, "SystemDateAndTime");
            if (!node)
                return decltype(out)();
            out->type = text(child(node, "DateTimeType")) == "NTP" ? DateTimeType::Ntp
                                                                   : DateTimeType::Manual;
            out->daylightSavings = readBool(child(node, "DaylightSavings"), false);
            out->timeZone = text(find(node, {"TimeZone", "TZ"}));
            const pugi::xml_node utcNode = child(node, "UTCDateTime");
            const pugi::xml_node localNode = child(node, "LocalDateTime");
            const std::optional<Clock::time_point> utc = readDateTime(utcNode);
            const std::optional<Clock::time_point> local = readDateTime(localNode);
            // A clock written but unreadable is not a camera without a clock,
            // unless the other one reads.
            if (((utcNode && !utc) || (localNode && !local)) && !utc && !local)
                return decltype(out)();
            if (utc) {
                out->utc = utc;
            } else if (local) {
                // Local = UTC + offset, and the offset depends on the UTC
                // moment: a second pass settles it near a summer time change.
                std::optional<seconds> offset =
                    utcOffset(out->timeZone, out->daylightSavings, *local);
                if (offset)
                    offset = utcOffset(out->timeZone, out->daylightSavings, *local - *offset);
                if (offset) {
                    out->utc = *local - *offset;
                    out->fromLocalTime = true;
                }
            }
            return out;
        });
}

std::string buildSetSystemDateAndTime(std::chrono::system_clock::time_point utc,
                                      const std::optional<ZoneSetting>& keep)
{
    return buildSetDateAndTime("Manual", utc, keep);
}

std::string buildSetSystemDateAndTimeNtp(const std::optional<ZoneSetting>& keep)
{
    return buildSetDateAndTime("NTP", std::nullopt, keep);
}

Reply<Accepted> parseSetSystemDateAndTime(std::string_view bytes)
{
    return readResponse<Accepted>(bytes, "SetSystemDateAndTimeResponse", [](pugi::xml_node) {
        return std::optional<Accepted>(Accepted{});
    });
}

// ---- Device information ----

std::string buildGetDeviceInformation()
{
    return emptyRequest("GetDeviceInformation");
}

Reply<DeviceInformation> parseGetDeviceInformation(std::string_view bytes)
{
    return readResponse<DeviceInformation>(
        bytes, "GetDeviceInformationResponse", [](pugi::xml_node payload) {
            return std::optional<DeviceInformation>(DeviceInformation{
                text(child(payload, "Manufacturer")), text(child(payload, "Model")),
                text(child(payload, "FirmwareVersion")), text(child(payload, "SerialNumber")),
                text(child(payload, "HardwareId"))});
        });
}

// ---- Network ----

std::optional<PrefixedAddress> currentIPv4(const NetworkInterface& networkInterface)
{
    if (networkInterface.dhcp && networkInterface.fromDhcp)
        return networkInterface.fromDhcp;
    if (!networkInterface.manual.empty())
        return networkInterface.manual.front();
    if (networkInterface.fromDhcp)
        return networkInterface.fromDhcp;
    return networkInterface.linkLocal;
}

std::string buildGetNetworkInterfaces()
{
    return emptyRequest("GetNetworkInterfaces");
}

Reply<std::vector<NetworkInterface>> parseGetNetworkInterfaces(std::string_view bytes)
{
    return readResponse<std::vector<NetworkInterface>>(
        bytes, "GetNetworkInterfacesResponse", [](pugi::xml_node payload) {
            std::optional<std::vector<NetworkInterface>> out(std::in_place);
            for (pugi::xml_node node : children(payload, "NetworkInterfaces"))
                out->push_back(readInterface(node));
            return out;
        });
}

std::optional<std::string> buildSetNetworkInterfaces(std::string_view token,
                                                     std::string_view address, int prefixLength)
{
    if (trimSpace(token).empty() || !isIPv4Address(address) || prefixLength < 1 ||
        prefixLength > 32)
        return std::nullopt;
    XmlWriter writer = openRequest("SetNetworkInterfaces", true);
    writer.element("tds:InterfaceToken", trimSpace(token))
        .open("tds:NetworkInterface")
        .open("tt:IPv4")
        .element("tt:Enabled", "true")
        .open("tt:Manual")
        .element("tt:Address", address)
        .element("tt:PrefixLength", std::to_string(prefixLength))
        .close()
        .element("tt:DHCP", "false");
    return writer.finish();
}

Reply<bool> parseSetNetworkInterfaces(std::string_view bytes)
{
    return readResponse<bool>(bytes, "SetNetworkInterfacesResponse", [](pugi::xml_node payload) {
        return std::optional<bool>(readBool(child(payload, "RebootNeeded"), true));
    });
}

std::string buildGetNetworkDefaultGateway()
{
    return emptyRequest("GetNetworkDefaultGateway");
}

Reply<std::vector<std::string>> parseGetNetworkDefaultGateway(std::string_view bytes)
{
    return readResponse<std::vector<std::string>>(
        bytes, "GetNetworkDefaultGatewayResponse", [](pugi::xml_node payload) {
            std::optional<std::vector<std::string>> out(std::in_place);
            for (pugi::xml_node node : children(child(payload, "NetworkGateway"), "IPv4Address")) {
                std::string address = text(node);
                if (isIPv4Address(address))
                    out->push_back(std::move(address));
            }
            return out;
        });
}

std::optional<std::string> buildSetNetworkDefaultGateway(std::string_view gateway)
{
    if (!isIPv4Address(gateway))
        return std::nullopt;
    XmlWriter writer = openRequest("SetNetworkDefaultGateway");
    writer.element("tds:IPv4Address", gateway);
    return writer.finish();
}

Reply<Accepted> parseSetNetworkDefaultGateway(std::string_view bytes)
{
    return readResponse<Accepted>(bytes, "SetNetworkDefaultGatewayResponse", [](pugi::xml_node) {
        return std::optional<Accepted>(Accepted{});
    });
}

// ---- Reboot and factory default ----

std::string buildSystemReboot()
{
    return emptyRequest("SystemReboot");
}

Reply<std::string> parseSystemReboot(std::string_view bytes)
{
    return readResponse<std::string>(bytes, "SystemRebootResponse", [](pugi::xml_node payload) {
        return std::optional<std::string>(text(child(payload, "Message")));
    });
}

std::string buildSetSystemFactoryDefault(FactoryDefault kind)
{
    XmlWriter writer = openRequest("SetSystemFactoryDefault");
    writer.element("tds:FactoryDefault", kind == FactoryDefault::Hard ? "Hard" : "Soft");
    return writer.finish();
}

Reply<Accepted> parseSetSystemFactoryDefault(std::string_view bytes)
{
    return readResponse<Accepted>(bytes, "SetSystemFactoryDefaultResponse", [](pugi::xml_node) {
        return std::optional<Accepted>(Accepted{});
    });
}

// ---- Firmware upgrade ----

std::string buildStartFirmwareUpgrade()
{
    return emptyRequest("StartFirmwareUpgrade");
}

Reply<FirmwareUpload> parseStartFirmwareUpgrade(std::string_view bytes)
{
    return readResponse<FirmwareUpload>(
        bytes, "StartFirmwareUpgradeResponse", [](pugi::xml_node payload) {
            std::optional<FirmwareUpload> out(std::in_place);
            out->uploadUri = text(child(payload, "UploadUri"));
            if (out->uploadUri.empty())
                return decltype(out)();
            // Absent durations are zero; present ones must read, since waiting
            // a wrong time before the POST is what makes uploads fail.
            for (auto [name, field] : {std::pair{"UploadDelay", &out->uploadDelay},
                                       std::pair{"ExpectedDownTime", &out->expectedDownTime}}) {
                const std::string value = text(child(payload, name));
                if (value.empty())
                    continue;
                const std::optional<std::chrono::milliseconds> duration = parseDuration(value);
                if (!duration)
                    return decltype(out)();
                *field = *duration;
            }
            return out;
        });
}

// ---- Capabilities and services ----

std::string buildGetCapabilities()
{
    XmlWriter writer = openRequest("GetCapabilities");
    writer.element("tds:Category", "All");
    return writer.finish();
}

Reply<DeviceServices> parseGetCapabilities(std::string_view bytes)
{
    return readResponse<DeviceServices>(
        bytes, "GetCapabilitiesResponse", [](pugi::xml_node payload) {
            std::optional<DeviceServices> out(std::in_place);
            const pugi::xml_node capabilities = child(payload, "Capabilities");
            if (!capabilities)
                return decltype(out)();
            out->device = text(find(capabilities, {"Device", "XAddr"}));
            out->media = text(find(capabilities, {"Media", "XAddr"}));
            out->imaging = text(find(capabilities, {"Imaging", "XAddr"}));
            out->analytics = text(find(capabilities, {"Analytics", "XAddr"}));
            out->events = text(find(capabilities, {"Events", "XAddr"}));
            if (const pugi::xml_node system = find(capabilities, {"Device", "System"})) {
                out->firmwareUpgrade = optionalBool(text(child(system, "FirmwareUpgrade")));
                out->httpFirmwareUpgrade =
                    optionalBool(text(find(system, {"Extension", "HttpFirmwareUpgrade"})));
            }
            return out;
        });
}

std::string buildGetServices()
{
    XmlWriter writer = openRequest("GetServices");
    writer.element("tds:IncludeCapability", "true");
    return writer.finish();
}

Reply<DeviceServices> parseGetServices(std::string_view bytes)
{
    return readResponse<DeviceServices>(bytes, "GetServicesResponse", [](pugi::xml_node payload) {
        std::optional<DeviceServices> out(std::in_place);
        for (pugi::xml_node service : children(payload, "Service")) {
            const std::string ns = text(child(service, "Namespace"));
            std::string* field = addressFor(*out, ns);
            const std::string xaddr = text(child(service, "XAddr"));
            if (!field || xaddr.empty() || !field->empty())
                continue; // unknown, unusable, or a second entry for the same service
            *field = xaddr;
            if (field != &out->device)
                continue;
            // Capabilities wraps the service's own Capabilities element; a few
            // makes leave the inner one out.
            pugi::xml_node system = find(service, {"Capabilities", "Capabilities", "System"});
            if (!system)
                system = find(service, {"Capabilities", "System"});
            if (system)
                out->httpFirmwareUpgrade = optionalBool(attribute(system, "HttpFirmwareUpgrade"));
        }
        return out;
    });
}

XmlWriter openServiceRequest(std::string_view prefix, std::string_view serviceNamespace,
                             std::string_view operation, bool schema)
{
    XmlWriter writer;
    const std::string name(prefix);
    writer.open(name + ":" + std::string(operation)).attribute("xmlns:" + name, serviceNamespace);
    if (schema)
        writer.attribute("xmlns:tt", kOnvifSchemaNamespace);
    return writer;
}

} // namespace vexlo::onvif
