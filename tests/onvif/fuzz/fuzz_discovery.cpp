// libFuzzer target: a datagram arriving on the discovery port goes through the Probe,
// ProbeMatches, Hello and Bye parsers.
#include "../input_checks.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string problem = vexlo::onvif::checks::checkDiscoveryInput(
        std::string_view(reinterpret_cast<const char*>(data), size));
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        __builtin_trap();
    }
    return 0;
}
