# Where `cmake --install` puts things, as Debian lays out games: the demo in
# games/, the tools in bin/, the scenes in share/glimmerfell/data. The program
# finds its scenes from its own folder, so the install can be moved as a whole.
include(GNUInstallDirs)
set(GLIMMER_DEMO_INSTALL_DIR games CACHE STRING "Folder under the prefix for the demo")
set(GLIMMER_SHARE_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/glimmerfell)

# The installed data folder as seen from the demo's folder and from the tools'
# (the studio reads the same scenes): one relative path serves both.
function(glimmer_path_to_share out folder)
  file(RELATIVE_PATH path /prefix/${folder} /prefix/${GLIMMER_SHARE_INSTALL_DIR})
  set(${out} "${path}/" PARENT_SCOPE)
endfunction()
glimmer_path_to_share(GLIMMER_SHARE_FROM_PROGRAM ${GLIMMER_DEMO_INSTALL_DIR})
glimmer_path_to_share(share_from_tools ${CMAKE_INSTALL_BINDIR})
if(NOT share_from_tools STREQUAL GLIMMER_SHARE_FROM_PROGRAM)
  message(FATAL_ERROR "The demo (${GLIMMER_DEMO_INSTALL_DIR}) and the tools "
          "(${CMAKE_INSTALL_BINDIR}) must lie as deep under the prefix: both find the "
          "scenes at the same path from their folder")
endif()
