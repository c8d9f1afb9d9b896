# quadrise_embed_resources(<target> <dir>)
# Builds a static library <target> holding every file under <dir> as read-only bytes. A file at
# <dir>/<TYPE>/<NAME> or <dir>/<TYPE>/<NAME>.<ext> becomes the resource (TYPE, NAME). The library
# defines the table `<target>_table` and its length `<target>_count` (declared with
# QUADRISE_RESOURCE_TABLE in resources/resources.h); the program hands it to resources_use().
# A file <NAME>.xmt is module text: soundtrack-build turns it into XM bytes first, and those are
# embedded, so editing the text and rebuilding changes the embedded module. A Windows build makes
# the files Win32 resources of the image instead (a resource script compiled by windres), so the
# library is an object library: its objects, the resource section among them, go into every
# program that links it.
#
# QUADRISE_SOUNDTRACK_BUILD, when set, is the command that builds modules instead of this build's
# own soundtrack-build: a cross build whose programs cannot run here (a 32-bit Windows build on a
# kernel without 32-bit support) takes another build's, which writes the same bytes.
set(QUADRISE_SOUNDTRACK_BUILD "" CACHE STRING
    "Command that turns a module text into a module (default: this build's soundtrack-build)")
function(quadrise_embed_resources target dir)
  set(module_builder soundtrack-build)
  if(QUADRISE_SOUNDTRACK_BUILD)
    set(module_builder ${QUADRISE_SOUNDTRACK_BUILD})
  endif()
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${dir}/*/*)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}.cpp)
  # The list of files, rewritten only when it changes: a file added or removed regenerates the
  # table even when every remaining file is older than it.
  set(listing ${CMAKE_CURRENT_BINARY_DIR}/${target}_files.txt)
  file(CONFIGURE OUTPUT ${listing} CONTENT "${files}")
  set(built_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_built)
  set(built "")
  foreach(file IN LISTS files)
    if(file MATCHES "\\.xmt$")
      file(RELATIVE_PATH rel ${dir} ${file})
      string(REGEX REPLACE "\\.xmt$" ".xm" module ${built_dir}/${rel})
      get_filename_component(module_dir ${module} DIRECTORY)
      add_custom_command(
        OUTPUT ${module}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${module_dir}
        COMMAND ${module_builder} ${file} ${module}
        DEPENDS ${file} soundtrack-build
        COMMENT "Building the module ${rel} from its text")
      list(APPEND built ${module})
    endif()
  endforeach()
  set(rc "")
  set(kind STATIC)
  if(WIN32)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    set(kind OBJECT)
  endif()
  add_custom_command(
    OUTPUT ${out} ${rc}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DRC=${rc} -DDIR=${dir} -DBUILT=${built_dir}
            -DTABLE=${target} -P ${PROJECT_SOURCE_DIR}/cmake/GenerateResources.cmake
    DEPENDS ${files} ${built} ${listing} ${PROJECT_SOURCE_DIR}/cmake/GenerateResources.cmake
    COMMENT "Embedding resources from ${dir}")
  add_library(${target} ${kind} ${out} ${rc})
  if(WIN32)
    # The resource script names the files themselves, so a changed file recompiles it.
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${files};${built}")
  endif()
  target_link_libraries(${target} PRIVATE resources)
endfunction()
