# The Windows release archive (cpack in the 64-bit build), quadrise-VERSION-windows.zip:
# win64/quadrise.exe, and win32/quadrise.exe from the 32-bit build named by QUADRISE_WIN32_EXE,
# the text for the people who download it and the licence notice of the font's bitmap data.
set(QUADRISE_WIN32_EXE "" CACHE FILEPATH "The 32-bit build's quadrise.exe, packed beside this one")

include(${PROJECT_SOURCE_DIR}/cmake/ReleaseTexts.cmake)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  install(TARGETS quadrise RUNTIME DESTINATION win64)
else()
  install(TARGETS quadrise RUNTIME DESTINATION win32)
endif()
if(QUADRISE_WIN32_EXE)
  install(PROGRAMS ${QUADRISE_WIN32_EXE} DESTINATION win32)
endif()
install(FILES ${CMAKE_BINARY_DIR}/README.txt ${CMAKE_BINARY_DIR}/FONT-LICENSE.txt DESTINATION .)

# The package holds the demo alone, so packing builds nothing else.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quadrise)
set(CPACK_PACKAGE_FILE_NAME quadrise-${PROJECT_VERSION}-windows)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
