#include "ipcsim/rtsp/request_target.h"

#include <algorithm>
#include <cctype>

namespace vexlo::ipcsim::rtsp {

namespace {

constexpr std::string_view kTrackPrefix = "trackID=";
constexpr std::size_t kMaxTrackDigits = 3;

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

std::optional<std::string_view> pathOf(std::string_view uri)
{
    if (startsWithIgnoreCase(uri, "rtsp://")) {
        uri.remove_prefix(7);
        const auto slash = uri.find('/');
        return slash == std::string_view::npos ? std::string_view() : uri.substr(slash);
    }
    if (uri.starts_with('/')) {
        return uri;
    }
    return std::nullopt;
}

} // namespace

std::optional<RequestTarget> parseRequestTarget(std::string_view uri)
{
    auto path = pathOf(uri);
    if (!path) {
        return std::nullopt;
    }
    path = path->substr(0, path->find_first_of("?#"));
    while (path->starts_with('/')) {
        path->remove_prefix(1);
    }
    while (path->ends_with('/')) {
        path->remove_suffix(1);
    }
    RequestTarget target;
    const auto slash = path->rfind('/');
    const auto last = slash == std::string_view::npos ? *path : path->substr(slash + 1);
    if (!last.starts_with(kTrackPrefix)) {
        target.stream = *path;
        return target;
    }
    const auto digits = last.substr(kTrackPrefix.size());
    if (digits.empty() || digits.size() > kMaxTrackDigits ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    target.track = std::stoi(std::string(digits));
    target.stream = slash == std::string_view::npos ? std::string_view() : path->substr(0, slash);
    while (target.stream.ends_with('/')) {
        target.stream.pop_back();
    }
    return target;
}

} // namespace vexlo::ipcsim::rtsp
