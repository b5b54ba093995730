# launcher_deploy(<target>)
#
# Makes the folder of a built launcher executable the application folder:
# after every link of <target> the launcher files of install/LauncherFiles.cmake
# are put next to it (cmake/DeployLauncherFiles.cmake), and the build fails
# when a file there needs a library that is neither in the folder nor on the
# host baseline.
#
# The target gets a run path of its own folder, so that a copy installed
# anywhere loads the libraries beside it. It is written as DT_RPATH, not
# DT_RUNPATH: only DT_RPATH also applies to what the libraries and the
# plug-ins load in turn (none of the carried files has a run path of its own,
# which would end that).
include_guard(GLOBAL)
include(${PROJECT_SOURCE_DIR}/install/LauncherFiles.cmake)

function(launcher_deploy target)
  set_target_properties(${target} PROPERTIES
    BUILD_WITH_INSTALL_RPATH ON
    INSTALL_RPATH "$ORIGIN")
  target_link_options(${target} PRIVATE "LINKER:--disable-new-dtags")
  # A changed list deploys again.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${LAUNCHER_FILES_MANIFEST})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND}
      -DMANIFEST=${LAUNCHER_FILES_MANIFEST}
      -DFOLDER=$<TARGET_FILE_DIR:${target}>
      -DBASELINE=${LAUNCHER_HOST_BASELINE}
      -DREADELF=${CMAKE_READELF}
      -P ${PROJECT_SOURCE_DIR}/cmake/DeployLauncherFiles.cmake
    COMMENT "Deploying the launcher files next to ${target}"
    VERBATIM)
endfunction()
