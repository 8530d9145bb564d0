# The release a technician takes away: orvane-<version>-win64.zip with the stripped orvane.exe and README.txt.
#
# The stripped program is part of every build, so the tests check the very file the zip holds;
# the zip itself is made by the target orvane_zip (scripts/release.sh), with the program signed when a
# code-signing certificate is given (cmake/OrvaneSign.cmake).

set(ORVANE_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
set(ORVANE_RELEASE_EXE ${ORVANE_RELEASE_DIR}/orvane.exe)
set(ORVANE_RELEASE_README ${ORVANE_RELEASE_DIR}/README.txt)
set(ORVANE_RELEASE_NAME orvane-${PROJECT_VERSION}-win64)

# The program as built keeps its debug information (RelWithDebInfo); the shipped one does not.
add_custom_command(
  OUTPUT ${ORVANE_RELEASE_EXE}
  COMMAND ${CMAKE_STRIP} --strip-all -o ${ORVANE_RELEASE_EXE} $<TARGET_FILE:orvane>
  DEPENDS orvane
  COMMENT "Stripping orvane.exe for the release"
  VERBATIM)
add_custom_target(orvane_release ALL DEPENDS ${ORVANE_RELEASE_EXE})

# The template starts with a UTF-8 byte order mark, which every Notepad version honours, and
# Notepad before Windows 10 needs CRLF line ends.
configure_file(${PROJECT_SOURCE_DIR}/resources/release_readme.txt.in ${ORVANE_RELEASE_README}
  @ONLY NEWLINE_STYLE CRLF)

install(PROGRAMS ${ORVANE_RELEASE_EXE} DESTINATION .)
install(FILES ${ORVANE_RELEASE_README} DESTINATION .)
# Signs the installed copy when ORVANE_SIGN_PFX is set (scripts/release.sh).
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/OrvaneSign.cmake)

# CMake's ZIP generator writes the archive itself (libarchive); no zip program is needed.
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VENDOR Orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${ORVANE_RELEASE_NAME})
include(CPack)

# Only what the zip holds is built, not the tests that a full build (CPack's own "package") would add.
add_custom_target(orvane_zip
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake -B ${CMAKE_BINARY_DIR}
  COMMAND ${CMAKE_COMMAND} -E echo "${ORVANE_RELEASE_NAME}.zip: orvane.exe for the AP at ${ORVANE_AP_ADDRESS}"
  DEPENDS orvane_release
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  VERBATIM)
