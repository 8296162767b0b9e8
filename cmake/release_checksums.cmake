# CPack post-build script: puts the packages and a SHA256SUMS file (in the format that
# `sha256sum -c` reads) into the release folder, away from CPack's working files.
set(release "${CPACK_SETTINGS_RELEASE_DIRECTORY}")
file(MAKE_DIRECTORY "${release}")
set(sums "")
foreach(package ${CPACK_PACKAGE_FILES})
  file(SHA256 "${package}" hash)
  get_filename_component(name "${package}" NAME)
  file(COPY_FILE "${package}" "${release}/${name}")
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE "${release}/SHA256SUMS" "${sums}")
