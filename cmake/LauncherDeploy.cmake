# launcher_deploy(<target>)
#
# Makes the folder of a built launcher executable a complete installation
# source: after every build of <target> the runtime files of
# install/LauncherFiles.cmake (the Qt and ICU libraries this build links, as
# real files under their sonames, and the two plugins in their subfolders)
# are copied next to it.
#
# The target also gets a run path of its own folder, so that a copy installed
# anywhere loads the libraries beside it. The run path is written as DT_RPATH,
# not DT_RUNPATH: only DT_RPATH also applies to the libraries' own
# dependencies (ICU is loaded by libQt5Core, not by the executable).
#
# No qt.conf is needed: Qt 5 searches the executable's folder for plugins as
# well ("platforms/", "imageformats/" there), next to the plugin folder
# compiled into libQt5Core.
include_guard(GLOBAL)
include(${PROJECT_SOURCE_DIR}/install/LauncherFiles.cmake)

function(launcher_deploy target)
  set_target_properties(${target} PROPERTIES
    BUILD_WITH_INSTALL_RPATH ON
    INSTALL_RPATH "$ORIGIN")
  target_link_options(${target} PRIVATE "LINKER:--disable-new-dtags")

  set(commands "")
  set(name "")
  foreach(item IN LISTS LAUNCHER_RUNTIME_FILES)
    if(name STREQUAL "")
      set(name "${item}")
      continue()
    endif()
    get_filename_component(subdir "${name}" DIRECTORY)
    if(subdir)
      list(APPEND commands COMMAND ${CMAKE_COMMAND} -E make_directory "$<TARGET_FILE_DIR:${target}>/${subdir}")
    endif()
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_if_different "${item}" "$<TARGET_FILE_DIR:${target}>/${name}")
    set(name "")
  endforeach()
  add_custom_command(TARGET ${target} POST_BUILD ${commands}
    COMMENT "Deploying the runtime files next to ${target}"
    VERBATIM)
endfunction()
