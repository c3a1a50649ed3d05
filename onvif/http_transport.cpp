#include "onvif/http_transport.h"

#include "onvif/address_rule.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <curl/curl.h>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>

namespace vexlo::onvif {

namespace {

// Idle handles kept per camera, and in all: enough for the calls a batch runs
// at once on one camera, without keeping a socket for every camera ever seen.
constexpr std::size_t kMaxIdlePerOrigin = 4;
constexpr std::size_t kMaxIdle = 256;
constexpr std::size_t kMaxHeaderBytes = 64 * 1024;

bool initialiseCurl()
{
    // Not thread-safe in libcurl itself, and needed once per process.
    static const bool ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ok;
}

struct Target
{
    std::string host;
    long port = 0;
    std::string origin; // "127.0.0.5:8080", how errors name the camera
};

TransportError badAddress(std::string text)
{
    return {TransportErrorKind::BadAddress, std::move(text)};
}

// Scheme, host and port by libcurl's own URL parser, so that what we check is
// what it connects to. The URL itself is never echoed: it could carry a password.
std::variant<Target, TransportError> parseTarget(std::string_view url, bool lanAllowed)
{
    const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
    const std::string text(url);
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK)
        return badAddress("unusable camera address (an http:// address is needed)");
    const auto part = [&](CURLUPart which, unsigned flags = 0) -> std::optional<std::string> {
        char* value = nullptr;
        if (curl_url_get(parsed.get(), which, &value, flags) != CURLUE_OK)
            return std::nullopt;
        std::string out(value);
        curl_free(value);
        return out;
    };
    if (part(CURLUPART_SCHEME) != "http")
        return badAddress("unusable camera address (an http:// address is needed)");
    if (part(CURLUPART_USER) || part(CURLUPART_PASSWORD))
        return badAddress("a camera address must not hold a user name or password");
    Target target;
    target.host = part(CURLUPART_HOST).value_or("");
    const std::string port = part(CURLUPART_PORT, CURLU_DEFAULT_PORT).value_or("80");
    target.port = std::strtol(port.c_str(), nullptr, 10);
    target.origin = target.host + ":" + port;
    if (!mayReach(target.host, true))
        return badAddress("camera address " + target.host + " is not an IPv4 address");
    if (!mayReach(target.host, lanAllowed))
        return TransportError{TransportErrorKind::NotAllowed,
                              target.host + " is outside the loopback network and LAN mode is off"};
    return target;
}

// One call's state, shared with libcurl's callbacks.
constexpr long kUploadBufferBytes = 512L * 1024;

struct Exchange
{
    const Target* target = nullptr;
    HttpResponse response;
    std::size_t maxBody = kMaxReplyBytes;
    std::size_t headerBytes = 0;
    bool tooLarge = false;
    bool lanAllowed = false;
    bool socketRefused = false;
    std::atomic<std::uint64_t>* socketsOpened = nullptr;

    // Upload only.
    std::FILE* file = nullptr;
    std::uint64_t fileSize = 0;
    bool readFailed = false;
    const UploadProgress* progress = nullptr;
    std::uint64_t reported = 0;
    std::stop_token stop;
    std::stop_token cancelAll; // the transport's own: every call stops for it
    bool cancelled = false;
    // Upload limits, measured in the progress callback.
    std::chrono::steady_clock::duration stallTimeout{};
    std::chrono::steady_clock::duration answerTimeout{};
    std::chrono::steady_clock::time_point lastProgress{};
    std::chrono::steady_clock::time_point allSentAt{};
    bool stalled = false;
    bool noAnswer = false;
};

std::string_view trimLine(std::string_view text)
{
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                             text.back() == '\t'))
        text.remove_suffix(1);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& exchange = *static_cast<Exchange*>(user);
    const std::size_t bytes = size * count;
    if (exchange.response.body.size() + bytes > exchange.maxBody) {
        exchange.tooLarge = true;
        return 0; // libcurl ends the transfer with a write error
    }
    exchange.response.body.append(data, bytes);
    return bytes;
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& exchange = *static_cast<Exchange*>(user);
    const std::size_t bytes = size * count;
    const std::string_view line(data, bytes);
    if (line.starts_with("HTTP/")) {
        // A new response begins (after a 100 or a Digest challenge): only the
        // last one is the answer.
        exchange.response = HttpResponse{};
        exchange.headerBytes = 0;
    }
    exchange.headerBytes += bytes;
    if (exchange.headerBytes > kMaxHeaderBytes) {
        exchange.tooLarge = true;
        return 0;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return bytes;
    const std::string_view name = trimLine(line.substr(0, colon));
    const std::string_view value = trimLine(line.substr(colon + 1));
    if (sameName(name, "WWW-Authenticate"))
        exchange.response.wwwAuthenticate.emplace_back(value);
    else if (sameName(name, "Content-Type"))
        exchange.response.contentType = value;
    return bytes;
}

