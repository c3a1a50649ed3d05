// libFuzzer target: a WWW-Authenticate or Authorization header value from a peer goes through the
// Digest parsers and the Digest server.
#include "../input_checks.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string problem = vexlo::onvif::checks::checkDigestInput(
        std::string_view(reinterpret_cast<const char*>(data), size));
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        __builtin_trap();
    }
    return 0;
}
