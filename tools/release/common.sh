# shellcheck shell=bash disable=SC2034  # sourced: its variables are used by the sourcing script
# Shared by bundle.sh and check.sh (source it): what the release archive may
# leave to the system, what it promises about the C library, and how a
# binary's needs are read.

# Libraries the archive leaves to the system: the C library, the C++ runtime,
# OpenGL, X11 and Wayland with the graphics drivers' buffers, the sound
# server's client with what it links everywhere (libsndfile, the session bus),
# GLib and zlib. A desktop Linux has every one of them; any other library the
# program or a bundled library needs is bundled in lib/.
SYSTEM_LIBRARIES=(
    ld-linux-x86-64.so.2 libc.so.6 libm.so.6 libdl.so.2 libpthread.so.0 librt.so.1
    libstdc++.so.6 libgcc_s.so.1
    libOpenGL.so.0 libGL.so.1 libGLX.so.0 libGLdispatch.so.0 libEGL.so.1
    libX11.so.6 libXext.so.6 libXcursor.so.1 libXi.so.6 libXfixes.so.3 libXrandr.so.2
    libwayland-client.so.0 libwayland-cursor.so.0 libwayland-egl.so.1 libxkbcommon.so.0
    libdrm.so.2 libgbm.so.1
    libasound.so.2 libpulse.so.0 libpulse-simple.so.0 libsndfile.so.1 libdbus-1.so.3
    libglib-2.0.so.0 libgobject-2.0.so.0 libgmodule-2.0.so.0
    libz.so.1
)

# Libraries the program loads itself once it runs (dlopen), not the loader
# before main: bundled, with what they need, like the libraries it names.
LOADED_BY_THE_PROGRAM=(libSDL2_mixer-2.0.so.0)

# The newest C library and C++ runtime the release may need (README.txt states
# them): those of Debian 11, where the archive's program is built and its
# libraries come from. No symbol the program or a bundled library needs may
# have a GLIBC_, GLIBCXX_ or CXXABI_ version above these.
GLIBC_MINIMUM=2.31
GLIBCXX_MINIMUM=3.4.28
CXXABI_MINIMUM=1.3.12

is_system_library() {
    local system
    for system in "${SYSTEM_LIBRARIES[@]}"; do
        [ "$system" = "$1" ] && return 0
    done
    return 1
}

# The sonames a binary names as needed, one a line.
needed_libraries() {
    readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'
}

# The sonames binary $1 needs, one a line: those it names and, for the program,
# those it loads itself.
libraries_of() {
    needed_libraries "$1"
    if [ "$(basename "$1")" = glimmerfell ]; then
        printf '%s\n' "${LOADED_BY_THE_PROGRAM[@]}"
    fi
}

# Where this machine's loader finds library $1 (a soname), from its cache.
cached_path() {
    ldconfig -p | awk -v name="$1" '$1 == name && /x86-64/ { print $NF; exit }'
}

# The versioned symbols binary $1 takes from other files, one a line: version
# (GLIBC_2.34), then name. objdump puts the version in parentheses since
# binutils 2.35 and without them before; both are read.
needed_symbols() {
    objdump -T "$1" | awk '/\*UND\*/ {
        for (i = 1; i < NF; i++)
            if ($i ~ /^\(?[A-Z]+_[0-9.]+\)?$/) { gsub(/[()]/, "", $i); print $i, $NF; break }
    }'
}

# The versions of the family $1 (GLIBC, GLIBCXX or CXXABI) in the lines of
# needed_symbols on standard input, lowest first, each once.
versions_of() {
    sed -n "s/^${1}_\([0-9.]*\) .*/\1/p" | sort -uV
}

# Debian's compiler flags for packages, with every hardening feature, exported;
# CMake reads no CPPFLAGS, so the preprocessor's go with the compilers'.
export_package_flags() {
    eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
    export CFLAGS="$CPPFLAGS $CFLAGS" CXXFLAGS="$CPPFLAGS $CXXFLAGS"
}

# True when version $1 is at most version $2.
version_at_most() {
    [ "$(printf '%s\n%s\n' "$1" "$2" | sort -V | head -n1)" = "$1" ]
}

# The show's 3D scenes, which the archive carries in data/.
SCENES=(data/2 data/donut.3ds)
