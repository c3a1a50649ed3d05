#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vexlo {

// Writes `bytes` to a new file beside `target` and renames it over `target`
// once every byte is on disk, so a reader finds either the old file or the
// whole new one, never half of it. Returns 0, or the errno of the step that
// failed; then `target` is as it was and nothing is left beside it.
int replaceFile(const std::filesystem::path& target, std::string_view bytes);

// Why a file could not be written or read, in the user's words: the usual
// reasons in Chinese or English, any other as the system says it.
std::string fileErrorReason(int error, bool english);

} // namespace vexlo
