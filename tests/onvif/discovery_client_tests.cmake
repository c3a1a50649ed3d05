# The ONVIF search client: what a ProbeMatch tells (no sockets), and the client
# against the simulator's responder and a scripted peer over loopback.
# Needs the multicast route of the test namespace; the socket tests skip without it.
vexlo_add_test(onvif_discovery_client_tests
    SOURCES
        discovered_device_test.cpp
        discovery_client_test.cpp
        discovery_peer.cpp
        discovery_peer.h
    LIBS vexlo_onvif_discovery vexlo_ipcsim_discovery vexlo_test_support)
