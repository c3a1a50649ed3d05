// libFuzzer target: arbitrary bytes arriving on an RTSP connection go through
// the request parser, in pieces of varying size.
#include "../parser_checks.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The split pattern comes from the input too, so the fuzzer explores it.
    const std::uint32_t seed = size > 0 ? data[size - 1] : 0;
    const std::string problem = rtsptest::checkParserInput({data, size}, seed);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        __builtin_trap();
    }
    return 0;
}
