#include "bench/bench_options.h"

#include <cstdlib>

namespace vexlo::bench {

bool readNumberOptions(int argc, char** argv,
                       const std::function<bool(std::string_view name, double value)>& take)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        char* end = nullptr;
        const double number = std::strtod(value, &end);
        if (end == value || *end != '\0' || !(number > 0) || !take(name, number))
            return false;
    }
    return true;
}

} // namespace vexlo::bench
