#pragma once

namespace vexlo {

// The release and the source the programs were built from, as --version
// prints it: "1.4.5 (commit 0123456789ab)". Defined in a file the build
// writes (cmake/WriteVersionInfo.cmake), in the library vexlo_version.
const char* versionText();

} // namespace vexlo
