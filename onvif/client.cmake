find_package(CURL REQUIRED)

# The ONVIF client: HTTP to the cameras over libcurl (bounded in time and
# size, loopback only unless LAN mode is on) and one camera's SOAP client with
# its sign-in state, on top of the codec's builders and parsers.
add_library(vexlo_onvif STATIC
    auth_state.cpp
    device_client.cpp
    http_transport.cpp)
target_include_directories(vexlo_onvif PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vexlo_onvif PUBLIC vexlo_onvif_codec PRIVATE CURL::libcurl Threads::Threads)
