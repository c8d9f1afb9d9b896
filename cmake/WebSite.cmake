# The page: the web platform backend, the timeline and the app (the desktop's sources, unchanged),
# the main WebAssembly module (quadrise.js + quadrise.wasm) and the page files, all into
# build-web/site/ as part of target `site`.

# The platform layer: the backend in platform/web/ (the page's canvas, WebGL and the GL 1.x
# subset the program calls, HTML message boxes, the Fullscreen API) and the parts every backend
# shares. Nothing here plays sound: the page's sound is the audio worklet's (cmake/WebAudio.cmake).
quadrise_subsystem(platform
  web/platform_open.cpp web/message_box.cpp web/display_mode.cpp web/cursor.cpp web/window.cpp
  web/events.cpp web/threads.cpp
  web/gl/gl_state.cpp web/gl/matrices.cpp web/gl/glu.cpp web/gl/lighting.cpp web/gl/shader.cpp
  web/gl/immediate.cpp web/gl/vertex_arrays.cpp web/gl/bitmaps.cpp web/gl/pixels.cpp
  platform_error.cpp window_handle.cpp)

quadrise_subsystem(timeline
  timeline_step.cpp scenes.cpp cubes.cpp occlusion.cpp path.cpp text.cpp greetings.cpp)
target_link_libraries(timeline PUBLIC platform)
quadrise_subsystem(app app_main.cpp window_proc.cpp gl_setup.cpp music_bring_up.cpp)
target_link_libraries(app PUBLIC timeline platform audio_output audio player synth resources)

# The frame walk of quadrise-render frame, for the page's picture hook.
add_library(frame_render STATIC ${PROJECT_SOURCE_DIR}/tools/frame_render/frame_render.cpp)
quadrise_include_folder(frame_render tools/frame_render frame_render.h)
target_link_libraries(frame_render PUBLIC app timeline)

# The browser cannot block, so the program's waits (a message box's answer, the message loop's
# next frame) sleep through Asyncify. Only the functions on the stack at such a wait are
# instrumented: the two waits and their callers, and the calls through the window procedure's
# pointer (window_send), which the analysis does not follow by itself.
set(quadrise_web_link_options
  -O2 -sENVIRONMENT=web -sINVOKE_RUN=0 -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB
  -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=2
  -sASYNCIFY=1 -sASYNCIFY_STACK_SIZE=16384 -sASYNCIFY_IGNORE_INDIRECT=1
  "-sASYNCIFY_IMPORTS=['page_ask','page_next_frame']"
  "-sASYNCIFY_ADD=['window_send*']"
  "-sEXPORTED_FUNCTIONS=['_main','_picture_open','_picture_error','_picture_draw','_picture_pixels','_picture_step','_picture_cubes_sent','_show_state','_show_clock']"
  "-sEXPORTED_RUNTIME_METHODS=['callMain','ENV','UTF8ToString']")

# quadrise_web_module(<target> <output folder> <main source> <resource library>): the main module
# built from <main source>, as quadrise.js and quadrise.wasm in <output folder>.
function(quadrise_web_module target folder main resources)
  add_executable(${target} ${main} ${PROJECT_SOURCE_DIR}/platform/web/site/test_hooks.cpp)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE app timeline frame_render ${resources})
  target_link_options(${target} PRIVATE ${quadrise_web_link_options})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME quadrise SUFFIX .js
                        RUNTIME_OUTPUT_DIRECTORY ${folder})
endfunction()

set(quadrise_site ${CMAKE_BINARY_DIR}/site)
quadrise_web_module(quadrise ${quadrise_site} ${PROJECT_SOURCE_DIR}/app/main.cpp quadrise_resources)

set(quadrise_page_files index.html page.js page.css)
set(quadrise_page_outputs ${quadrise_page_files})
list(TRANSFORM quadrise_page_files PREPEND ${PROJECT_SOURCE_DIR}/platform/web/site/)
list(TRANSFORM quadrise_page_outputs PREPEND ${quadrise_site}/)
add_custom_command(OUTPUT ${quadrise_page_outputs}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${quadrise_site}
                   COMMAND ${CMAKE_COMMAND} -E copy ${quadrise_page_files} ${quadrise_site}
                   DEPENDS ${quadrise_page_files}
                   COMMENT "Page files into site/")
add_custom_target(page_files DEPENDS ${quadrise_page_outputs})
add_dependencies(site quadrise page_files)

# For the page tests: the site with a main module whose soundtrack resource does not load (the
# desktop's broken-music test build), in build-web/broken-music-site/, outside site/. Built on
# request only (target broken-music-site), not with the site.
set(broken_site ${CMAKE_BINARY_DIR}/broken-music-site)
quadrise_embed_resources(broken_music_resources ${PROJECT_SOURCE_DIR}/tests/e2e/data)
quadrise_web_module(quadrise-broken-music ${CMAKE_BINARY_DIR}/broken-music
                    ${PROJECT_SOURCE_DIR}/tests/e2e/broken_music_main.cpp broken_music_resources)
set_target_properties(quadrise-broken-music PROPERTIES EXCLUDE_FROM_ALL ON)
add_custom_target(broken-music-site
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${quadrise_site} ${broken_site}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/broken-music/quadrise.js
          ${CMAKE_BINARY_DIR}/broken-music/quadrise.wasm ${broken_site}
  COMMENT "The broken-music site for the page tests")
add_dependencies(broken-music-site site quadrise-broken-music)
