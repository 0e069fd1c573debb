#!/usr/bin/env bash
# The release archive for glibc 2.31, built in a Debian 11 (bullseye) root.
#
# bullseye.sh build ROOT HOST_BUILD OUT_DIR
#     Builds the program inside ROOT around HOST_BUILD's show archive
#     (data.rar) and bundles it with bullseye's libraries (archive.sh), with
#     HOST_BUILD's scenes in data/; the archive and its unpacked folder are
#     copied to OUT_DIR. ROOT is made the first time with debootstrap from
#     deb.debian.org (or archive.debian.org, once Debian 11 has moved there)
#     and kept: later builds reuse it and its build tree.
# bullseye.sh run ROOT SHARED_DIR PROGRAM [ARGUMENTS]
#     Runs PROGRAM inside ROOT, in the current directory, with SHARED_DIR and
#     the host's X server sockets (/tmp/.X11-unix, read-only) seen at their own
#     paths: the program, the working directory and what the program writes
#     must lie in SHARED_DIR. The root's /tmp is empty and private to the run;
#     /proc is mounted (SDL finds the program's folder through it).
#     The process becomes the program (same process id), to be waited for or
#     killed as it.
#
# Both need root (debootstrap, chroot, mounts). Every mount is made in a mount
# namespace of the command's own, so none outlives it however it ends, and
# the root holds no mounts between commands. Exits non-zero, saying why, when
# a step fails.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
source_dir=$(realpath "$here/../..")

