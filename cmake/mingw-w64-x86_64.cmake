# Cross-build for 64-bit Windows with Debian's MinGW-w64 (posix threads).
# Programs are linked statically, so they run under Wine or on a bare Windows
# PC without the MinGW run-time DLLs. Without Qt, the build is core-only.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VANDORAL_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${VANDORAL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANDORAL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VANDORAL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VANDORAL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Header-only test framework: found among the build machine's headers.
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
