#include "ipcsim/onvif/http_parser.h"

#include "ipcsim/onvif/http_syntax.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

namespace vexlo::ipcsim::onvif {

using namespace syntax;

namespace {

constexpr std::size_t kReserveAfterBytes = 1024 * 1024;

std::vector<std::string_view> splitOnBlanks(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && isBlank(text[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && !isBlank(text[at])) {
            ++at;
        }
        if (at > start) {
            words.push_back(text.substr(start, at - start));
        }
    }
    return words;
}

bool isTargetChar(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte > 0x20 && byte != 0x7F;
}

int hexValue(char c)
{
    if (isDigit(c)) {
        return c - '0';
    }
    const char l = lower(c);
    return l >= 'a' && l <= 'f' ? l - 'a' + 10 : -1;
}

// Decimal digits only, saturating instead of overflowing.
std::optional<std::uint64_t> parseLength(std::string_view text)
{
    if (text.empty() || !std::all_of(text.begin(), text.end(), isDigit)) {
        return std::nullopt;
    }
    constexpr auto kMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t value = 0;
    for (const char c : text) {
        const auto digit = static_cast<std::uint64_t>(c - '0');
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return value;
}

} // namespace

HttpRequestParser::HttpRequestParser(HttpLimits limits) : m_limits(limits)
{
}

std::size_t HttpRequestParser::feed(std::string_view bytes)
{
    std::size_t used = 0;
    while (used < bytes.size() && !complete() && !failed()) {
        switch (m_state) {
        case State::RequestLine:
            if (readLine(bytes, used, m_limits.maxLine, 414)) {
                onRequestLine();
            }
            break;
        case State::Headers:
            if (readLine(bytes, used, m_limits.maxLine, 431)) {
                if (m_line.empty()) {
                    onHeadersEnd();
                } else {
                    onFieldLine(m_request.headers, false);
                }
            }
            break;
        case State::Body:
        case State::ChunkData: {
            // The body grows only by bytes that arrived, never by what a
            // Content-Length or chunk size announces, until a large body has
            // shown it is really coming (1 MiB arrived): then the rest is
            // reserved at once, so a firmware image is not copied and its
            // memory not touched again at every doubling.
            const auto take =
                static_cast<std::size_t>(std::min<std::uint64_t>(m_remaining, bytes.size() - used));
            if (m_state == State::Body && m_request.body.size() < kReserveAfterBytes &&
                m_request.body.size() + take >= kReserveAfterBytes) {
                m_request.body.reserve(m_request.body.size() +
                                       static_cast<std::size_t>(m_remaining));
            }
            m_request.body.append(bytes.substr(used, take));
            used += take;
            m_remaining -= take;
            if (m_remaining == 0) {
                m_state = m_state == State::Body ? State::Complete : State::ChunkDataEnd;
            }
            break;
        }
        case State::ChunkSize:
            if (readLine(bytes, used, m_limits.maxLine, 400)) {
                onChunkSize();
            }
            break;
        case State::ChunkDataEnd:
            // Only a line end may follow the chunk's data.
            if (readLine(bytes, used, 0, 400)) {
                m_state = State::ChunkSize;
            }
            break;
        case State::Trailers:
            if (readLine(bytes, used, m_limits.maxLine, 431)) {
                if (m_line.empty()) {
                    m_state = State::Complete;
                } else {
                    onFieldLine(m_request.trailers, true);
                }
            }
            break;
        case State::Complete:
        case State::Failed:
            break;
        }
    }
    return used;
}

// Collects one line across feeds. A lone LF ends a line as CRLF does; a CR
// anywhere else is refused, since peers disagree on what it means.
bool HttpRequestParser::readLine(std::string_view bytes, std::size_t& used, std::size_t limit,
                                 int tooLong)
{
    const std::string_view rest = bytes.substr(used);
    const auto end = rest.find('\n');
    const std::string_view piece = rest.substr(0, end);
    if (m_line.size() + piece.size() > limit + 1) {
        fail(tooLong, "line longer than " + std::to_string(limit) + " bytes");
        return false;
    }
    m_line.append(piece);
    if (end == std::string_view::npos) {
        used = bytes.size();
        return false;
    }
    used += end + 1;
    if (!m_line.empty() && m_line.back() == '\r') {
        m_line.pop_back();
    }
    if (m_line.size() > limit) {
        fail(tooLong, "line longer than " + std::to_string(limit) + " bytes");
        return false;
    }
    if (m_line.find('\r') != std::string::npos) {
        fail(400, "carriage return inside a line");
        return false;
    }
    if (m_state == State::Headers || m_state == State::Trailers) {
        m_headerBytes += m_line.size() + 2;
        if (m_headerBytes > m_limits.maxHeaderBytes) {
            fail(431, "header section longer than " + std::to_string(m_limits.maxHeaderBytes) +
                          " bytes");
            return false;
        }
    }
    return true; // the caller handles m_line and clears it
}

void HttpRequestParser::onRequestLine()
{
    if (m_line.empty()) {
        // Some clients send a line end after a request body; tolerate a few.
        m_leadingBytes += 2;
        if (m_leadingBytes > m_limits.maxLine) {
            fail(400, "too many empty lines before the request");
        }
        m_line.clear();
        return;
    }
    const auto words = splitOnBlanks(m_line);
    if (words.size() != 3) {
        fail(400, "request line is not method, target and version");
        return;
    }
    const std::string_view method = words[0];
    const std::string_view target = words[1];
    const std::string_view version = words[2];
    if (!isToken(method)) {
        fail(400, "bad method");
        return;
    }
    if (!std::all_of(target.begin(), target.end(), isTargetChar)) {
        fail(400, "bad request target");
        return;
    }
    if (version.size() != 8 || version.substr(0, 5) != "HTTP/" || !isDigit(version[5]) ||
        version[6] != '.' || !isDigit(version[7])) {
        fail(400, "bad protocol version");
        return;
    }
    if (version[5] != '1') {
        fail(505, "protocol version " + std::string(version.substr(5)) + " not supported");
        return;
    }
    m_request.method = method;
    m_request.target = target;
    m_request.versionMinor = version[7] - '0';
    m_line.clear();
    m_state = State::Headers;
}

void HttpRequestParser::onFieldLine(HttpHeaders& fields, bool trailer)
{
    const std::string_view line = m_line;
    if (isBlank(line.front())) {
        // Obsolete line folding: the line continues the field before it.
        const std::string_view more = trim(line);
        if (fields.empty() || !std::all_of(more.begin(), more.end(), isValueChar)) {
            fail(400, "continuation line without a field before it");
            return;
        }
        fields.extendLast(more);
        m_line.clear();
        return;
    }
    const auto colon = line.find(':');
    const std::string_view name = line.substr(0, colon);
    // A name must be a token; a space before the colon is refused (RFC 9112 5.1).
    if (colon == std::string_view::npos || !isToken(name)) {
        fail(400, trailer ? "bad trailer field" : "bad header field");
        return;
    }
    const std::string_view value = trim(line.substr(colon + 1));
    if (!std::all_of(value.begin(), value.end(), isValueChar)) {
        fail(400, "control character in a field value");
        return;
    }
    if (++m_fieldCount > m_limits.maxHeaderCount) {
        fail(431, "more than " + std::to_string(m_limits.maxHeaderCount) + " header fields");
        return;
    }
    fields.add(std::string(name), std::string(value));
    m_line.clear();
}

void HttpRequestParser::onHeadersEnd()
{
    m_line.clear();
    if (m_request.versionMinor >= 1 && m_request.headers.count("Host") != 1) {
        fail(400, "an HTTP/1.1 request needs exactly one Host field");
        return;
    }
    if (!chooseFraming()) {
        return;
    }
    const std::string* expect = m_request.headers.find("Expect");
    m_expectContinue = m_request.versionMinor >= 1 && expect != nullptr &&
                       equalsIgnoreCase(trim(*expect), "100-continue");
}

// How the body is delimited (RFC 9112 section 6.3). Whatever could let two
// parties disagree on where this request ends is refused.
bool HttpRequestParser::chooseFraming()
{
    const auto codingFields = m_request.headers.findAll("Transfer-Encoding");
    const auto lengthFields = m_request.headers.findAll("Content-Length");
    if (!codingFields.empty()) {
        if (m_request.versionMinor == 0) {
            fail(400, "Transfer-Encoding in an HTTP/1.0 request");
            return false;
        }
        if (!lengthFields.empty()) {
            fail(400, "both Content-Length and Transfer-Encoding");
            return false;
        }
        std::vector<std::string_view> codings;
        for (const auto field : codingFields) {
            const auto elements = splitList(field);
            codings.insert(codings.end(), elements.begin(), elements.end());
        }
        for (const auto coding : codings) {
            const auto name = trim(coding.substr(0, coding.find(';')));
            if (!equalsIgnoreCase(name, "chunked")) {
                fail(501, "transfer coding '" + std::string(name) + "' not supported");
                return false;
            }
        }
        if (codings.size() != 1) {
            fail(400, codings.empty() ? "empty Transfer-Encoding" : "chunked applied twice");
            return false;
        }
        m_state = State::ChunkSize;
        return true;
    }
    std::optional<std::uint64_t> length;
    for (const auto field : lengthFields) {
        const auto elements = splitList(field);
        if (elements.empty()) {
            fail(400, "empty Content-Length");
            return false;
        }
        for (const auto element : elements) {
            const auto value = parseLength(element);
            if (!value || (length && *length != *value)) {
                fail(400, "bad or conflicting Content-Length");
                return false;
            }
            length = value;
        }
    }
    if (length && *length > m_limits.maxBody) {
        fail(413, "body of " + std::to_string(*length) + " bytes is over the limit");
        return false;
    }
    m_remaining = length.value_or(0);
    m_state = m_remaining > 0 ? State::Body : State::Complete;
    return true;
}

void HttpRequestParser::onChunkSize()
{
    const std::string_view line = m_line;
    std::size_t at = 0;
    std::uint64_t size = 0;
    for (; at < line.size() && hexValue(line[at]) >= 0; ++at) {
        size = size * 16 + static_cast<std::uint64_t>(hexValue(line[at]));
        if (m_request.body.size() + size > m_limits.maxBody) {
            fail(413, "chunked body over the limit");
            return;
        }
    }
    // Chunk extensions (";name=value") carry nothing we use; they are only checked.
    std::string_view extensions = line.substr(at);
    while (!extensions.empty() && isBlank(extensions.front())) {
        extensions.remove_prefix(1);
    }
    if (at == 0 || (!extensions.empty() && extensions.front() != ';') ||
        !std::all_of(extensions.begin(), extensions.end(), isValueChar)) {
        fail(400, "bad chunk size line");
        return;
    }
    m_line.clear();
    if (size == 0) {
        m_state = State::Trailers;
        return;
    }
    m_remaining = size;
    m_state = State::ChunkData;
}

bool HttpRequestParser::expectsContinue() const
{
    const bool bodyPending =
        m_state == State::Body || m_state == State::ChunkSize || m_state == State::ChunkData;
    return m_expectContinue && bodyPending && m_request.body.empty();
}

bool HttpRequestParser::idle() const
{
    return m_state == State::RequestLine && m_line.empty() && m_leadingBytes == 0;
}

HttpRequest HttpRequestParser::take()
{
    HttpRequest request = std::move(m_request);
    reset();
    return request;
}

void HttpRequestParser::reset()
{
    m_state = State::RequestLine;
    m_request = HttpRequest{};
    m_line.clear();
    m_leadingBytes = 0;
    m_headerBytes = 0;
    m_fieldCount = 0;
    m_remaining = 0;
    m_expectContinue = false;
    m_errorStatus = 0;
    m_errorText.clear();
}

void HttpRequestParser::fail(int status, std::string text)
{
    m_state = State::Failed;
    m_errorStatus = status;
    m_errorText = std::move(text);
}

} // namespace vexlo::ipcsim::onvif
