# The ONVIF search: WS-Discovery probes on one UDP socket and the list of the
# devices that answered, loopback-only unless a LAN interface is named.
add_library(vexlo_onvif_discovery STATIC
    discovered_device.cpp
    discovery_client.cpp
    loopback_multicast.cpp)
target_include_directories(vexlo_onvif_discovery PUBLIC ${CMAKE_SOURCE_DIR})
# Standalone Asio, header only, without Boost.
target_compile_definitions(vexlo_onvif_discovery PUBLIC ASIO_STANDALONE ASIO_NO_DEPRECATED)
target_link_libraries(vexlo_onvif_discovery
    PUBLIC vexlo_onvif_codec vexlo_platform Threads::Threads)
