# cmake "-DLIBRARIES=<files>" "-DMODULES=<files>" -DBASELINE=<host baseline>
#       -DOUT=<file> -P RuntimeDependencies.cmake
#
# Writes to OUT, one a line, every shared library that LIBRARIES and MODULES
# (plug-ins, which nothing links) need, directly or through each other, as
# this machine's loader finds them, except the libraries on the host baseline:
# those are not followed further either, as the host brings what they need.
cmake_minimum_required(VERSION 3.25)

file(STRINGS "${BASELINE}" baseline REGEX "^[^#]")
set(on_host "")
foreach(name IN LISTS baseline)
  string(REGEX REPLACE "([.+])" "\\\\\\1" pattern "${name}")
  list(APPEND on_host "^${pattern}$")
endforeach()

file(GET_RUNTIME_DEPENDENCIES
  LIBRARIES ${LIBRARIES}
  MODULES ${MODULES}
  PRE_EXCLUDE_REGEXES ${on_host}
  RESOLVED_DEPENDENCIES_VAR needed
  UNRESOLVED_DEPENDENCIES_VAR unresolved
  CONFLICTING_DEPENDENCIES_PREFIX conflicting)
if(unresolved OR conflicting_FILENAMES)
  message(FATAL_ERROR "Libraries that cannot be told apart or found: ${unresolved} ${conflicting_FILENAMES}")
endif()
list(JOIN needed "\n" text)
file(WRITE "${OUT}" "${text}\n")
