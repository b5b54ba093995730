# The launcher files: what an installation directory holds besides the
# launcher's own working data, in install order, the executable last. This is
# the one list of them. launcher_collect_files() computes it from what the
# launcher loads; the install library compiles the names into the installer
# (LauncherFileNames.h.in), which the install, the self-update and the
# uninstall all copy and remove by; and launcher_deploy()
# (cmake/LauncherDeploy.cmake) puts the same files next to a built launcher,
# so that the build output is the application folder the installer copies.
#
# What the launcher loads: the shared libraries it links, the Qt plug-ins it
# uses, the libraries that Qt opens by name and the 7-Zip plug-in, each with
# every library it needs in turn, except those that every desktop Linux has
# (host-baseline.txt): those are neither carried nor followed further.
#
# Beside them the folder "licenses" holds the licence notice of every Debian
# package whose files the folder carries, also inside the executable (the
# fonts and translations that resources/ takes), as "<package>.txt", and
# "index.txt", which names the package of each carried file.
include_guard(GLOBAL)

set(LAUNCHER_EXECUTABLE_NAME "QMXLauncher.exe")
# The icon that shortcuts show; the window takes the same picture from the
# compiled-in resources.
set(LAUNCHER_ICON_NAME "QMXLauncher.png")
set(LAUNCHER_ICON_SOURCE "${PROJECT_SOURCE_DIR}/resources/images/icon.png")
set(LAUNCHER_HOST_BASELINE "${CMAKE_CURRENT_LIST_DIR}/host-baseline.txt")
# The list as the deploy step reads it: one "name<TAB>source" line per file
# (the executable has no source: it is built in place).
set(LAUNCHER_FILES_MANIFEST "${PROJECT_BINARY_DIR}/launcher-files.txt")
set(LAUNCHER_LICENCE_FOLDER "licenses")

# The shared libraries that the launcher links.
set(LAUNCHER_LINKED_TARGETS Qt5::Core Qt5::Gui Qt5::Widgets Qt5::DBus PkgConfig::CURL PkgConfig::LIBTORRENT)
# The Qt plug-ins it loads: the X11 platform with its GLX integration, the
# compose input context (which the X11 platform loads for the keyboard), and
# JPEG for the pictures.
set(LAUNCHER_QT_PLUGINS
  Qt5::QXcbIntegrationPlugin Qt5::QXcbGlxIntegrationPlugin
  Qt5::QComposePlatformInputContextPlugin Qt5::QJpegPlugin)
# Libraries opened by name at run time rather than linked: the X11 platform
# opens Xcursor for the cursor themes.
set(LAUNCHER_OPENED_LIBRARIES libXcursor.so.1)

if(NOT CMAKE_READELF)
  find_program(CMAKE_READELF readelf REQUIRED)
endif()

# The soname of a shared library file, the name the loader looks for.
function(_launcher_soname path out)
  execute_process(COMMAND ${CMAKE_READELF} -d "${path}" OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT dynamic MATCHES "\\(SONAME\\)[^\n]*\\[([^]\n]+)\\]")
    message(FATAL_ERROR "Cannot read the soname of ${path}")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

# The library files behind an imported target.
function(_launcher_target_files target out)
  if(NOT TARGET ${target})
    message(FATAL_ERROR "The launcher links ${target}, which is not defined here")
  endif()
  get_target_property(type ${target} TYPE)
  set(files "")
  if(type STREQUAL "INTERFACE_LIBRARY")
    # pkg-config targets: the libraries as full paths.
    get_target_property(items ${target} INTERFACE_LINK_LIBRARIES)
    foreach(item IN LISTS items)
      if(IS_ABSOLUTE "${item}" AND item MATCHES "\\.so(\\.[0-9.]+)?$")
        list(APPEND files "${item}")
      endif()
    endforeach()
  else()
    get_target_property(location ${target} LOCATION)
    list(APPEND files "${location}")
  endif()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# The libraries the compiler adds to a sanitizer build.
