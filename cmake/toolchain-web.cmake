# The browser build: Debian's Emscripten. Its linker runs node scripts that need the system's
# node modules (acorn) at -O1 and above, and node 20 runs the unit tests as they are, without
# the thread flag Emscripten's own CMake files would pass it.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
set(ENV{NODE_PATH} /usr/share/nodejs)
# The environment above is the configure step's only; every link runs with it as well.
set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/node CACHE FILEPATH "Runs the unit tests" FORCE)
