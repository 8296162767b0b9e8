# What a player downloads: settings.exe and a read-me in a zip named with the version,
# and SHA256SUMS beside it (cmake --workflow --preset release).
install(TARGETS settings RUNTIME DESTINATION .)
# The read-me gets the version filled in and Windows line ends, for Notepad.
configure_file(${PROJECT_SOURCE_DIR}/docs/player-readme.txt.in ${PROJECT_BINARY_DIR}/README.txt @ONLY
               NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)

# Zip entries carry the commit's date instead of the build's, so two builds of one commit
# give the same zip.
execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE git_failed)
if(git_failed OR NOT commit_time)
  set(commit_time 0)
endif()

set(CPACK_PACKAGE_NAME calcora-settings)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win32)
set(CPACK_GENERATOR ZIP)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_SETTINGS_RELEASE_DIRECTORY ${PROJECT_SOURCE_DIR}/build/release)
set(CPACK_SETTINGS_COMMIT_TIME ${commit_time})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/release_stamp_times.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/release_checksums.cmake)
include(CPack)