SUITE=bullseye
# Debian moves a release whose support has ended from deb.debian.org to
# archive.debian.org; the root is made from whichever still has it.
MIRRORS=(http://deb.debian.org http://archive.debian.org)
# What building the program and bundling it need.
PACKAGES=(
    g++ make cmake pkg-config dpkg-dev patchelf
    libgl-dev libglu1-mesa-dev libsdl2-dev libsdl2-mixer-dev libpng-dev libjpeg62-turbo-dev
    zlib1g-dev lib3ds-dev
)

fail() {
    echo "bullseye.sh: $*" >&2
    exit 1
}

# Runs the command in the remaining arguments inside root $1 with a clean
# environment (SOURCE_DATE_EPOCH kept), in a mount namespace of its own with
# /proc (apt, and bash for its /dev/fd).
in_root() {
    local root=$1
    shift
    unshare --mount --propagation private -- \
        bash -c 'mount -t proc proc "$1/proc" && exec chroot "$@"' in-root "$root" /usr/bin/env -i \
        PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive ${SOURCE_DATE_EPOCH:+SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH} "$@"
}

# Runs the command in the remaining arguments with its output appended to the
# log $1; when it fails, shows the log's end and stops.
logged() {
    local log=$1
    shift
    "$@" >>"$log" 2>&1 || { tail -n 30 "$log" >&2; fail "failed: $* (log: $log)"; }
}

# Installs in root $1 whichever of PACKAGES it lacks.
install_packages() {
    local root=$1 installed package missing=()
    installed=$(in_root "$root" dpkg-query -W -f='${Package} ${db:Status-Status}\n' \
        "${PACKAGES[@]}" 2>/dev/null) || true
    for package in "${PACKAGES[@]}"; do
        grep -qxF "$package installed" <<<"$installed" || missing+=("$package")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "bullseye.sh: installing in $root: ${missing[*]}"
    logged "$root.log" in_root "$root" apt-get update -qq
    logged "$root.log" in_root "$root" apt-get install -y -qq --no-install-recommends "${missing[@]}"
    logged "$root.log" in_root "$root" apt-get clean
}

# Makes root $1 unless it is there: debootstrap into a folder beside it, with
# the point release's updates and security fixes, renamed when complete so a
# broken attempt is never taken for a root.
make_root() {
    local root=$1 host mirror=""
    [ -d "$root" ] && return 0
    command -v debootstrap >/dev/null || fail "debootstrap is missing: run tools/setup.sh"
    for host in "${MIRRORS[@]}"; do
        wget -q --spider "$host/debian/dists/$SUITE/Release" && { mirror=$host; break; }
    done
    [ -n "$mirror" ] || fail "Debian $SUITE is on none of ${MIRRORS[*]} (or the network is down)"
    rm -rf "$root.new" "$root.log"
    echo "bullseye.sh: making the Debian $SUITE root $root (log: $root.log)"
    logged "$root.log" unshare --mount --propagation private -- \
        debootstrap --variant=minbase "$SUITE" "$root.new" "$mirror/debian"
    cat >"$root.new/etc/apt/sources.list" <<EOF
deb $mirror/debian $SUITE main
deb $mirror/debian $SUITE-updates main
deb $mirror/debian-security $SUITE-security main
EOF
    logged "$root.log" in_root "$root.new" apt-get update -qq
    logged "$root.log" in_root "$root.new" apt-get dist-upgrade -y -qq
    mv "$root.new" "$root"
}

build() {
    [ $# -eq 3 ] || fail "usage: bullseye.sh build ROOT HOST_BUILD OUT_DIR"
    local root host_build out scene
    root=$(realpath -m "$1")
    host_build=$(realpath "$2")
    out=$(realpath -m "$3")
    [ -f "$host_build/data.rar" ] || fail "missing: $host_build/data.rar (build the show first)"
    mkdir -p "$(dirname "$root")"
    # One build at a time in a root.
    exec 9>"$root.lock"
    flock 9
    make_root "$root"
    install_packages "$root"

    # The sources as they are in the worktree, times kept so that make rebuilds
    # only what changed; the show's archive and scenes from the host's build.
    local work=$root/glimmerfell
    rm -rf "$work/source"
    mkdir -p "$work/source" "$work/build/data"
    tar -C "$source_dir" --exclude-vcs --exclude=./build --exclude='./build-*' \
        --exclude=./.cache -cf - . | tar -C "$work/source" -xf -
    cp -p "$host_build/data.rar" "$work/show.rar"
    for scene in data/2 data/donut.3ds; do
        cp -p "$host_build/$scene" "$work/build/$scene"
    done
    in_root "$root" /glimmerfell/source/tools/release/archive.sh /glimmerfell/source \
        /glimmerfell/build /glimmerfell/show.rar /glimmerfell/release

    mkdir -p "$out"
    (cd "$work/release" && for made in *; do rm -rf "${out:?}/$made"; done)
    cp -a "$work/release/." "$out/"
}

run() {
    [ $# -ge 3 ] || fail "usage: bullseye.sh run ROOT SHARED_DIR PROGRAM [ARGUMENTS]"
    local root shared
    root=$(realpath "$1")
    shared=$(realpath "$2")
    shift 2
    [ -x "$root/usr/bin/env" ] || fail "no root at $root: make it with bullseye.sh build"
    [ -d /tmp/.X11-unix ] || fail "no X server sockets in /tmp/.X11-unix"
    # The root's /tmp is an empty file system of the namespace's own, so the
    # mount points made there (the X sockets', a SHARED_DIR under /tmp) and
    # whatever the program leaves in /tmp go with it.
    exec unshare --mount --propagation private -- bash -c '
        root=$1 shared=$2
        shift 2
        mount -t proc proc "$root/proc" &&
            mount -t tmpfs -o mode=1777 bullseye-tmp "$root/tmp" &&
            mkdir -p "$root$shared" "$root/tmp/.X11-unix" &&
            mount --bind "$shared" "$root$shared" &&
            mount --bind -o ro /tmp/.X11-unix "$root/tmp/.X11-unix" &&
            exec chroot "$root" /usr/bin/env -C "$PWD" "$@"' bullseye-run "$root" "$shared" "$@"
}

[ $# -ge 1 ] || fail "usage: bullseye.sh build|run ROOT ..."
[ "$(id -u)" -eq 0 ] || fail "needs root (debootstrap, chroot, mounts): run it as root or with sudo"
command=$1
shift
case $command in
build | run) "$command" "$@" ;;
*) fail "unknown command: $command (build or run)" ;;
esac
