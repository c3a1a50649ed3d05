# libFuzzer targets. They are built by Clang only (the parent folders add their
# fuzz/ folder for Clang), carry AddressSanitizer themselves, and each gets a
# short run as a test, so a clang build notices a parser that breaks.

# Sets <result> to TRUE when fuzz targets can be built in this build.
function(vexlo_libfuzzer_available result)
    set(${result} FALSE PARENT_SCOPE)
    if(VEXLO_SANITIZE AND NOT VEXLO_SANITIZE STREQUAL "address")
        message(STATUS "fuzz targets in ${CMAKE_CURRENT_SOURCE_DIR} skipped: they build with AddressSanitizer")
        return()
    endif()
    include(CheckCXXSourceCompiles)
    set(CMAKE_REQUIRED_FLAGS "-fsanitize=fuzzer,address")
    set(CMAKE_REQUIRED_LINK_OPTIONS "-fsanitize=fuzzer,address")
    check_cxx_source_compiles("
#include <cstddef>
#include <cstdint>
extern \"C\" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }"
        VEXLO_HAVE_LIBFUZZER)
    if(NOT VEXLO_HAVE_LIBFUZZER)
        message(STATUS "fuzz targets in ${CMAKE_CURRENT_SOURCE_DIR} skipped: no libFuzzer runtime")
        return()
    endif()
    set(${result} TRUE PARENT_SCOPE)
endfunction()

# An instrumented copy of the code under test, for fuzz targets to link:
#   vexlo_add_fuzzing_library(name SOURCES ... [LIBS ...])
function(vexlo_add_fuzzing_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    target_compile_options(${name} PUBLIC -fsanitize=fuzzer-no-link,address -fno-omit-frame-pointer)
endfunction()

# One fuzz target and its smoke test:
#   vexlo_add_fuzz_target(name SOURCE file.cpp TEST test_name LIBS ...)
function(vexlo_add_fuzz_target name)
    cmake_parse_arguments(ARG "" "SOURCE;TEST" "LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCE})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address)
    add_test(NAME ${ARG_TEST} COMMAND ${name} -runs=20000 -seed=1)
endfunction()
