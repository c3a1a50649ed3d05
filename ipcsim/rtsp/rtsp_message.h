#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// RTSP 1.0 messages as the simulated camera reads and writes them: an
// incremental request parser that takes bytes in any pieces and keeps to fixed
// limits, whatever a peer sends, and a response builder.
namespace vexlo::ipcsim::rtsp {

inline constexpr std::size_t kMaxLineBytes = 4 * 1024;
inline constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
inline constexpr std::size_t kMaxBodyBytes = 64 * 1024;

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// The value of the first header called `name` (case-insensitive), if any.
std::optional<std::string_view> findHeader(const HeaderList& headers, std::string_view name);

struct Request
{
    std::string method;
    std::string uri;
    std::string cseq; // digits only; the parser refuses a request without it
    HeaderList headers;
    std::string body;

    std::optional<std::string_view> header(std::string_view name) const
    {
        return findHeader(headers, name);
    }
};

class RequestParser
{
public:
    enum class Kind
    {
        NeedMore, // no complete request yet
        Request,
        Error, // the input is broken; reply `status` and close the connection
    };

    struct Result
    {
        Kind kind = Kind::NeedMore;
        Request request;
        int status = 0;   // for an error: the status code to reply with
        std::string cseq; // for an error: the request's CSeq when it was read
    };

    void feed(std::span<const std::uint8_t> bytes);
    void feed(std::string_view text);

    // The next complete request. RTP/RTCP packets that a client interleaves
    // (`$` framing) between requests are skipped. After an error every call
    // returns the same error: there is no telling where the next request
    // would begin.
    Result next();

    // Bytes fed but not consumed yet; never much more than the limits allow.
    std::size_t buffered() const { return m_buffer.size() - m_offset; }

private:
    enum class Stage
    {
        Start,
        Headers,
        Body,
    };

    Result fail(int status);
    std::optional<std::string_view> takeLine(bool& tooLong);
    bool skipInterleaved();
    bool parseRequestLine(std::string_view line);
    bool parseHeaderLine(std::string_view line);
    bool finishHeaders();
    void compact();

    std::string m_buffer;
    std::size_t m_offset = 0;
    Stage m_stage = Stage::Start;
    std::size_t m_headerBytes = 0;
    std::size_t m_bodyLength = 0;
    Request m_request;
    std::optional<Result> m_error;
    int m_pendingStatus = 0;
};

// The reason phrase of an RTSP status code ("Unknown" for one we never send).
std::string_view reasonPhrase(int status);

class Response
{
public:
    explicit Response(int status = 200) : m_status(status) {}

    int status() const { return m_status; }
    // CR and LF are removed from names and values, so nothing a client sent
    // can add a header line of its own.
    Response& add(std::string_view name, std::string_view value);
    Response& setBody(std::string_view contentType, std::string body);
    // The body alone, for a response whose Content-Type is among its headers.
    Response& setBody(std::string body);
    const HeaderList& headers() const { return m_headers; }
    const std::string& body() const { return m_body; }

    // The whole message; Content-Length is added when there is a body.
    std::string serialize() const;

private:
    int m_status;
    HeaderList m_headers;
    std::string m_body;
};

} // namespace vexlo::ipcsim::rtsp
