# Cross build for Windows with Debian's mingw-w64, posix thread model (GoogleTest needs std::mutex).
#
# VELMO_TARGET_ARCH selects the Windows architecture: i686 (32-bit, the programs as shipped) or
# x86_64. The tests run under Wine, which executes 32-bit Windows code only where the machine can
# run 32-bit x86 code at all; the build machines of this project cannot (their hypervisor has no
# 32-bit user mode), so their tests run the x86_64 build of the same sources under wine64.
set(VELMO_TARGET_ARCH "x86_64" CACHE STRING "Windows architecture: i686 or x86_64")
set_property(CACHE VELMO_TARGET_ARCH PROPERTY STRINGS i686 x86_64)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VELMO_TARGET_ARCH})
set(_triple ${VELMO_TARGET_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER   ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER  ${_triple}-windres)
set(CMAKE_MC_COMPILER  ${_triple}-windmc)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Keeps the choice when CMake re-reads this file for its try-compile projects.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELMO_TARGET_ARCH)
