# Release archives (CPack): one top folder a user unzips and runs from, with the programs, artwork and settings file.
# Windows build: `cpack -G ZIP` gives OrvaneGCPfd-<version>-win64.zip; Linux build: `cpack -G TGZ` gives
# OrvaneGCPfd-<version>-linux-x86_64.tar.gz. scripts/package.sh builds and checks both.

# The display finds every data file in the current directory, so everything sits in the top folder.
set(ORVANE_RELEASE_PROGRAMS OrvaneGCPfd orvane-sim OrvaneGCServer)
foreach(program ${ORVANE_RELEASE_PROGRAMS})
  if(NOT TARGET ${program})
    message(FATAL_ERROR "packaging: the program ${program} is not part of this build")
  endif()
endforeach()
install(TARGETS ${ORVANE_RELEASE_PROGRAMS} RUNTIME DESTINATION . COMPONENT release)

# The generated artwork: the 16 textures, the full layout's 12, font.bmp and plane2.ico (the list the
# generator writes).
get_directory_property(ORVANE_RELEASE_ASSETS DIRECTORY ${CMAKE_SOURCE_DIR}/tools/assetgen
  DEFINITION ORVANE_ASSET_FILES)
list(LENGTH ORVANE_RELEASE_ASSETS ORVANE_RELEASE_ASSET_COUNT)
if(NOT ORVANE_RELEASE_ASSET_COUNT EQUAL 30)
  message(FATAL_ERROR "packaging: expected 30 generated artwork files, the generator lists "
    "${ORVANE_RELEASE_ASSET_COUNT}: ${ORVANE_RELEASE_ASSETS}")
endif()
list(TRANSFORM ORVANE_RELEASE_ASSETS PREPEND ${ORVANE_RUN_DIR}/)
install(FILES ${ORVANE_RELEASE_ASSETS} DESTINATION . COMPONENT release)

# The commented settings file and the quick start, with Windows line endings in the Windows archive
# (the settings reader takes either). @PROJECT_VERSION@ in the quick start becomes the version.
if(WIN32)
  set(ORVANE_RELEASE_NEWLINES CRLF)
  set(ORVANE_RELEASE_SYSTEM win64)
  set(CPACK_GENERATOR ZIP)
else()
  set(ORVANE_RELEASE_NEWLINES UNIX)
  set(ORVANE_RELEASE_SYSTEM linux-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_GENERATOR TGZ)
endif()
set(ORVANE_RELEASE_TEXT_DIR ${CMAKE_BINARY_DIR}/release-text)
foreach(text OrvaneGCPfd.INI QUICKSTART.txt)
  configure_file(${CMAKE_SOURCE_DIR}/dist/${text} ${ORVANE_RELEASE_TEXT_DIR}/${text}
    @ONLY NEWLINE_STYLE ${ORVANE_RELEASE_NEWLINES})
  install(FILES ${ORVANE_RELEASE_TEXT_DIR}/${text} DESTINATION . COMPONENT release)
endforeach()

# FlightGear's protocol file, which the user copies into FlightGear's Protocol folder (QUICKSTART.txt).
install(FILES ${CMAKE_SOURCE_DIR}/dist/flightgear/orvane.xml DESTINATION flightgear COMPONENT release)

set(CPACK_PACKAGE_NAME OrvaneGCPfd)
set(CPACK_PACKAGE_VENDOR "Orvane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Orvane PFD Panel: primary flight display for flight simulators")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME OrvaneGCPfd-${PROJECT_VERSION}-${ORVANE_RELEASE_SYSTEM})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
# Only what a user needs: the "release" component (libraries built along, such as GoogleTest,
# have install rules of their own that must stay out), in one archive.
set(CPACK_COMPONENTS_ALL release)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
