# The ONVIF device library: IP_NET_DVR_* answered with the standard's
# operations, on the SOAP client and the discovery client.
add_library(vexlo_onvif_library STATIC
    camera_listing.cpp
    job_pool.cpp
    live_play.cpp
    rtsp_source.cpp
    onvif_library.cpp
    media_sections.cpp
    motion_section.cpp
    onvif_search.cpp
    section_push.cpp
    section_support.cpp)
target_include_directories(vexlo_onvif_library PUBLIC ${CMAKE_SOURCE_DIR})
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBAVFORMAT REQUIRED IMPORTED_TARGET libavformat libavcodec libavutil)
target_link_libraries(vexlo_onvif_library
    PUBLIC vexlo_onvif vexlo_onvif_discovery vexlo_credentials vexlo_sdk vexlo_platform
           Threads::Threads
    PRIVATE PkgConfig::LIBAVFORMAT)
