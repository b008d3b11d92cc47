# Cross-compiling for 64-bit Windows with mingw-w64 (posix threads), linked
# statically so the program needs no runtime DLL beyond Windows' own. The
# Windows programs (tests included) run under Wine in a prefix of the build's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(RUNWARDEN_WINE wine)
if(NOT RUNWARDEN_WINE)
  message(FATAL_ERROR
    "Wine was not found. The Windows build runs its programs and tests under Wine: "
    "install it with  sudo apt-get install wine wine64  (or run ./run.sh, which installs it).")
endif()
# The wrapper is written by tests/wine/CMakeLists.txt into the build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run.sh")
