# The site's WS-Discovery responder: one socket in the discovery group on
# loopback, answering Probes for every ONVIF camera of the site.
add_library(vexlo_ipcsim_discovery STATIC
    discovery_responder.cpp
    discovery_scopes.cpp
    discovery_socket.cpp)
target_include_directories(vexlo_ipcsim_discovery PUBLIC ${CMAKE_SOURCE_DIR})
# Standalone Asio, header only, without Boost.
target_compile_definitions(vexlo_ipcsim_discovery PUBLIC ASIO_STANDALONE ASIO_NO_DEPRECATED)
target_link_libraries(vexlo_ipcsim_discovery
    PUBLIC vexlo_onvif_codec vexlo_platform Threads::Threads)
