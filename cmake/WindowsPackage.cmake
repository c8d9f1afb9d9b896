# The Windows release archive (cpack in the 64-bit build): win64/quadrise.exe, and
# win32/quadrise.exe from the 32-bit build named by QUADRISE_WIN32_EXE, the README and the
# licence notice of the font's bitmap data, which the glyph table's header carries.
set(QUADRISE_WIN32_EXE "" CACHE FILEPATH "The 32-bit build's quadrise.exe, packed beside this one")

file(STRINGS ${PROJECT_SOURCE_DIR}/timeline/font_9x15.h header_lines)
set(notice "")
set(in_notice FALSE)
foreach(line IN LISTS header_lines)
  if(line MATCHES "^// The bitmap data comes from")
    set(in_notice TRUE)
  elseif(NOT line MATCHES "^//")
    set(in_notice FALSE)
  endif()
  if(in_notice)
    string(REGEX REPLACE "^// ?" "" line "${line}")
    string(APPEND notice "${line}\n")
  endif()
endforeach()
set(licence ${CMAKE_BINARY_DIR}/FONT-LICENSE.txt)
file(WRITE ${licence} "The 9x15 glyph table of timeline/font_9x15.h:\n\n${notice}")

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  install(TARGETS quadrise RUNTIME DESTINATION win64)
else()
  install(TARGETS quadrise RUNTIME DESTINATION win32)
endif()
if(QUADRISE_WIN32_EXE)
  install(PROGRAMS ${QUADRISE_WIN32_EXE} DESTINATION win32)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${licence} DESTINATION .)

# The package holds the demo alone, so packing builds nothing else.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quadrise)
set(CPACK_PACKAGE_FILE_NAME quadrise-windows)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
