# The texts every package of the demo carries, written into the build tree:
# - FONT-LICENSE.txt: the licence notice of the 9x15 glyph table's bitmap data, taken from the
#   opening comment of timeline/font_9x15.h (QUADRISE_FONT_NOTICE holds the notice itself);
# - README.txt: packaging/README.txt for the people who download a package, with its version.
file(STRINGS ${PROJECT_SOURCE_DIR}/timeline/font_9x15.h header_lines)
set(QUADRISE_FONT_NOTICE "")
set(in_notice FALSE)
foreach(line IN LISTS header_lines)
  if(line MATCHES "^// The bitmap data comes from")
    set(in_notice TRUE)
  elseif(NOT line MATCHES "^//")
    set(in_notice FALSE)
  endif()
  if(in_notice)
    string(REGEX REPLACE "^// ?" "" line "${line}")
    string(APPEND QUADRISE_FONT_NOTICE "${line}\n")
  endif()
endforeach()
if(QUADRISE_FONT_NOTICE STREQUAL "")
  message(FATAL_ERROR "timeline/font_9x15.h: the licence notice of the bitmap data is missing")
endif()
file(WRITE ${CMAKE_BINARY_DIR}/FONT-LICENSE.txt
     "The 9x15 glyph table of timeline/font_9x15.h:\n\n${QUADRISE_FONT_NOTICE}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/README.txt ${CMAKE_BINARY_DIR}/README.txt @ONLY)
