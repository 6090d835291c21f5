# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack once it has made the packages (CPACK_POST_BUILD_SCRIPTS), before it copies them
# out. The package of debugging symbols is made again as Debian's own are:
# - CPack lists its files in md5sums by their paths in the build tree rather than in the
#   package, which dpkg and lintian refuse: the list is written again from the files it holds;
# - its documents are those of the package it serves (a link, usr/share/doc/NAME-dbgsym ->
#   NAME, which its exact dependency on that package allows), so it has a copyright file and
#   a changelog;
# - the symbol files are data, not programs (mode 644).
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "/([^/]+)-dbgsym_[^/]*\\.d?deb$")
    continue()
  endif()
  set(name "${CMAKE_MATCH_1}")
  set(tree "${package}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb -R "${package}" "${tree}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-deb cannot take ${package} apart")
  endif()
  file(MAKE_DIRECTORY "${tree}/usr/share/doc")
  file(CREATE_LINK "${name}" "${tree}/usr/share/doc/${name}-dbgsym" SYMBOLIC)
  file(GLOB_RECURSE contents LIST_DIRECTORIES false RELATIVE "${tree}" "${tree}/*")
  list(FILTER contents EXCLUDE REGEX "^DEBIAN/")
  list(SORT contents)
  set(sums "")
  foreach(path IN LISTS contents)
    if(NOT IS_SYMLINK "${tree}/${path}")
      file(CHMOD "${tree}/${path}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
      file(MD5 "${tree}/${path}" sum)
      string(APPEND sums "${sum}  ${path}\n")
    endif()
  endforeach()
  file(WRITE "${tree}/DEBIAN/md5sums" "${sums}")
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -b "${tree}" "${package}"
    OUTPUT_QUIET RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-deb cannot make ${package} again")
  endif()
  file(REMOVE_RECURSE "${tree}")
endforeach()