// The last line of the loopback rule: whatever libcurl resolved or was told,
// no socket is opened to an address the rule refuses.
curl_socket_t onOpenSocket(void* user, curlsocktype, curl_sockaddr* address)
{
    auto& exchange = *static_cast<Exchange*>(user);
    if (address->family != AF_INET) {
        exchange.socketRefused = true;
        return CURL_SOCKET_BAD;
    }
    sockaddr_in peer{};
    std::memcpy(&peer, &address->addr, sizeof peer);
    if (!mayReach(static_cast<std::uint32_t>(ntohl(peer.sin_addr.s_addr)), exchange.lanAllowed)) {
        exchange.socketRefused = true;
        return CURL_SOCKET_BAD;
    }
    const int fd = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (fd >= 0)
        exchange.socketsOpened->fetch_add(1);
    return fd >= 0 ? fd : CURL_SOCKET_BAD;
}

std::size_t onRead(char* buffer, std::size_t size, std::size_t count, void* user)
{
    auto& exchange = *static_cast<Exchange*>(user);
    if (exchange.stop.stop_requested()) {
        exchange.cancelled = true;
        return CURL_READFUNC_ABORT;
    }
    const std::size_t got = std::fread(buffer, 1, size * count, exchange.file);
    if (got == 0 && std::ferror(exchange.file)) {
        exchange.readFailed = true;
        return CURL_READFUNC_ABORT;
    }
    return got;
}

// libcurl rewinds when it must send the body again: a kept-alive connection
// the camera had closed meanwhile is retried on a new one.
int onSeek(void* user, curl_off_t offset, int origin)
{
    auto& exchange = *static_cast<Exchange*>(user);
    return ::fseeko(exchange.file, static_cast<off_t>(offset), origin) == 0 ? CURL_SEEKFUNC_OK
                                                                            : CURL_SEEKFUNC_FAIL;
}

// libcurl calls this about once a second even while nothing moves, so the
// stall and answer limits are checked here.
int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent)
{
    auto& exchange = *static_cast<Exchange*>(user);
    if (exchange.stop.stop_requested() || exchange.cancelAll.stop_requested()) {
        exchange.cancelled = true;
        return 1;
    }
    if (exchange.file == nullptr)
        return 0; // a SOAP call: only cancellation applies
    const auto now = std::chrono::steady_clock::now();
    const auto bytes = static_cast<std::uint64_t>(sent);
    if (exchange.lastProgress == std::chrono::steady_clock::time_point{})
        exchange.lastProgress = now;
    if (bytes != exchange.reported) {
        exchange.reported = bytes;
        exchange.lastProgress = now;
        if (exchange.progress && *exchange.progress)
            (*exchange.progress)(bytes, exchange.fileSize);
    }
    if (bytes < exchange.fileSize) {
        if (now - exchange.lastProgress > exchange.stallTimeout) {
            exchange.stalled = true;
            return 1;
        }
        return 0;
    }
    if (exchange.allSentAt == std::chrono::steady_clock::time_point{})
        exchange.allSentAt = now;
    if (now - exchange.allSentAt > exchange.answerTimeout) {
        exchange.noAnswer = true;
        return 1;
    }
    return 0;
}

