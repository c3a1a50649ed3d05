# The ONVIF device library against simulated cameras on a loopback block of
# its own: the search of a whole site, logins with the site's pairs, answers.
vexlo_add_test(onvif_library_tests
    SOURCES
        live_play_test.cpp
        onvif_library_test.cpp
        section_push_peer_test.cpp
        scripted_peer.cpp
        scripted_peer.h
    LIBS vexlo_onvif_library vexlo_ipcsim vexlo_test_site)
target_compile_definitions(onvif_library_tests
    PRIVATE VEXLO_ONVIF_REPLIES_DIR="${CMAKE_CURRENT_SOURCE_DIR}/replies")
