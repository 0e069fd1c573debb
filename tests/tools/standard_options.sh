#!/usr/bin/env bash
# --help and --version on every command: exit status 0, the usage or "NAME
# VERSION" on standard output and nothing on standard error; an answer that
# cannot be written fails. On the tools a wrong option still exits 2 with the
# usage on standard error (glimmerfell ignores other arguments, as the show has
# no options).
# Usage: standard_options.sh VERSION GLIMMERFELL STUDIO PACK UNPACK
set -u
version=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

# Runs the command in the remaining arguments; $1 is the exit status it must
# give. Its output lands in $work/out and $work/err.
expect_status() {
    local want=$1 status
    shift
    timeout -s KILL 20 "$@" >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq "$want" ] || fail "$* exited $status, not $want"
}

for program in "$@"; do
    name=$(basename "$program")
    expect_status 0 "$program" --help
    grep -q "^usage: $name" "$work/out" || fail "$name --help printed: $(cat "$work/out")"
    [ -s "$work/err" ] && fail "$name --help wrote to standard error: $(cat "$work/err")"
    expect_status 0 "$program" --version
    [ "$(cat "$work/out")" = "$name $version" ] || fail "$name --version printed: $(cat "$work/out")"
    [ -s "$work/err" ] && fail "$name --version wrote to standard error: $(cat "$work/err")"
    "$program" --help >/dev/full 2>/dev/null && fail "$name --help into a full disk exited 0"
    [ "$name" = glimmerfell ] && continue
    expect_status 2 "$program" --no-such-option
    [ -s "$work/out" ] && fail "$name --no-such-option wrote to standard output"
    grep -q "^usage: $name" "$work/err" || fail "$name --no-such-option printed: $(cat "$work/err")"
done
[ "$failed" -eq 0 ] && echo "passed"
exit "$failed"
