#pragma once

#include <functional>
#include <string_view>

namespace vexlo::bench {

// Reads the command line as "--name number" pairs. Every number must be a
// positive decimal; `take` stores one option and answers whether the name is
// known and the value fits. False for anything else, so the caller can print
// its usage.
bool readNumberOptions(int argc, char** argv,
                       const std::function<bool(std::string_view name, double value)>& take);

} // namespace vexlo::bench
