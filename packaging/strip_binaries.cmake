# Run by CPack on the package's root before packing: strips the program and the libraries the way
# Debian's packaging tools do (no symbols, no .comment and .note sections).
file(GLOB_RECURSE _files LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/*")
foreach(_file IN LISTS _files)
  if(IS_SYMLINK "${_file}")
    continue()
  endif()
  file(READ "${_file}" _magic LIMIT 4 HEX)
  if(NOT _magic STREQUAL "7f454c46")
    continue()
  endif()
  if(_file MATCHES "\\.so(\\.[0-9]+)*$")
    set(_how --strip-unneeded)
  else()
    set(_how --strip-all)
  endif()
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note ${_how} "${_file}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
