# cmake -DMANIFEST=<list> -DFOLDER=<folder> -DBASELINE=<host baseline>
#       -DREADELF=<readelf> -P DeployLauncherFiles.cmake
#
# Puts the launcher files that MANIFEST lists ("name<TAB>source" lines, the
# built executable without a source) into FOLDER as real files, removes the
# libraries, plug-ins and licence texts that an earlier list had put there,
# and fails when a file of the folder needs a library that is neither in the
# folder nor on the host baseline.
cmake_minimum_required(VERSION 3.25)

file(STRINGS "${MANIFEST}" lines)
file(STRINGS "${BASELINE}" baseline REGEX "^[^#]")

set(names "")
foreach(line IN LISTS lines)
  string(REPLACE "\t" ";" fields "${line}")
  list(GET fields 0 name)
  list(APPEND names "${name}")
  get_filename_component(subfolder "${name}" DIRECTORY)
  list(LENGTH fields count)
  if(count EQUAL 1)
    if(NOT EXISTS "${FOLDER}/${name}")
      message(FATAL_ERROR "${FOLDER}/${name} is not there: the deployed target must be named ${name}")
    endif()
    continue()
  endif()
  list(GET fields 1 source)
  if(subfolder)
    file(MAKE_DIRECTORY "${FOLDER}/${subfolder}")
  endif()
  file(COPY_FILE "${source}" "${FOLDER}/${name}" ONLY_IF_DIFFERENT)
endforeach()

# In the folder and its plug-in subfolders, also those the list no longer
# has; the launcher's working data (a game, downloads) is not the deploy
# step's business.
file(GLOB present RELATIVE "${FOLDER}" "${FOLDER}/*.so" "${FOLDER}/*.so.*" "${FOLDER}/*/*.so" "${FOLDER}/*/*.so.*"
  "${FOLDER}/licenses/*")
list(FILTER present EXCLUDE REGEX "^(Game|Update|UpdateTemp)/")
foreach(name IN LISTS present)
  if(NOT name IN_LIST names)
    message(STATUS "Removing ${FOLDER}/${name}, no longer a launcher file")
    file(REMOVE "${FOLDER}/${name}")
  endif()
endforeach()

set(missing "")
foreach(name IN LISTS names)
  # The icon and the licence texts load nothing.
  if(name MATCHES "\\.(png|txt)$")
    continue()
  endif()
  execute_process(COMMAND ${READELF} -d "${FOLDER}/${name}" OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Cannot read ${FOLDER}/${name}")
  endif()
  string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]+\\]" entries "${dynamic}")
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE ".*\\[([^]\n]+)\\]" "\\1" needed "${entry}")
    if(NOT needed IN_LIST baseline AND NOT needed IN_LIST names)
      list(APPEND missing "${name} needs ${needed}")
    endif()
  endforeach()
endforeach()
if(missing)
  list(JOIN missing "\n  " text)
  message(FATAL_ERROR "The launcher files lack libraries (list them in install/LauncherFiles.cmake):\n  ${text}")
endif()
