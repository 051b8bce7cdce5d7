# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64):
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The posix flavour of the compiler is preferred: its runtime has std::thread
# and std::mutex, which the win32 flavour lacks. The registry tests run the
# programs it builds under Wine (tests/registry/WindowsTests.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAVISK_MINGW_TRIPLET x86_64-w64-mingw32)
find_program(TAVISK_MINGW_CXX NAMES ${TAVISK_MINGW_TRIPLET}-g++-posix ${TAVISK_MINGW_TRIPLET}-g++
             REQUIRED)
find_program(TAVISK_MINGW_CC NAMES ${TAVISK_MINGW_TRIPLET}-gcc-posix ${TAVISK_MINGW_TRIPLET}-gcc
             REQUIRED)
set(CMAKE_CXX_COMPILER ${TAVISK_MINGW_CXX})
set(CMAKE_C_COMPILER ${TAVISK_MINGW_CC})
set(CMAKE_RC_COMPILER ${TAVISK_MINGW_TRIPLET}-windres)

# Libraries, headers and packages come from the target's tree, or from the
# folders CMAKE_PREFIX_PATH names (a Qt for Windows, for one); never from the
# host's own. Programs come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TAVISK_MINGW_TRIPLET} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own runtime (libstdc++, libgcc, winpthread) is linked in, so
# that a program runs without the cross compiler's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
