# The sound of the page: the audio worklet's own WebAssembly module and the playback that follows it.
#
# The embedded soundtrack is built from its text by soundtrack-build, compiled here with em++ and
# run under node (the build's test emulator) with the host's files (NODERAWFS): the browser build
# needs no second, native tool chain, and the module bytes are the ones every build writes.

# Programs and tests run under node rather than in a page: synchronous start, the host's files.
# Their code is compiled optimised as everywhere, but linked at -O1, without Binaryen's whole-module
# optimiser: it takes seconds per test binary at -O3 and they run no faster for it.
set(quadrise_node_link_options -sENVIRONMENT=node -sWASM_ASYNC_COMPILATION=0 -sNODERAWFS=1
    -sALLOW_MEMORY_GROWTH=1 -O1)

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

# The worklet's module: the device and the mixing thread, run inside the AudioWorkletProcessor.
# A standalone module with no JavaScript of its own; the worklet's script (in audio.js) gives it
# the few system calls it imports.
add_executable(quadrise-audio ${PROJECT_SOURCE_DIR}/platform/web/audio/worklet_device.cpp)
quadrise_include_folder(quadrise-audio platform/web/audio)
target_link_libraries(quadrise-audio PRIVATE audio player synth resources quadrise_resources)
target_link_options(quadrise-audio PRIVATE -sSTANDALONE_WASM --no-entry -sALLOW_MEMORY_GROWTH=1)
set_target_properties(quadrise-audio PROPERTIES SUFFIX .wasm
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/site)
add_dependencies(site quadrise-audio)

# The page's sound script: the main thread's side of the sound, with the worklet's processor.
set(quadrise_audio_js ${CMAKE_BINARY_DIR}/site/audio.js)
add_custom_command(OUTPUT ${quadrise_audio_js}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/platform/web/audio/audio.js ${quadrise_audio_js}
  DEPENDS ${PROJECT_SOURCE_DIR}/platform/web/audio/audio.js)
add_custom_target(quadrise-audio-js DEPENDS ${quadrise_audio_js})
add_dependencies(site quadrise-audio-js)

# Playback for the main module (music_play, music_stop): the mirror of the worklet's ring and the
# silent device where the browser gives no sound.
add_library(audio_output STATIC ${PROJECT_SOURCE_DIR}/audio/music_output_web.cpp
                                 ${PROJECT_SOURCE_DIR}/audio/play_start.cpp)
quadrise_include_folder(audio_output audio audio.h)
target_link_libraries(audio_output PUBLIC audio player)

# A page of the sound tests' own (build-web/sound-test/, outside the site): audio.js and the
# worklet's module, under a small main module that brings the music up and plays it as the
# program does, without the pictures.
set(sound_test_dir ${CMAKE_BINARY_DIR}/sound-test)
add_executable(sound-test-page ${PROJECT_SOURCE_DIR}/tests/web/sound_page/sound_page.cpp)
quadrise_include_folder(sound-test-page tests/web/sound_page)
target_link_libraries(sound-test-page PRIVATE audio_output audio player synth resources quadrise_resources)
target_link_options(sound-test-page PRIVATE -sENVIRONMENT=web -sALLOW_MEMORY_GROWTH=1)
set_target_properties(sound-test-page PROPERTIES OUTPUT_NAME sound_page
                      RUNTIME_OUTPUT_DIRECTORY ${sound_test_dir})
set(sound_test_files "")
foreach(file index.html)
  add_custom_command(OUTPUT ${sound_test_dir}/${file}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/tests/web/sound_page/${file} ${sound_test_dir}/${file}
    DEPENDS ${PROJECT_SOURCE_DIR}/tests/web/sound_page/${file})
  list(APPEND sound_test_files ${sound_test_dir}/${file})
endforeach()
foreach(file audio.js quadrise-audio.wasm)
  add_custom_command(OUTPUT ${sound_test_dir}/${file}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/site/${file} ${sound_test_dir}/${file}
    DEPENDS ${CMAKE_BINARY_DIR}/site/${file} quadrise-audio quadrise-audio-js)
  list(APPEND sound_test_files ${sound_test_dir}/${file})
endforeach()
add_custom_target(sound-test ALL DEPENDS sound-test-page ${sound_test_files})
