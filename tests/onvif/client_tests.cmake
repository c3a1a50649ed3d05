# The ONVIF client end to end: against simulated cameras on a loopback block of
# its own, and against scripted peers for what the simulator does not play
# (Digest-only cameras, lockouts, silence, oversized replies).
vexlo_add_test(onvif_client_tests
    SOURCES
        client_peer_test.cpp
        device_client_test.cpp
        scripted_peer.cpp
        scripted_peer.h
    LIBS vexlo_onvif vexlo_ipcsim vexlo_test_site)
target_compile_definitions(onvif_client_tests
    PRIVATE VEXLO_ONVIF_REPLIES_DIR="${CMAKE_CURRENT_SOURCE_DIR}/replies")
