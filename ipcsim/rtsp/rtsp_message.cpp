#include "ipcsim/rtsp/rtsp_message.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vexlo::ipcsim::rtsp {

namespace {

constexpr std::size_t kInterleavedHeaderBytes = 4;
// A CSeq is a sequence number; more digits than this are not one.
constexpr std::size_t kMaxCSeqDigits = 10;

char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

bool isTokenChar(char c)
{
    if (std::isalnum(static_cast<unsigned char>(c))) {
        return true;
    }
    static constexpr std::string_view kMarks = "!#$%&'*+-.^_`|~";
    return kMarks.find(c) != std::string_view::npos;
}

bool isToken(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), isTokenChar);
}

bool isDigits(std::string_view text, std::size_t maxDigits)
{
    return !text.empty() && text.size() <= maxDigits &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Control characters other than a tab have no place in a request line or a
// header; letting them through would let them reach a reply or a log.
bool hasControlCharacters(std::string_view line)
{
    return std::any_of(line.begin(), line.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\t') || byte == 0x7f;
    });
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// The one value of a header that may appear more than once only when every
// copy agrees; nullopt for "absent", an empty optional in `conflict` otherwise.
std::optional<std::string_view> singleValue(const HeaderList& headers, std::string_view name,
                                            bool& conflict)
{
    std::optional<std::string_view> found;
    for (const auto& [key, value] : headers) {
        if (!equalsIgnoreCase(key, name)) {
            continue;
        }
        if (found && *found != value) {
            conflict = true;
        }
        found = value;
    }
    return found;
}

} // namespace

std::optional<std::string_view> findHeader(const HeaderList& headers, std::string_view name)
{
    for (const auto& [key, value] : headers) {
        if (equalsIgnoreCase(key, name)) {
            return std::string_view(value);
        }
    }
    return std::nullopt;
}

void RequestParser::feed(std::span<const std::uint8_t> bytes)
{
    if (m_error) {
        return;
    }
    m_buffer.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void RequestParser::feed(std::string_view text)
{
    if (m_error) {
        return;
    }
    m_buffer.append(text);
}

RequestParser::Result RequestParser::next()
{
    if (m_error) {
        return *m_error;
    }
    for (;;) {
        bool tooLong = false;
        if (m_stage == Stage::Start) {
            if (buffered() == 0) {
                break;
            }
            if (m_buffer[m_offset] == '$') {
                if (!skipInterleaved()) {
                    break;
                }
                continue;
            }
            const auto line = takeLine(tooLong);
            if (tooLong) {
                return fail(414);
            }
            if (!line) {
                break;
            }
            if (line->empty()) {
                continue; // blank lines between messages are harmless
            }
            m_request = Request{};
            m_headerBytes = line->size();
            if (!parseRequestLine(*line)) {
                return fail(m_pendingStatus);
            }
            m_stage = Stage::Headers;
        } else if (m_stage == Stage::Headers) {
            const auto line = takeLine(tooLong);
            if (tooLong) {
                return fail(400);
            }
            if (!line) {
                break;
            }
            m_headerBytes += line->size() + 2;
            if (m_headerBytes > kMaxHeaderBytes) {
                return fail(400);
            }
            if (line->empty()) {
                if (!finishHeaders()) {
                    return fail(m_pendingStatus);
                }
                m_stage = Stage::Body;
            } else if (!parseHeaderLine(*line)) {
                return fail(400);
            }
        } else {
            if (buffered() < m_bodyLength) {
                break;
            }
            m_request.body.assign(m_buffer, m_offset, m_bodyLength);
            m_offset += m_bodyLength;
            m_stage = Stage::Start;
            compact();
            Result result;
            result.kind = Kind::Request;
            result.request = std::move(m_request);
            m_request = Request{};
            return result;
        }
    }
    compact();
    return Result{};
}

RequestParser::Result RequestParser::fail(int status)
{
    Result result;
    result.kind = Kind::Error;
    result.status = status;
    result.cseq = m_request.cseq;
    m_error = result;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_offset = 0;
    return result;
}

std::optional<std::string_view> RequestParser::takeLine(bool& tooLong)
{
    const std::string_view rest = std::string_view(m_buffer).substr(m_offset);
    const auto end = rest.find('\n');
    if (end == std::string_view::npos) {
        // A line that cannot end within the limit is refused now, before the
        // buffer grows with it.
        tooLong = rest.size() > kMaxLineBytes + 1;
        return std::nullopt;
    }
    std::string_view line = rest.substr(0, end);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.size() > kMaxLineBytes) {
        tooLong = true;
        return std::nullopt;
    }
    m_offset += end + 1;
    return line;
}

bool RequestParser::skipInterleaved()
{
    if (buffered() < kInterleavedHeaderBytes) {
        return false;
    }
    const auto high = static_cast<unsigned char>(m_buffer[m_offset + 2]);
    const auto low = static_cast<unsigned char>(m_buffer[m_offset + 3]);
    const std::size_t length = (std::size_t{high} << 8) | low;
    if (buffered() < kInterleavedHeaderBytes + length) {
        return false;
    }
    m_offset += kInterleavedHeaderBytes + length;
    return true;
}

