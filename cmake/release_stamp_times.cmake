# CPack pre-build script: gives every staged file and folder the commit's time and the
# same permissions, so the zip does not depend on when or by whom it was built.
file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(path ${staged})
  if(IS_DIRECTORY "${path}")
    file(CHMOD "${path}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                     WORLD_EXECUTE)
  else()
    file(CHMOD "${path}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endif()
  execute_process(COMMAND touch -h -d "@${CPACK_SETTINGS_COMMIT_TIME}" "${path}")
endforeach()
# CPack's archive writer takes every entry's time from here as well.
set(ENV{SOURCE_DATE_EPOCH} "${CPACK_SETTINGS_COMMIT_TIME}")
