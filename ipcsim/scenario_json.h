#pragma once

#include "ipcsim/scenario.h"

#include <filesystem>
#include <string_view>

// Reads a scenario from its JSON text (docs/simulator.md describes the format):
// an optional "defaults" object and a "cameras" array whose entries override
// the defaults key by key (an RFC 7386 merge; null restores the built-in
// value). An entry with "count" is a generated block of cameras.
namespace vexlo::ipcsim {

// Parses and validates. Throws ScenarioError saying which camera and field is
// wrong, in the terms of the file.
Scenario parseScenario(std::string_view jsonText);

// The same for a file; the error names the file too.
Scenario loadScenario(const std::filesystem::path& file);

} // namespace vexlo::ipcsim
