#include "ipcsim/onvif/http_message.h"

#include "ipcsim/onvif/http_syntax.h"

#include <algorithm>

namespace vexlo::ipcsim::onvif {

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return syntax::lower(x) == syntax::lower(y);
           });
}

void HttpHeaders::add(std::string name, std::string value)
{
    m_fields.push_back({std::move(name), std::move(value)});
}

void HttpHeaders::set(std::string name, std::string value)
{
    remove(name);
    add(std::move(name), std::move(value));
}

void HttpHeaders::remove(std::string_view name)
{
    std::erase_if(m_fields,
                  [&](const HttpField& field) { return equalsIgnoreCase(field.name, name); });
}

const std::string* HttpHeaders::find(std::string_view name) const
{
    for (const auto& field : m_fields) {
        if (equalsIgnoreCase(field.name, name)) {
            return &field.value;
        }
    }
    return nullptr;
}

std::vector<std::string_view> HttpHeaders::findAll(std::string_view name) const
{
    std::vector<std::string_view> values;
    for (const auto& field : m_fields) {
        if (equalsIgnoreCase(field.name, name)) {
            values.emplace_back(field.value);
        }
    }
    return values;
}

std::size_t HttpHeaders::count(std::string_view name) const
{
    return static_cast<std::size_t>(
        std::count_if(m_fields.begin(), m_fields.end(),
                      [&](const HttpField& field) { return equalsIgnoreCase(field.name, name); }));
}

bool HttpHeaders::hasToken(std::string_view name, std::string_view token) const
{
    for (const auto value : findAll(name)) {
        for (const auto element : syntax::splitList(value)) {
            if (equalsIgnoreCase(element, token)) {
                return true;
            }
        }
    }
    return false;
}

void HttpHeaders::extendLast(std::string_view more)
{
    if (m_fields.empty()) {
        return;
    }
    std::string& value = m_fields.back().value;
    if (!value.empty() && !more.empty()) {
        value += ' ';
    }
    value += more;
}

std::string_view HttpRequest::path() const
{
    std::string_view path = target;
    if (const auto scheme = path.find("://");
        scheme != std::string_view::npos && path.front() != '/') {
        const auto start = path.find('/', scheme + 3);
        path = start == std::string_view::npos ? std::string_view("/") : path.substr(start);
    }
    return path.substr(0, path.find_first_of("?#"));
}

bool HttpRequest::keepAlive() const
{
    if (headers.hasToken("Connection", "close")) {
        return false;
    }
    return versionMinor >= 1 || headers.hasToken("Connection", "keep-alive");
}

std::string_view reasonPhrase(int status)
{
    switch (status) {
    case 100:
        return "Continue";
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 202:
        return "Accepted";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 304:
        return "Not Modified";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 411:
        return "Length Required";
    case 413:
        return "Content Too Large";
    case 414:
        return "URI Too Long";
    case 415:
        return "Unsupported Media Type";
    case 417:
        return "Expectation Failed";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 503:
        return "Service Unavailable";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Unknown";
    }
}

HttpResponse HttpResponse::make(int status, std::string body, std::string contentType)
{
    HttpResponse response;
    response.status = status;
    response.body = std::move(body);
    response.headers.add("Content-Type", contentType.empty() ? "text/plain; charset=utf-8"
                                                             : std::move(contentType));
    return response;
}

namespace {

// Replaces the bytes that would end a line or the header section early.
std::string cleanText(std::string_view text)
{
    std::string clean(text);
    std::replace_if(
        clean.begin(), clean.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; },
        ' ');
    return clean;
}

bool isFramingField(std::string_view name)
{
    return equalsIgnoreCase(name, "Content-Length") ||
           equalsIgnoreCase(name, "Transfer-Encoding") || equalsIgnoreCase(name, "Connection");
}

} // namespace

std::string HttpResponse::serialize(bool keepAlive, bool omitBody) const
{
    const int code = status >= 100 && status <= 999 ? status : 500;
    const bool bodyless = code < 200 || code == 204 || code == 304;
    std::string out;
    out.reserve(128 + body.size());
    out += "HTTP/1.1 ";
    out += std::to_string(code);
    out += ' ';
    out += reason.empty() ? std::string(reasonPhrase(code)) : cleanText(reason);
    out += "\r\n";
    for (const auto& field : headers.fields()) {
        if (!syntax::isToken(field.name) || isFramingField(field.name)) {
            continue;
        }
        out += field.name;
        out += ": ";
        out += cleanText(field.value);
        out += "\r\n";
    }
    if (!bodyless) {
        out += "Content-Length: ";
        out += std::to_string(body.size());
        out += "\r\n";
    }
    if (code >= 200) {
        out += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    }
    out += "\r\n";
    if (!bodyless && !omitBody) {
        out += body;
    }
    return out;
}

} // namespace vexlo::ipcsim::onvif
