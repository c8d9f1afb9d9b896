# Cross-builds for 64-bit Windows with the mingw-w64 compilers of the posix thread model
# (the win32 model lacks std::mutex). The programs link statically, so they need only the
# system's own DLLs, and run here under wine (tests and build-time generators alike).
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
# wine's 64-bit loader itself: the wine wrapper prefers the 32-bit loader, which a kernel without
# 32-bit support cannot start.
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDEBUG=fixme-all /usr/lib/wine/wine64)
