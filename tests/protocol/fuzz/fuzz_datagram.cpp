// libFuzzer target: arbitrary bytes arriving at the search port, and at a
// client's search socket, go through the datagram decoders.
#include "../input_checks.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string problem = vexlo::protocol::checks::checkDatagramInput({data, size});
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        __builtin_trap();
    }
    return 0;
}
