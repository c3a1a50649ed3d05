#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// HTTP/1.1 to the cameras over libcurl: SOAP POSTs and the firmware upload.
// Every call is bounded in time and in reply size, and passes the loopback
// rule (address_rule.h) before a socket is opened.
namespace vexlo::onvif {

inline constexpr std::size_t kMaxReplyBytes = 4 * 1024 * 1024;

struct TransportOptions
{
    // Off: nothing is sent outside 127.0.0.0/8. Only an explicit --lan sets it.
    bool lanAllowed = false;
    std::chrono::milliseconds connectTimeout{5000};
    // The whole exchange, from the first connection attempt to the last byte.
    std::chrono::milliseconds totalTimeout{15000};
    std::size_t maxReplyBytes = kMaxReplyBytes;
};

// What a firmware upload may take: a large image over a slow link needs long,
// so the total limit is generous and a stall ends it instead.
struct UploadLimits
{
    std::chrono::milliseconds totalTimeout{std::chrono::minutes(30)};
    // No byte sent for this long, while bytes remain, ends the upload.
    std::chrono::milliseconds stallTimeout{15000};
    // Once every byte is sent the camera checks the image before it answers:
    // that wait is bounded by this, not by the stall limit.
    std::chrono::milliseconds answerTimeout{std::chrono::minutes(5)};
};

struct HttpResponse
{
    int status = 0;
    std::string body;
    std::vector<std::string> wwwAuthenticate; // every value, as the camera sent them
    std::string contentType;
};

enum class TransportErrorKind
{
    NotAllowed,        // the loopback rule refused the address; no socket was opened
    BadAddress,        // not an http URL with a dotted IPv4 host
    ConnectionRefused, // nothing listens there
    ConnectTimeout,    // no connection within the connect limit
    Timeout,           // connected, but no whole answer within the total limit
    Stalled,           // an upload made no progress for the stall limit
    Closed,            // the peer closed or reset the connection before answering
    TooLarge,          // the reply passed maxReplyBytes
    Cancelled,
    FileError, // the upload's file could not be opened or read
    Other
};

struct TransportError
{
    TransportErrorKind kind = TransportErrorKind::Other;
    std::string text; // in the user's terms; never holds a password

    bool operator==(const TransportError&) const = default;
};

using HttpResult = std::variant<HttpResponse, TransportError>;

// Bytes sent so far and the file's size.
using UploadProgress = std::function<void(std::uint64_t sent, std::uint64_t total)>;

// A pool of libcurl easy handles, kept per host and port so that calls to one
// camera reuse its kept-alive connection; each call takes a handle for itself,
// so calls to many cameras run side by side.
//
// Thread safety: every member may be called from any number of threads at
// once; only the pool is shared, under a mutex. Calls block their thread.
class HttpTransport
{
public:
    explicit HttpTransport(TransportOptions options = {});
    ~HttpTransport();
    HttpTransport(const HttpTransport&) = delete;
    HttpTransport& operator=(const HttpTransport&) = delete;

    const TransportOptions& options() const { return m_options; }

    // POST of a SOAP 1.2 envelope; `action` goes into the Content-Type's
    // action parameter, `authorization` (when not empty) into an
    // Authorization header. HTTP Digest is signed by the caller (http_digest.h):
    // libcurl's own would first send the POST without its body, which cameras
    // answer with a fault rather than a challenge.
    HttpResult postSoap(std::string_view url, std::string_view action, std::string_view envelope,
                        std::string_view authorization = {});

    // POST of a file as application/octet-stream, read from disk as it is
    // sent. `progress` (may be empty) hears the bytes sent; a stop request
    // ends the upload with Cancelled.
    HttpResult postFile(std::string_view url, const std::filesystem::path& file,
                        const UploadProgress& progress, std::stop_token stop = {},
                        std::string_view authorization = {}, UploadLimits limits = {});

    // Ends every call running now and every later one with Cancelled: the
    // owner is shutting down and will not wait out the time limits.
    void cancelAll();

    // Sockets opened so far, counted where libcurl asks for one: tests see
    // that a refused address never got one.
    std::uint64_t socketsOpened() const { return m_socketsOpened.load(); }

private:
    // libcurl easy handles (CURL*), kept out of this header.
    void* takeHandle(const std::string& origin);
    void giveBack(const std::string& origin, void* handle);

    TransportOptions m_options;
    std::mutex m_poolMutex;
    std::map<std::string, std::vector<void*>> m_idle; // origin -> idle easy handles
    std::size_t m_idleCount = 0;
    std::atomic<std::uint64_t> m_socketsOpened{0};
    std::stop_source m_cancelAll;
};

// The path and query of an http URL, as the request line and a Digest
// response name it; nothing for a URL that cannot be read.
std::optional<std::string> requestTarget(std::string_view url);

// "15 s", "0.3 s": how a time limit reads in an error text.
std::string describeLimit(std::chrono::milliseconds limit);

} // namespace vexlo::onvif
