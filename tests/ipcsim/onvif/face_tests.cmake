# The simulated cameras' ONVIF face end to end: a site in-process on its own
# loopback block, driven by a blocking SOAP client built on the codec.
vexlo_add_test(ipcsim_onvif_face_tests
    SOURCES
        face_test.cpp
        http_test_client.cpp
        http_test_client.h
        ../sim_client.cpp
        ../sim_client.h
    LIBS vexlo_ipcsim vexlo_onvif_codec vexlo_test_site)
