# The launcher's runtime files: what an installation directory holds besides
# the launcher's own working data. This is the one list of them. The install
# library compiles the names into the installer (LauncherFileNames.h.in), and
# launcher_deploy() (cmake/LauncherDeploy.cmake) copies the files next to a
# built launcher so that the build output is a complete installation source.
#
# The order matters: installs copy in this order and uninstalls remove in the
# reverse one, so the launcher executable itself comes last.
include_guard(GLOBAL)

# The ICU major version is part of the library names, so it is read from the
# Qt that this build links rather than assumed.
function(_launcher_find_icu out_major out_dir)
  get_target_property(core_location Qt5::Core LOCATION)
  file(REAL_PATH "${core_location}" core_location)
  if(NOT CMAKE_READELF)
    find_program(CMAKE_READELF readelf REQUIRED)
  endif()
  execute_process(COMMAND ${CMAKE_READELF} -d "${core_location}"
    OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT dynamic MATCHES "\\[libicuuc\\.so\\.([0-9]+)\\]")
    message(FATAL_ERROR "Cannot tell which ICU ${core_location} links")
  endif()
  set(${out_major} ${CMAKE_MATCH_1} PARENT_SCOPE)
  get_filename_component(dir "${core_location}" DIRECTORY)
  set(${out_dir} "${dir}" PARENT_SCOPE)
endfunction()

_launcher_find_icu(LAUNCHER_ICU_MAJOR _launcher_qt_libdir)

# The ICU libraries as the loader finds them for Qt, under their sonames.
foreach(lib uc i18n data)
  find_library(LAUNCHER_ICU_${lib}_LIBRARY NAMES libicu${lib}.so.${LAUNCHER_ICU_MAJOR}
    HINTS ${_launcher_qt_libdir} NO_CACHE REQUIRED)
  file(REAL_PATH "${LAUNCHER_ICU_${lib}_LIBRARY}" LAUNCHER_ICU_${lib}_LIBRARY)
endforeach()

# Pairs of the name inside the installation directory and the file the build
# takes it from. Generator expressions resolve to the real files.
set(LAUNCHER_RUNTIME_FILES
  "libQt5Core.so.5"                        "$<TARGET_FILE:Qt5::Core>"
  "libQt5Gui.so.5"                         "$<TARGET_FILE:Qt5::Gui>"
  "libQt5Widgets.so.5"                     "$<TARGET_FILE:Qt5::Widgets>"
  # The taskbar progress goes over D-Bus here.
  "libQt5DBus.so.5"                        "$<TARGET_FILE:Qt5::DBus>"
  "platforms/libqxcb.so"                   "$<TARGET_FILE:Qt5::QXcbIntegrationPlugin>"
  "imageformats/libqjpeg.so"               "$<TARGET_FILE:Qt5::QJpegPlugin>"
  "libicuuc.so.${LAUNCHER_ICU_MAJOR}"      "${LAUNCHER_ICU_uc_LIBRARY}"
  "libicui18n.so.${LAUNCHER_ICU_MAJOR}"    "${LAUNCHER_ICU_i18n_LIBRARY}"
  "libicudata.so.${LAUNCHER_ICU_MAJOR}"    "${LAUNCHER_ICU_data_LIBRARY}"
)
# The last file: the launcher executable, the target that is deployed.
set(LAUNCHER_EXECUTABLE_NAME "QMXLauncher.exe")

# Just the names, in order, the executable last.
set(LAUNCHER_FILE_NAMES "")
set(_launcher_is_name TRUE)
foreach(item IN LISTS LAUNCHER_RUNTIME_FILES)
  if(_launcher_is_name)
    list(APPEND LAUNCHER_FILE_NAMES "${item}")
    set(_launcher_is_name FALSE)
  else()
    set(_launcher_is_name TRUE)
  endif()
endforeach()
list(APPEND LAUNCHER_FILE_NAMES "${LAUNCHER_EXECUTABLE_NAME}")