struct HeaderList
{
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
    void add(const std::string& line) { list = curl_slist_append(list, line.c_str()); }
};

void configure(CURL* handle, Exchange& exchange, std::string_view url,
               std::chrono::milliseconds connectTimeout, std::chrono::milliseconds totalTimeout,
               curl_slist* headers)
{
    // Reset keeps the live connection, so a camera's next call reuses it.
    curl_easy_reset(handle);
    const std::string urlText(url);
    curl_easy_setopt(handle, CURLOPT_URL, urlText.c_str()); // copied by libcurl
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    // An http_proxy in the environment would send our requests elsewhere.
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L); // required for timeouts in threads
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeout.count()));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(totalTimeout.count()));
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(exchange.maxBody));
    curl_easy_setopt(handle, CURLOPT_USERAGENT, "Vexlo");
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &exchange);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &onHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &exchange);
    curl_easy_setopt(handle, CURLOPT_OPENSOCKETFUNCTION, &onOpenSocket);
    curl_easy_setopt(handle, CURLOPT_OPENSOCKETDATA, &exchange);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
}

// Builds the request's header lines; false when a value would break out of its line.
bool fillHeaders(HeaderList& headers, std::string contentType, std::string_view authorization)
{
    if (contentType.find_first_of("\r\n") != std::string::npos ||
        authorization.find_first_of("\r\n") != std::string_view::npos)
        return false;
    headers.add("Content-Type: " + contentType);
    headers.add("Expect:"); // no 100-continue round trip: cameras answer straight away
    if (!authorization.empty())
        headers.add("Authorization: " + std::string(authorization));
    return true;
}

HttpResult outcome(CURL* handle, CURLcode code, Exchange& exchange,
                   std::chrono::milliseconds connectTimeout, std::chrono::milliseconds totalTimeout,
                   std::optional<std::chrono::milliseconds> stallTimeout)
{
    const std::string& peer = exchange.target->origin;
    if (code == CURLE_OK) {
        long status = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        exchange.response.status = static_cast<int>(status);
        return std::move(exchange.response);
    }
    if (exchange.socketRefused)
        return TransportError{TransportErrorKind::NotAllowed,
                              peer + " is outside the loopback network and LAN mode is off"};
    if (exchange.cancelled)
        return TransportError{TransportErrorKind::Cancelled,
                              (exchange.file ? "upload to " : "call to ") + peer + " cancelled"};
    if (exchange.stalled && stallTimeout)
        return TransportError{TransportErrorKind::Stalled, "the upload to " + peer +
                                                               " made no progress for " +
                                                               describeLimit(*stallTimeout)};
    if (exchange.noAnswer)
        return TransportError{
            TransportErrorKind::Timeout,
            peer + " took the whole image but gave no answer within " +
                describeLimit(
                    std::chrono::duration_cast<std::chrono::milliseconds>(exchange.answerTimeout))};
    if (exchange.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
        return TransportError{TransportErrorKind::TooLarge,
                              "the answer from " + peer + " is larger than " +
                                  std::to_string(exchange.maxBody / 1024) + " KiB"};
    if (exchange.readFailed)
        return TransportError{TransportErrorKind::FileError, "the firmware file could not be read"};

    // A reused connection has no connect time of its own, but it does reach
    // the point where the request goes out.
    curl_off_t connectedAfter = 0;
    curl_off_t requestAfter = 0;
    curl_easy_getinfo(handle, CURLINFO_CONNECT_TIME_T, &connectedAfter);
    curl_easy_getinfo(handle, CURLINFO_PRETRANSFER_TIME_T, &requestAfter);
    const bool connected = connectedAfter > 0 || requestAfter > 0;
    long osError = 0;
    curl_easy_getinfo(handle, CURLINFO_OS_ERRNO, &osError);
    switch (code) {
    case CURLE_COULDNT_CONNECT:
        if (osError == ECONNREFUSED)
            return TransportError{TransportErrorKind::ConnectionRefused,
                                  "connection refused by " + peer};
        return TransportError{TransportErrorKind::Other,
                              "cannot connect to " + peer +
                                  (osError ? ": " + std::string(std::strerror(osError)) : "")};
    case CURLE_OPERATION_TIMEDOUT: {
        if (!connected)
            return TransportError{TransportErrorKind::ConnectTimeout,
                                  "no connection to " + peer + " within " +
                                      describeLimit(std::min(connectTimeout, totalTimeout))};
        return TransportError{TransportErrorKind::Timeout,
                              "no answer from " + peer + " within " + describeLimit(totalTimeout)};
    }
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        return TransportError{TransportErrorKind::Closed,
                              peer + " closed the connection without a whole answer"};
    case CURLE_WEIRD_SERVER_REPLY:
        return TransportError{TransportErrorKind::Other, peer + " did not answer in HTTP"};
    default:
        return TransportError{TransportErrorKind::Other,
                              "cannot reach " + peer + ": " + curl_easy_strerror(code)};
    }
}

} // namespace

