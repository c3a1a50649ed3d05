# The ONVIF device library against simulated cameras on a loopback block of
# its own: the search of a whole site, logins with the site's pairs, answers.
vexlo_add_test(onvif_library_tests
    SOURCES
        onvif_library_test.cpp
        ${CMAKE_SOURCE_DIR}/tests/support/loopback_site.cpp
        ${CMAKE_SOURCE_DIR}/tests/support/loopback_site.h
    LIBS vexlo_onvif_library vexlo_ipcsim)
