#include "parser_checks.h"

#include "ipcsim/rtsp/rtsp_message.h"

#include <algorithm>
#include <set>

namespace rtsptest {

using namespace vexlo::ipcsim::rtsp;

namespace {

// The most a parser may hold: one body and one header block, plus the piece
// fed last (the parser sees a whole read before it can refuse any of it).
constexpr std::size_t kMaxPiece = 512;
constexpr std::size_t kMaxHeld = kMaxHeaderBytes + kMaxBodyBytes + kMaxPiece + 4;

std::string checkRequest(const Request& request)
{
    if (request.method.empty() || request.uri.empty()) {
        return "a request without method or URI";
    }
    if (request.cseq.empty() || !std::all_of(request.cseq.begin(), request.cseq.end(),
                                             [](char c) { return c >= '0' && c <= '9'; })) {
        return "a request with CSeq '" + request.cseq + "'";
    }
    if (request.body.size() > kMaxBodyBytes) {
        return "a body over the limit";
    }
    for (const auto& [name, value] : request.headers) {
        if (name.find_first_of("\r\n") != std::string::npos ||
            value.find_first_of("\r\n") != std::string::npos) {
            return "a line break inside a header";
        }
    }
    return {};
}

} // namespace

std::string checkParserInput(std::span<const std::uint8_t> bytes, std::uint32_t seed)
{
    static const std::set<int> kErrorStatuses{400, 413, 414, 505};
    RequestParser parser;
    std::uint32_t state = seed | 1;
    std::optional<int> errorStatus;
    while (!bytes.empty()) {
        state = state * 1103515245u + 12345u;
        const std::size_t piece =
            std::min<std::size_t>(bytes.size(), 1 + (state >> 16) % kMaxPiece);
        parser.feed(bytes.first(piece));
        bytes = bytes.subspan(piece);
        if (parser.buffered() > kMaxHeld) {
            return "the parser holds " + std::to_string(parser.buffered()) + " bytes";
        }
        for (;;) {
            const auto result = parser.next();
            if (result.kind == RequestParser::Kind::NeedMore) {
                if (errorStatus) {
                    return "an error that went away";
                }
                break;
            }
            if (result.kind == RequestParser::Kind::Error) {
                if (kErrorStatuses.count(result.status) == 0) {
                    return "error status " + std::to_string(result.status);
                }
                if (errorStatus && *errorStatus != result.status) {
                    return "an error that changed";
                }
                errorStatus = result.status;
                break;
            }
            if (errorStatus) {
                return "a request after an error";
            }
            if (auto problem = checkRequest(result.request); !problem.empty()) {
                return problem;
            }
        }
    }
    return {};
}

} // namespace rtsptest
