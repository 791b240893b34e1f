# Cross build for 64-bit Windows with Debian's mingw-w64 (the -posix thread model, so that
# std::thread and friends work). Programs are linked statically: they need only Windows' own DLLs.
# Tests run under Wine through scripts/wine-run, in a prefix of the build folder's own.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BF_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BF_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BF_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${BF_MINGW_TRIPLET}-windres)

# Libraries and headers come from the mingw tree only; programs (help2man, ...) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${BF_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

get_filename_component(BF_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${BF_SOURCE_ROOT}/scripts/wine-run;--prefix;${CMAKE_BINARY_DIR}/wine-prefix")
