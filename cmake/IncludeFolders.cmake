# quadrise_include_folder(<target> <folder> [<public header>...])
# What <target>'s sources can include: every header of its own <folder> (a path from the
# repository's root, "player" or "tools/xm_writer"), and the public headers of the libraries it
# links, each written from the repository's root as everywhere ("player/player.h").
# Its own public headers are the ones named here. The build tree holds one view per target: the
# private view links the whole folder, the public view only the named headers; so a folder that
# includes a header of a library it does not link, or a header its owner keeps to itself, fails
# to compile. Tests and benchmarks see the whole tree instead (they read internals on purpose).
function(quadrise_include_folder target folder)
  set(private_view ${CMAKE_BINARY_DIR}/include/private/${target})
  set(public_view ${CMAKE_BINARY_DIR}/include/public/${target})
  # Each configure builds the views afresh, so a folder that has moved leaves no link behind. The
  # removal deletes the links, never what they point to.
  file(REMOVE_RECURSE ${private_view} ${public_view})
  get_filename_component(folder_parent ${private_view}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${folder_parent} ${public_view}/${folder})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${private_view}/${folder} SYMBOLIC)
  target_include_directories(${target} PRIVATE ${private_view})
  if(ARGN)
    quadrise_public_headers(${target} ${folder} ${ARGN})
  endif()
endfunction()

# quadrise_public_headers(<target> <folder> <header>...): more of <folder>'s headers that the
# libraries linking <target> may include.
function(quadrise_public_headers target folder)
  set(public_view ${CMAKE_BINARY_DIR}/include/public/${target})
  file(MAKE_DIRECTORY ${public_view}/${folder})
  foreach(header IN LISTS ARGN)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder}/${header} ${public_view}/${folder}/${header}
         SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC ${public_view})
endfunction()
