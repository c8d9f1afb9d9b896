# quadrise_embed_resources(<target> <dir>)
# Builds a static library <target> holding every file under <dir> as read-only bytes. A file at
# <dir>/<TYPE>/<NAME> or <dir>/<TYPE>/<NAME>.<ext> becomes the resource (TYPE, NAME). The library
# defines the table `<target>_table` and its length `<target>_count` (declared with
# QUADRISE_RESOURCE_TABLE in resources/resources.h); the program hands it to resources_use().
function(quadrise_embed_resources target dir)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${dir}/*/*)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DDIR=${dir} -DTABLE=${target}
            -P ${PROJECT_SOURCE_DIR}/cmake/GenerateResources.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/GenerateResources.cmake
    COMMENT "Embedding resources from ${dir}")
  add_library(${target} STATIC ${out})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()
