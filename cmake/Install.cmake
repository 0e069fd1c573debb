# What `cmake --install` puts where (the folders are set in InstallLayout.cmake),
# in two components, which are also the two Debian packages: demo (the program,
# its scenes, a desktop entry, the icon, its manual page) and tools
# (glimmer-studio, glimmer-pack, glimmer-unpack and their manual pages).
set(GLIMMER_PACKAGE_MAINTAINER
    "glimmerfell maintainers <maintainers@users.noreply.c-seed-bb33105c.example>"
    CACHE STRING "Maintainer named in the Debian packages")

install(TARGETS glimmerfell DESTINATION ${GLIMMER_DEMO_INSTALL_DIR} COMPONENT demo)
install(FILES ${GLIMMER_SCENE_FILES} DESTINATION ${GLIMMER_SHARE_INSTALL_DIR}/data COMPONENT demo)
# The desktop entry names the program by its installed path, which is known only
# when installing (the prefix may be given then): games/ is on few PATHs.
install(CODE "
  set(GLIMMER_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${GLIMMER_DEMO_INSTALL_DIR}/glimmerfell\")
  configure_file(${CMAKE_SOURCE_DIR}/packaging/glimmerfell.desktop.in
                 ${CMAKE_BINARY_DIR}/packaging/glimmerfell.desktop @ONLY)"
        COMPONENT demo)
install(FILES ${CMAKE_BINARY_DIR}/packaging/glimmerfell.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT demo)
install(FILES ${GLIMMER_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
        COMPONENT demo)
install(TARGETS glimmer-studio glimmer-pack glimmer-unpack DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT tools)

# Manual pages and the changelog are filled in with the version and a date
# (SOURCE_DATE_EPOCH when set) and compressed as Debian keeps them.
string(TIMESTAMP GLIMMER_MAN_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP GLIMMER_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(GLIMMER_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)
set(GLIMMER_COMPRESSED_DOCS)
function(glimmer_compressed_doc template name destination component)
  configure_file(${template} ${GLIMMER_PACKAGING_DIR}/${name} @ONLY)
  add_custom_command(
    OUTPUT ${GLIMMER_PACKAGING_DIR}/${name}.gz
    COMMAND gzip -9n -c ${name} > ${name}.gz
    DEPENDS ${GLIMMER_PACKAGING_DIR}/${name}
    WORKING_DIRECTORY ${GLIMMER_PACKAGING_DIR}
    VERBATIM)
  install(FILES ${GLIMMER_PACKAGING_DIR}/${name}.gz DESTINATION ${destination}
          COMPONENT ${component})
  set(GLIMMER_COMPRESSED_DOCS ${GLIMMER_COMPRESSED_DOCS} ${GLIMMER_PACKAGING_DIR}/${name}.gz
      PARENT_SCOPE)
endfunction()

set(man_dir ${CMAKE_SOURCE_DIR}/packaging/man)
glimmer_compressed_doc(${man_dir}/glimmerfell.6.in glimmerfell.6 ${CMAKE_INSTALL_MANDIR}/man6 demo)
foreach(tool glimmer-studio glimmer-pack glimmer-unpack)
  glimmer_compressed_doc(${man_dir}/${tool}.1.in ${tool}.1 ${CMAKE_INSTALL_MANDIR}/man1 tools)
endforeach()

# Each package's own documentation folder has the copyright and the changelog.
glimmer_compressed_doc(${CMAKE_SOURCE_DIR}/packaging/changelog.in changelog
                       ${CMAKE_INSTALL_DATADIR}/doc/glimmerfell demo)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/glimmerfell
        COMPONENT demo)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${GLIMMER_PACKAGING_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/glimmerfell-tools COMPONENT tools)
add_custom_target(packaging_docs ALL DEPENDS ${GLIMMER_COMPRESSED_DOCS})
