# Cross build for 64-bit Windows with Debian's mingw-w64 compilers (the
# POSIX thread model, which std::thread and std::mutex need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_ASM_COMPILER ${triple}-gcc-posix)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs and tools built here run under Wine on the build machine.
find_program(SANDLOOP_WINE NAMES wine)
if(SANDLOOP_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SANDLOOP_WINE})
endif()