std::optional<std::string> requestTarget(std::string_view url)
{
    const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
    const std::string text(url);
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    std::string target;
    for (const CURLUPart part : {CURLUPART_PATH, CURLUPART_QUERY}) {
        char* value = nullptr;
        if (curl_url_get(parsed.get(), part, &value, 0) != CURLUE_OK)
            continue;
        target += (part == CURLUPART_QUERY ? "?" : "") + std::string(value);
        curl_free(value);
    }
    return target.empty() ? "/" : target;
}

std::string describeLimit(std::chrono::milliseconds limit)
{
    const auto ms = limit.count();
    if (ms % 1000 == 0)
        return std::to_string(ms / 1000) + " s";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
    return text;
}

HttpTransport::HttpTransport(TransportOptions options) : m_options(options)
{
    initialiseCurl();
}

HttpTransport::~HttpTransport()
{
    for (auto& [origin, handles] : m_idle) {
        for (void* handle : handles)
            curl_easy_cleanup(static_cast<CURL*>(handle));
    }
}

void HttpTransport::cancelAll()
{
    m_cancelAll.request_stop();
}

void* HttpTransport::takeHandle(const std::string& origin)
{
    {
        std::lock_guard lock(m_poolMutex);
        const auto found = m_idle.find(origin);
        if (found != m_idle.end() && !found->second.empty()) {
            void* handle = found->second.back();
            found->second.pop_back();
            --m_idleCount;
            return handle;
        }
    }
    return initialiseCurl() ? curl_easy_init() : nullptr;
}

void HttpTransport::giveBack(const std::string& origin, void* handle)
{
    // Drops the pointers into the finished call's state; the connection stays.
    curl_easy_reset(static_cast<CURL*>(handle));
    {
        std::lock_guard lock(m_poolMutex);
        auto& handles = m_idle[origin];
        if (handles.size() < kMaxIdlePerOrigin && m_idleCount < kMaxIdle) {
            handles.push_back(handle);
            ++m_idleCount;
            return;
        }
    }
    curl_easy_cleanup(static_cast<CURL*>(handle)); // closes its connection, outside the lock
}

HttpResult HttpTransport::postSoap(std::string_view url, std::string_view action,
                                   std::string_view envelope, std::string_view authorization)
{
    auto target = parseTarget(url, m_options.lanAllowed);
    if (auto* error = std::get_if<TransportError>(&target))
        return std::move(*error);
    HeaderList headers;
    // A quote in the action would end the parameter early.
    if (action.find('"') != std::string_view::npos ||
        !fillHeaders(headers,
                     "application/soap+xml; charset=utf-8; action=\"" + std::string(action) + "\"",
                     authorization))
        return TransportError{TransportErrorKind::Other, "nothing sent: unusable request headers"};

    Exchange exchange;
    exchange.target = &std::get<Target>(target);
    exchange.maxBody = m_options.maxReplyBytes;
    exchange.lanAllowed = m_options.lanAllowed;
    exchange.socketsOpened = &m_socketsOpened;
    exchange.cancelAll = m_cancelAll.get_token();
    if (exchange.cancelAll.stop_requested())
        return TransportError{TransportErrorKind::Cancelled,
                              "call to " + exchange.target->origin + " cancelled"};

    void* handle = takeHandle(exchange.target->origin);
    if (!handle)
        return TransportError{TransportErrorKind::Other, "the HTTP library could not start"};
    CURL* curl = static_cast<CURL*>(handle);
    configure(curl, exchange, url, m_options.connectTimeout, m_options.totalTimeout, headers.list);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &exchange);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(envelope.size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS,
                     envelope.data()); // not copied: lives until perform ends
    const CURLcode code = curl_easy_perform(curl);
    HttpResult result = outcome(curl, code, exchange, m_options.connectTimeout,
                                m_options.totalTimeout, std::nullopt);
    giveBack(exchange.target->origin, handle);
    return result;
}