bool RequestParser::parseRequestLine(std::string_view line)
{
    m_pendingStatus = 400;
    if (hasControlCharacters(line)) {
        return false;
    }
    const auto firstSpace = line.find(' ');
    const auto lastSpace = line.rfind(' ');
    if (firstSpace == std::string_view::npos || firstSpace == lastSpace) {
        return false;
    }
    const auto method = line.substr(0, firstSpace);
    const auto uri = line.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    const auto version = line.substr(lastSpace + 1);
    if (!isToken(method) || uri.empty() || uri.find(' ') != std::string_view::npos) {
        return false;
    }
    if (version != "RTSP/1.0") {
        if (version.starts_with("RTSP/")) {
            m_pendingStatus = 505;
        }
        return false;
    }
    m_request.method = method;
    m_request.uri = uri;
    return true;
}

bool RequestParser::parseHeaderLine(std::string_view line)
{
    if (hasControlCharacters(line) || line.front() == ' ' || line.front() == '\t') {
        return false; // folded continuation lines are long obsolete
    }
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    const auto name = line.substr(0, colon);
    if (!isToken(name)) {
        return false;
    }
    m_request.headers.emplace_back(name, trim(line.substr(colon + 1)));
    return true;
}

bool RequestParser::finishHeaders()
{
    m_pendingStatus = 400;
    bool conflict = false;
    const auto cseq = singleValue(m_request.headers, "CSeq", conflict);
    if (!cseq || conflict || !isDigits(*cseq, kMaxCSeqDigits)) {
        return false;
    }
    m_request.cseq = *cseq;

    m_bodyLength = 0;
    const auto length = singleValue(m_request.headers, "Content-Length", conflict);
    if (!length) {
        return true;
    }
    if (conflict || !isDigits(*length, 64)) {
        return false;
    }
    // Compared as text first, so no peer's number is ever converted or
    // allocated before it is known to be small.
    const auto digits = length->substr(std::min(length->find_first_not_of('0'), length->size()));
    if (digits.size() > 6) {
        m_pendingStatus = 413;
        return false;
    }
    std::size_t value = 0;
    for (const char c : digits) {
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    if (value > kMaxBodyBytes) {
        m_pendingStatus = 413;
        return false;
    }
    m_bodyLength = value;
    return true;
}

void RequestParser::compact()
{
    if (m_offset == m_buffer.size()) {
        m_buffer.clear();
        m_offset = 0;
    } else if (m_offset > 4096 && m_offset * 2 > m_buffer.size()) {
        m_buffer.erase(0, m_offset);
        m_offset = 0;
    }
}

std::string_view reasonPhrase(int status)
{
    static constexpr std::array<std::pair<int, std::string_view>, 17> kPhrases{{
        {200, "OK"},
        {400, "Bad Request"},
        {401, "Unauthorized"},
        {404, "Not Found"},
        {405, "Method Not Allowed"},
        {406, "Not Acceptable"},
        {413, "Request Entity Too Large"},
        {414, "Request-URI Too Large"},
        {454, "Session Not Found"},
        {455, "Method Not Valid in This State"},
        {459, "Aggregate Operation Not Allowed"},
        {461, "Unsupported Transport"},
        {500, "Internal Server Error"},
        {501, "Not Implemented"},
        {503, "Service Unavailable"},
        {505, "RTSP Version Not Supported"},
        {551, "Option not supported"},
    }};
    for (const auto& [code, phrase] : kPhrases) {
        if (code == status) {
            return phrase;
        }
    }
    return "Unknown";
}

namespace {

std::string withoutLineBreaks(std::string_view text)
{
    std::string clean;
    clean.reserve(text.size());
    for (const char c : text) {
        if (c != '\r' && c != '\n') {
            clean.push_back(c);
        }
    }
    return clean;
}

} // namespace

Response& Response::add(std::string_view name, std::string_view value)
{
    m_headers.emplace_back(withoutLineBreaks(name), withoutLineBreaks(value));
    return *this;
}

Response& Response::setBody(std::string_view contentType, std::string body)
{
    add("Content-Type", contentType);
    m_body = std::move(body);
    return *this;
}

Response& Response::setBody(std::string body)
{
    m_body = std::move(body);
    return *this;
}

std::string Response::serialize() const
{
    std::string text = "RTSP/1.0 " + std::to_string(m_status) + " ";
    text += reasonPhrase(m_status);
    text += "\r\n";
    for (const auto& [name, value] : m_headers) {
        text += name;
        text += ": ";
        text += value;
        text += "\r\n";
    }
    if (!m_body.empty()) {
        text += "Content-Length: " + std::to_string(m_body.size()) + "\r\n";
    }
    text += "\r\n";
    text += m_body;
    return text;
}

} // namespace vexlo::ipcsim::rtsp
