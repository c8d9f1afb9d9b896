# quadrise_embed_resources(<target> <dir>)
# Builds a static library <target> holding every file under <dir> as read-only bytes. A file at
# <dir>/<TYPE>/<NAME> or <dir>/<TYPE>/<NAME>.<ext> becomes the resource (TYPE, NAME). The library
# defines the table `<target>_table` and its length `<target>_count` (declared with
# QUADRISE_RESOURCE_TABLE in resources/resources.h); the program hands it to resources_use().
# A file <NAME>.xmt is module text: soundtrack-build turns it into XM bytes first, and those are
# embedded, so editing the text and rebuilding changes the embedded module.
function(quadrise_embed_resources target dir)
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
        COMMAND soundtrack-build ${file} ${module}
        DEPENDS ${file} soundtrack-build
        COMMENT "Building the module ${rel} from its text")
      list(APPEND built ${module})
    endif()
  endforeach()
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DDIR=${dir} -DBUILT=${built_dir} -DTABLE=${target}
            -P ${PROJECT_SOURCE_DIR}/cmake/GenerateResources.cmake
    DEPENDS ${files} ${built} ${listing} ${PROJECT_SOURCE_DIR}/cmake/GenerateResources.cmake
    COMMENT "Embedding resources from ${dir}")
  add_library(${target} STATIC ${out})
  target_link_libraries(${target} PRIVATE resources)
endfunction()
