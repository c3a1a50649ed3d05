// libFuzzer target: a SOAP reply or request body, whatever a peer sends, goes through the XML
// reader, the envelope and fault parsers and the UsernameToken verifier.
#include "../input_checks.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string problem = vexlo::onvif::checks::checkSoapInput(
        std::string_view(reinterpret_cast<const char*>(data), size));
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        __builtin_trap();
    }
    return 0;
}
