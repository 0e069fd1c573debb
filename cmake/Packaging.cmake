# The Debian packages, made by `cpack` from the install's two components:
#   glimmerfell        the demo, its scenes, desktop entry, icon and manual page
#   glimmerfell-tools  glimmer-studio, glimmer-pack and glimmer-unpack
# Depends comes from dpkg-shlibdeps on the binaries; the demo adds SDL_mixer,
# which it loads itself, and the tools add the font the studio's overlay reads
# and the demo's package, whose scenes the studio shows.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glimmerfell)
set(CPACK_PACKAGE_VENDOR "the glimmerfell authors")
set(CPACK_PACKAGE_CONTACT "${GLIMMER_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL demo tools)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DEMO_PACKAGE_NAME glimmerfell)
# The program loads SDL_mixer itself once it runs, so the binaries do not name it.
set(CPACK_DEBIAN_DEMO_PACKAGE_DEPENDS libsdl2-mixer-2.0-0)
string(CONCAT CPACK_COMPONENT_DEMO_DESCRIPTION
    "real-time audiovisual demo: a summer evening on a fell\n"
    "One program that plays its soundtrack and, in step with it, draws a\n"
    "script-driven sequence of layered OpenGL effects (pictures, scrolling\n"
    "bands, a grass field, butterfly swarms, animated 3D scenes, a\n"
    "render-to-texture warp) in a window or full screen, for three minutes.\n"
    "It needs OpenGL 1.3 or later.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME glimmerfell-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS fonts-dejavu-core)
set(CPACK_COMPONENT_TOOLS_DEPENDS demo)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
string(CONCAT CPACK_COMPONENT_TOOLS_DESCRIPTION
    "tools for making glimmerfell shows\n"
    "glimmer-studio renders frames of the glimmerfell show to PNG, captures it\n"
    "to an MP4 video with its soundtrack, and plays it with seeking, pausing\n"
    "and script reload. glimmer-pack writes the archives a show is built from;\n"
    "glimmer-unpack lists and extracts them.")

include(CPack)
