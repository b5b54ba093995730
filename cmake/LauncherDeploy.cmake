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
#
# The executable in the folder is stripped, as it ships: its debug
# information goes to "<folder>.debug/<executable>.debug" beside the folder,
# which the executable names by a GNU debuglink (gdb -s <that file> -e
# <executable>). A sanitizer build keeps it in place, so that its reports
# name the launcher's own functions; that folder is never shipped.
include_guard(GLOBAL)
include(${PROJECT_SOURCE_DIR}/install/LauncherFiles.cmake)

function(launcher_deploy target)
  set_target_properties(${target} PROPERTIES
    BUILD_WITH_INSTALL_RPATH ON
    INSTALL_RPATH "$ORIGIN")
  target_link_options(${target} PRIVATE "LINKER:--disable-new-dtags")
  # A changed list deploys again.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${LAUNCHER_FILES_MANIFEST})
  if(NOT LAUNCHER_SANITIZE)
    get_target_property(folder ${target} RUNTIME_OUTPUT_DIRECTORY)
    get_target_property(name ${target} OUTPUT_NAME)
    if(NOT folder OR NOT name)
      message(FATAL_ERROR "launcher_deploy(${target}): the target needs RUNTIME_OUTPUT_DIRECTORY and OUTPUT_NAME")
    endif()
    set(debug_file "${folder}.debug/${name}.debug")
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E make_directory "${folder}.debug"
      COMMAND ${CMAKE_OBJCOPY} --only-keep-debug "$<TARGET_FILE:${target}>" "${debug_file}"
      COMMAND ${CMAKE_OBJCOPY} --strip-all "--add-gnu-debuglink=${debug_file}" "$<TARGET_FILE:${target}>"
      BYPRODUCTS "${debug_file}"
      COMMENT "Stripping ${target}; its debug information goes beside the folder"
      VERBATIM)
  endif()
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
