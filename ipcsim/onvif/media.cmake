# The simulated camera's media, imaging and analytics services: the state a
# client configures through them and the handlers that read and change it.
add_library(vexlo_ipcsim_onvif_media STATIC
    analytics_service.cpp
    encoder_settings.cpp
    encoder_settings.h
    imaging_service.cpp
    media_service.cpp
    media_services.cpp
    media_services.h
    media_state.cpp
    media_state.h
    media_writers.cpp
    media_writers.h
    osd_service.cpp
    service_support.cpp
    service_support.h)
target_include_directories(vexlo_ipcsim_onvif_media PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vexlo_ipcsim_onvif_media PUBLIC vexlo_onvif_codec)