function(_launcher_sanitizer_runtimes out)
  set(files "")
  foreach(name libasan.so libubsan.so)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
      OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
      message(FATAL_ERROR "Cannot find the sanitizer runtime ${name}")
    endif()
    list(APPEND files "${path}")
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# The Debian packages that own the files at the real paths given. Sets
# <out>_PACKAGES to the package of each path, in order.
function(_launcher_owning_packages out)
  # Debian 12 merges /lib into /usr/lib, but the package database still
  # knows many libraries under /lib: both names are asked for, at once.
  set(asked "")
  foreach(path IN LISTS ARGN)
    list(APPEND asked "${path}")
    if(path MATCHES "^/usr(/lib/.*)$")
      list(APPEND asked "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  # Exits 1 when one of the names is unknown, which the other one may be.
  execute_process(COMMAND dpkg-query --search ${asked} OUTPUT_VARIABLE owners ERROR_QUIET)
  string(REPLACE "\n" ";" owners "${owners}")
  set(packages "")
  foreach(path IN LISTS ARGN)
    string(REGEX REPLACE "^/usr(/lib/.*)$" "\\1" unmerged "${path}")
    set(package "")
    foreach(line IN LISTS owners)
      # "package[:arch][, package...]: path". (A condition's parentheses are
      # evaluated before its MATCHES, hence the two steps.)
      if(line MATCHES "^([a-z0-9][a-z0-9+.-]*)(:[a-z0-9]+)?(, [a-z0-9+.:-]+)*: (.*)$")
        if(CMAKE_MATCH_4 STREQUAL path OR CMAKE_MATCH_4 STREQUAL unmerged)
          set(package "${CMAKE_MATCH_1}")
          break()
        endif()
      endif()
    endforeach()
    if(NOT package)
      message(FATAL_ERROR "No Debian package owns ${path}, so the folder cannot carry its licence notice")
    endif()
    list(APPEND packages "${package}")
  endforeach()
  set(${out}_PACKAGES ${packages} PARENT_SCOPE)
endfunction()

# The licence notices of what the folder carries, given as "name<TAB>source"
# lines and the extra files compiled into the executable. Sets <out> to the
# manifest lines of the notices and of their index.
function(_launcher_licence_lines out lines compiled_in)
  set(index "")
  set(sources "")
  set(names "")
  foreach(line IN LISTS lines)
    string(REPLACE "\t" ";" fields "${line}")
    list(LENGTH fields count)
    list(GET fields 0 name)
    if(count EQUAL 2 AND NOT name STREQUAL LAUNCHER_ICON_NAME)
      list(GET fields 1 source)
      list(APPEND names "${name}")
      list(APPEND sources "${source}")
    endif()
  endforeach()
  foreach(path IN LISTS compiled_in)
    file(REAL_PATH "${path}" real)
    get_filename_component(file "${path}" NAME)
    list(APPEND names "${LAUNCHER_EXECUTABLE_NAME} (${file} inside)")
    list(APPEND sources "${real}")
  endforeach()
  _launcher_owning_packages(owning ${sources})

  set(notices "")
  foreach(name package IN ZIP_LISTS names owning_PACKAGES)
    string(APPEND index "${name}\t${package}\n")
    set(copyright "/usr/share/doc/${package}/copyright")
    if(NOT EXISTS "${copyright}")
      message(FATAL_ERROR "${copyright} is missing: the folder cannot carry the notice for ${name}")
    endif()
    file(REAL_PATH "${copyright}" copyright)
    list(APPEND notices "${LAUNCHER_LICENCE_FOLDER}/${package}.txt\t${copyright}")
  endforeach()
  list(REMOVE_DUPLICATES notices)
  list(SORT notices)

  set(index_file "${PROJECT_BINARY_DIR}/launcher-licence-index.txt")
  file(CONFIGURE OUTPUT "${index_file}"
    CONTENT "The licence notice of each file this folder carries is <package>.txt here.\n\nfile\tpackage\n${index}" @ONLY)
  list(APPEND notices "${LAUNCHER_LICENCE_FOLDER}/index.txt\t${index_file}")
  set(${out} ${notices} PARENT_SCOPE)
endfunction()

# Computes the list. Sets LAUNCHER_FILE_NAMES in the caller (the names in
# install order) and writes LAUNCHER_FILES_MANIFEST for the deploy step.
function(launcher_collect_files)
  set(linked "")
  foreach(target IN LISTS LAUNCHER_LINKED_TARGETS)
    _launcher_target_files(${target} files)
    list(APPEND linked ${files})
  endforeach()
  if(LAUNCHER_SANITIZE)
    _launcher_sanitizer_runtimes(files)
    list(APPEND linked ${files})
  endif()
  foreach(name IN LISTS LAUNCHER_OPENED_LIBRARIES)
    unset(path)
    find_library(path NAMES ${name} NO_CACHE REQUIRED)
    list(APPEND linked "${path}")
  endforeach()

  set(plugins "")
  set(plugin_names "")
  foreach(target IN LISTS LAUNCHER_QT_PLUGINS)
    get_target_property(path ${target} LOCATION)
    # "<kind>/<file>", as Qt looks for it below a plug-in folder.
    get_filename_component(file "${path}" NAME)
    get_filename_component(dir "${path}" DIRECTORY)
    get_filename_component(kind "${dir}" NAME)
    list(APPEND plugins "${path}")
    list(APPEND plugin_names "${kind}/${file}")
  endforeach()
  find_file(LAUNCHER_7Z_PLUGIN 7z.so PATHS /usr/lib/p7zip NO_DEFAULT_PATH REQUIRED)

  set(closure "${PROJECT_BINARY_DIR}/launcher-dependencies.txt")
  execute_process(
    COMMAND ${CMAKE_COMMAND} "-DLIBRARIES=${linked}" "-DMODULES=${plugins};${LAUNCHER_7Z_PLUGIN}"
      "-DBASELINE=${LAUNCHER_HOST_BASELINE}" "-DOUT=${closure}"
      -P ${PROJECT_SOURCE_DIR}/cmake/RuntimeDependencies.cmake
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Cannot tell which libraries the launcher needs")
  endif()
  file(STRINGS "${closure}" needed)

  # The libraries, by the names the loader looks for, as real files.
  set(libraries "")
  foreach(path IN LISTS linked)
    _launcher_soname("${path}" name)
    file(REAL_PATH "${path}" real)
    list(APPEND libraries "${name}\t${real}")
  endforeach()
  foreach(path IN LISTS needed)
    get_filename_component(name "${path}" NAME)
    file(REAL_PATH "${path}" real)
    list(APPEND libraries "${name}\t${real}")
  endforeach()
  list(REMOVE_DUPLICATES libraries)
  list(SORT libraries)

  set(lines ${libraries})
  foreach(name path IN ZIP_LISTS plugin_names plugins)
    file(REAL_PATH "${path}" real)
    list(APPEND lines "${name}\t${real}")
  endforeach()
  file(REAL_PATH "${LAUNCHER_7Z_PLUGIN}" real)
  list(APPEND lines "7z.so\t${real}" "${LAUNCHER_ICON_NAME}\t${LAUNCHER_ICON_SOURCE}")
  get_property(compiled_in GLOBAL PROPERTY LAUNCHER_COMPILED_IN_FILES)
  _launcher_licence_lines(notices "${lines}" "${compiled_in}")
  list(APPEND lines ${notices} "${LAUNCHER_EXECUTABLE_NAME}")

  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "\t.*" "" name "${line}")
    if(name IN_LIST names)
      message(FATAL_ERROR "Two launcher files are named ${name}")
    endif()
    list(APPEND names "${name}")
  endforeach()
  list(JOIN lines "\n" text)
  file(CONFIGURE OUTPUT "${LAUNCHER_FILES_MANIFEST}" CONTENT "${text}\n" @ONLY)
  set(LAUNCHER_FILE_NAMES ${names} PARENT_SCOPE)
endfunction()