HttpResult HttpTransport::postFile(std::string_view url, const std::filesystem::path& file,
                                   const UploadProgress& progress, std::stop_token stop,
                                   std::string_view authorization, UploadLimits limits)
{
    auto target = parseTarget(url, m_options.lanAllowed);
    if (auto* error = std::get_if<TransportError>(&target))
        return std::move(*error);
    HeaderList headers;
    if (!fillHeaders(headers, "application/octet-stream", authorization))
        return TransportError{TransportErrorKind::Other, "nothing sent: unusable request headers"};
    if (stop.stop_requested())
        return TransportError{TransportErrorKind::Cancelled,
                              "upload to " + std::get<Target>(target).origin + " cancelled"};

    std::error_code sizeError;
    const std::uint64_t size = std::filesystem::file_size(file, sizeError);
    const std::unique_ptr<std::FILE, decltype(&std::fclose)> stream(
        sizeError ? nullptr : std::fopen(file.c_str(), "rb"), &std::fclose);
    if (!stream)
        return TransportError{TransportErrorKind::FileError,
                              "cannot open the firmware file " + file.filename().string()};

    Exchange exchange;
    exchange.target = &std::get<Target>(target);
    exchange.maxBody = m_options.maxReplyBytes;
    exchange.lanAllowed = m_options.lanAllowed;
    exchange.socketsOpened = &m_socketsOpened;
    exchange.file = stream.get();
    exchange.fileSize = size;
    exchange.progress = &progress;
    exchange.stop = stop;
    exchange.cancelAll = m_cancelAll.get_token();
    exchange.stallTimeout = limits.stallTimeout;
    exchange.answerTimeout = limits.answerTimeout;

    void* handle = takeHandle(exchange.target->origin);
    if (!handle)
        return TransportError{TransportErrorKind::Other, "the HTTP library could not start"};
    CURL* curl = static_cast<CURL*>(handle);
    configure(curl, exchange, url, m_options.connectTimeout, limits.totalTimeout, headers.list);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(size));
    // Large reads and sends: a site uploads hundreds of images at once, and
    // libcurl's 64 KiB default costs a system call per 64 KiB on both ends.
    curl_easy_setopt(curl, CURLOPT_UPLOAD_BUFFERSIZE, kUploadBufferBytes);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &onRead);
    curl_easy_setopt(curl, CURLOPT_READDATA, &exchange);
    curl_easy_setopt(curl, CURLOPT_SEEKFUNCTION, &onSeek);
    curl_easy_setopt(curl, CURLOPT_SEEKDATA, &exchange);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &exchange);
    const CURLcode code = curl_easy_perform(curl);
    if (code == CURLE_OK && progress) {
        curl_off_t sent = 0;
        curl_easy_getinfo(curl, CURLINFO_SIZE_UPLOAD_T, &sent);
        if (static_cast<std::uint64_t>(sent) != exchange.reported)
            progress(static_cast<std::uint64_t>(sent), size);
    }
    HttpResult result = outcome(curl, code, exchange, m_options.connectTimeout, limits.totalTimeout,
                                limits.stallTimeout);
    giveBack(exchange.target->origin, handle);
    return result;
}

} // namespace vexlo::onvif
