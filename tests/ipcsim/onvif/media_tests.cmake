# The simulated camera's media, imaging and analytics services, driven by
# requests written as clients write them.
vexlo_add_test(ipcsim_onvif_media_tests
    SOURCES
        analytics_service_test.cpp
        imaging_service_test.cpp
        media_camera.cpp
        media_camera.h
        media_random_input_test.cpp
        media_service_test.cpp
        osd_service_test.cpp
    LIBS vexlo_ipcsim_onvif_media)
