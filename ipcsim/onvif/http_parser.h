#pragma once

#include "ipcsim/onvif/http_message.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Reads HTTP/1.1 requests from a byte stream in whatever pieces the network
// delivers them. It takes bytes only up to the end of one request, so the
// caller keeps the rest (the next pipelined request) and nothing a peer sends
// piles up in here beyond the limits below.
namespace vexlo::ipcsim::onvif {

struct HttpLimits
{
    std::size_t maxLine = 4 * 1024;         // request line, one header line, one chunk-size line
    std::size_t maxHeaderBytes = 64 * 1024; // the header section, trailers counted in
    std::size_t maxHeaderCount = 256;       // fields, trailers counted in
    std::size_t maxBody = 1024 * 1024;      // the decoded body
};

class HttpRequestParser
{
public:
    explicit HttpRequestParser(HttpLimits limits = {});

    // Reads from `bytes` until one request is complete, the input is found
    // bad, or the bytes run out. Returns how many bytes it used; the rest
    // belongs to the next request. Uses nothing once complete() or failed().
    std::size_t feed(std::string_view bytes);

    bool complete() const { return m_state == State::Complete; }
    bool failed() const { return m_state == State::Failed; }
    // The status that answers the bad input (400, 413, 414, 431, 501, 505);
    // 0 unless failed().
    int errorStatus() const { return m_errorStatus; }
    // What was wrong, for a log line.
    const std::string& errorText() const { return m_errorText; }
    // The header section asked for "100-continue" and the body has not come
    // yet: the client may wait for an interim answer before sending it.
    bool expectsContinue() const;
    // Nothing of a request received since the last take() or reset().
    bool idle() const;

    // Hands over the complete request and gets ready for the next one.
    HttpRequest take();
    // Forgets everything, a failure too.
    void reset();

private:
    enum class State
    {
        RequestLine,
        Headers,
        Body,
        ChunkSize,
        ChunkData,
        ChunkDataEnd,
        Trailers,
        Complete,
        Failed,
    };

    bool readLine(std::string_view bytes, std::size_t& used, std::size_t limit, int tooLong);
    void onRequestLine();
    void onFieldLine(HttpHeaders& fields, bool trailer);
    void onHeadersEnd();
    bool chooseFraming();
    void onChunkSize();
    void fail(int status, std::string text);

    HttpLimits m_limits;
    State m_state = State::RequestLine;
    HttpRequest m_request;
    std::string m_line;
    std::size_t m_leadingBytes = 0; // empty lines before the request line
    std::size_t m_headerBytes = 0;
    std::size_t m_fieldCount = 0;
    std::uint64_t m_remaining = 0; // of the Content-Length body or the current chunk
    bool m_expectContinue = false;
    int m_errorStatus = 0;
    std::string m_errorText;
};

} // namespace vexlo::ipcsim::onvif
