# vexlo_add_test(NAME SOURCES... LIBS ...)
#
# One GoogleTest executable per test area. Discovery runs when ctest runs, so it
# happens inside the private network namespace of `make test`. Every test gets a
# loopback host address, so nothing can ever resolve to a real interface.
function(vexlo_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES
            ENVIRONMENT "VEXLO_HOST_ADDRESS=127.0.0.1"
            TIMEOUT 300)
endfunction()
