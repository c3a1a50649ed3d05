# The site's WS-Discovery responder against a plain UDP prober on loopback.
# Needs the multicast route of the test namespace; skips without it.
vexlo_add_test(ipcsim_onvif_discovery_tests
    SOURCES discovery_responder_test.cpp
    LIBS vexlo_ipcsim_discovery vexlo_onvif_discovery)
