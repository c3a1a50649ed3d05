#include "parser_checks.h"

#include "ipcsim/onvif/http_parser.h"

#include <string_view>

namespace vexlo::ipcsim::onvif::checks {

namespace {

// Small limits, so that short inputs reach them.
constexpr HttpLimits kLimits{
    .maxLine = 200, .maxHeaderBytes = 600, .maxHeaderCount = 12, .maxBody = 900};

void describe(const HttpRequest& request, std::string& out)
{
    out +=
        request.method + ' ' + request.target + " 1." + std::to_string(request.versionMinor) + '\n';
    for (const auto& field : request.headers.fields()) {
        out += field.name + '=' + field.value + '\n';
    }
    for (const auto& field : request.trailers.fields()) {
        out += "trailer " + field.name + '=' + field.value + '\n';
    }
    out += std::to_string(request.body.size()) + ':' + request.body + "\n\n";
}

// Every request the bytes hold and how the stream ends, or a problem (first
// character '!'). `pieceSize` gives the size of each next piece.
template <typename PieceSize> std::string parseAll(std::string_view input, PieceSize pieceSize)
{
    HttpRequestParser parser(kLimits);
    std::string out;
    std::string_view pending;
    while (!input.empty() || !pending.empty()) {
        if (pending.empty()) {
            const std::size_t size = std::min(pieceSize(), input.size());
            pending = input.substr(0, size);
            input.remove_prefix(size);
        }
        const std::size_t used = parser.feed(pending);
        if (used > pending.size()) {
            return "!feed used more bytes than it was given";
        }
        pending.remove_prefix(used);
        if (parser.failed()) {
            const int status = parser.errorStatus();
            if (status != 400 && status != 413 && status != 414 && status != 431 && status != 501 &&
                status != 505) {
                return "!unexpected error status " + std::to_string(status);
            }
            return out + "failed " + std::to_string(status);
        }
        if (parser.complete()) {
            const HttpRequest request = parser.take();
            if (request.body.size() > kLimits.maxBody) {
                return "!body over the limit accepted";
            }
            if (request.headers.size() + request.trailers.size() > kLimits.maxHeaderCount) {
                return "!more fields than the limit accepted";
            }
            describe(request, out);
        } else if (used == 0 && !pending.empty()) {
            return "!parser stopped without a verdict";
        }
    }
    return out + (parser.idle() ? "idle" : "partial");
}

} // namespace

std::string checkParserInput(std::span<const std::uint8_t> bytes, std::uint32_t splitSeed)
{
    const std::string_view input(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const std::string whole = parseAll(input, [] { return std::size_t{1} << 30; });
    if (!whole.empty() && whole.front() == '!') {
        return whole.substr(1);
    }
    std::uint32_t state = splitSeed | 1;
    const std::string pieces = parseAll(input, [&] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return std::size_t{1} + state % 23;
    });
    if (pieces != whole) {
        return pieces.front() == '!' ? pieces.substr(1)
                                     : "the result depends on how the bytes are split";
    }
    return {};
}

} // namespace vexlo::ipcsim::onvif::checks
