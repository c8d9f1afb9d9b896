# Cross-builds for 32-bit Windows with the mingw-w64 compilers of the posix thread model
# (the win32 model lacks std::mutex). The programs link statically, so they need only the
# system's own DLLs, and run here under wine (tests and build-time generators alike).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# The 32-bit loader, which needs a kernel that runs 32-bit programs.
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDEBUG=fixme-all /usr/lib/wine/wine)
# SSE2 arithmetic instead of the x87 unit, whose 80-bit intermediates would round the
# synthesizer's doubles differently from the 64-bit build and from Linux.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
