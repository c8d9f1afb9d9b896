# The sound of the page: the audio worklet's own WebAssembly module and the playback that follows it.
#
# The embedded soundtrack is built from its text by soundtrack-build, compiled here with em++ and
# run under node (the build's test emulator) with the host's files (NODERAWFS): the browser build
# needs no second, native tool chain, and the module bytes are the ones every build writes.

# Programs and tests run under node rather than in a page: synchronous start, the host's files.
set(quadrise_node_link_options -sENVIRONMENT=node -sWASM_ASYNC_COMPILATION=0 -sNODERAWFS=1
    -sALLOW_MEMORY_GROWTH=1)

add_library(xm_writer STATIC ${PROJECT_SOURCE_DIR}/tools/xm_writer/xm_writer.cpp)
quadrise_include_folder(xm_writer tools/xm_writer xm_writer.h)
target_link_libraries(xm_writer PUBLIC player)

add_library(output_file STATIC ${PROJECT_SOURCE_DIR}/tools/output_file/output_file.cpp)
quadrise_include_folder(output_file tools/output_file output_file.h)

add_library(soundtrack_source STATIC ${PROJECT_SOURCE_DIR}/tools/soundtrack_source/xm_text.cpp
                                     ${PROJECT_SOURCE_DIR}/tools/soundtrack_source/soundtrack_frame.cpp)
quadrise_include_folder(soundtrack_source tools/soundtrack_source xm_text.h soundtrack_frame.h)
target_link_libraries(soundtrack_source PUBLIC xm_writer)

add_executable(soundtrack-build ${PROJECT_SOURCE_DIR}/tools/soundtrack_build/soundtrack_build.cpp)
quadrise_include_folder(soundtrack-build tools/soundtrack_build)
target_link_libraries(soundtrack-build PRIVATE soundtrack_source output_file)
target_compile_definitions(soundtrack-build PRIVATE QUADRISE_VERSION="${PROJECT_VERSION}")
target_link_options(soundtrack-build PRIVATE ${quadrise_node_link_options})
set_target_properties(soundtrack-build PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
