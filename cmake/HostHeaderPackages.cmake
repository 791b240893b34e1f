# CLI11 and nlohmann-json are header-only, and Debian ships them for the host alone; a cross build
# uses those headers. Their own package files would put the host's whole include folder on the
# path, with the host's C library in front of the target's, so the cross build sees them through a
# folder that holds nothing but links to their two folders, and package files of its own.
set(BF_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${BF_HOST_HEADERS}/include ${BF_HOST_HEADERS}/cmake)

function(bf_host_header_package package target folder)
    file(CREATE_LINK /usr/include/${folder} ${BF_HOST_HEADERS}/include/${folder} SYMBOLIC)
    file(WRITE ${BF_HOST_HEADERS}/cmake/${package}Config.cmake
         "if(NOT TARGET ${target})\n"
         "    add_library(${target} INTERFACE IMPORTED)\n"
         "    set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${BF_HOST_HEADERS}/include)\n"
         "endif()\n")
    set(${package}_DIR ${BF_HOST_HEADERS}/cmake CACHE PATH "" FORCE)
endfunction()

bf_host_header_package(CLI11 CLI11::CLI11 CLI)
bf_host_header_package(nlohmann_json nlohmann_json::nlohmann_json nlohmann)
