# Run at every build (cmake -P): writes the source file that says which
# release and which commit the programs were built from. The file is only
# rewritten when that changes, so an unchanged tree relinks nothing.
#
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -DVERSION=... -P WriteVersionInfo.cmake

set(commit "unknown commit")
find_package(Git QUIET)
if(GIT_FOUND)
    execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --short=12 HEAD
                    WORKING_DIRECTORY "${SOURCE_DIR}"
                    OUTPUT_VARIABLE hash OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE hash_result ERROR_QUIET)
    if(hash_result EQUAL 0 AND hash)
        set(commit "commit ${hash}")
        # Tracked files changed since that commit: the build is not that commit.
        execute_process(COMMAND "${GIT_EXECUTABLE}" status --porcelain --untracked-files=no
                        WORKING_DIRECTORY "${SOURCE_DIR}"
                        OUTPUT_VARIABLE changes RESULT_VARIABLE status_result ERROR_QUIET)
        if(status_result EQUAL 0 AND NOT changes STREQUAL "")
            string(APPEND commit " with local changes")
        endif()
    endif()
endif()

set(text "// Written by cmake/WriteVersionInfo.cmake at build time.
#include \"platform/version.h\"

namespace vexlo {

const char* versionText()
{
    return \"${VERSION} (${commit})\";
}

} // namespace vexlo
")

set(old "")
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
    file(WRITE "${OUTPUT}" "${text}")
endif()
