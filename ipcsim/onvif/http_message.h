#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The HTTP/1.1 requests a simulated camera receives and the responses it
// sends, without any socket: the ONVIF services see only these.
namespace vexlo::ipcsim::onvif {

// ASCII only: header names and tokens are ASCII, and a locale must not change
// how "Connection" compares.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

struct HttpField
{
    std::string name; // as the peer spelled it
    std::string value;
};

// Header fields in arrival order. Names compare case-insensitively; a name may
// occur more than once and every occurrence is kept.
class HttpHeaders
{
public:
    void add(std::string name, std::string value);
    // Removes every field of this name, then adds one.
    void set(std::string name, std::string value);
    void remove(std::string_view name);
    // The first field of this name; null when there is none.
    const std::string* find(std::string_view name) const;
    std::vector<std::string_view> findAll(std::string_view name) const;
    std::size_t count(std::string_view name) const;
    // Whether a comma-separated list in any field of this name holds `token`
    // (case-insensitive), as in "Connection: keep-alive, Close".
    bool hasToken(std::string_view name, std::string_view token) const;
    // Appends a continuation line's text to the last field (obsolete folding).
    void extendLast(std::string_view more);

    const std::vector<HttpField>& fields() const { return m_fields; }
    bool empty() const { return m_fields.empty(); }
    std::size_t size() const { return m_fields.size(); }

private:
    std::vector<HttpField> m_fields;
};

struct HttpRequest
{
    std::string method; // case-sensitive, as sent ("POST")
    std::string target; // as sent: "/onvif/device_service?x=1" or an absolute URI
    int versionMinor = 1;
    HttpHeaders headers;
    HttpHeaders trailers; // after a chunked body; kept apart from the headers
    std::string body;     // the decoded body

    // Filled by the server: who sent it, and which of the camera's addresses
    // it reached (a camera may have moved since).
    std::string peerAddress;
    std::uint16_t peerPort = 0;
    std::string localAddress;
    std::uint16_t localPort = 0;

    // The target's path without query, also for an absolute-form target
    // ("http://127.0.0.5/onvif/device_service" gives "/onvif/device_service").
    std::string_view path() const;
    // Whether the client wants the connection kept after the answer: HTTP/1.1
    // unless "Connection: close", HTTP/1.0 only with "Connection: keep-alive".
    bool keepAlive() const;
};

// The standard reason phrase of a status code; "Unknown" for others.
std::string_view reasonPhrase(int status);

struct HttpResponse
{
    int status = 200;
    std::string reason; // empty: the standard phrase
    HttpHeaders headers;
    std::string body;
    // Ends the connection after this response, whatever the client asked.
    bool close = false;

    // A response with a body of this type ("text/plain; charset=utf-8" when empty).
    static HttpResponse make(int status, std::string body, std::string contentType = {});

    // The bytes on the wire. The builder owns framing: it writes Content-Length
    // (none for 1xx, 204 and 304, which have no body) and Connection itself and leaves out such
    // fields from `headers`. Header texts that would break the framing (CR, LF, NUL in a value, a
    // name that is not a token) are cleaned or left out, so a service can never split a response.
    // `omitBody` answers a HEAD request.
    std::string serialize(bool keepAlive, bool omitBody = false) const;
};

} // namespace vexlo::ipcsim::onvif
