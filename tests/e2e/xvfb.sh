# Shared by the end-to-end scripts (source it): waiting for a condition, finding
# a window by its name, and a private X server.

# Waits up to $1 tenths of a second for the command in the remaining arguments.
wait_for() {
    local tenths=$1
    shift
    for ((i = 0; i < tenths; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# The id of the top-level window with exactly this name, empty when none.
window_id() {
    xwininfo -root -tree 2>/dev/null |
        awk -v name="\"$1\":" 'index($0, " " name " ") { print $1; exit }'
}
has_window() { [ -n "$(window_id "$1")" ]; }

# Starts Xvfb on a free display number, its output in the file $1, and exports
# DISPLAY for it; xvfb_pid is its process. False when it does not come up.
start_xvfb() {
    local number_file
    number_file=$(mktemp)
    exec 3>"$number_file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -br >"$1" 2>&1 &
    xvfb_pid=$!
    disown "$xvfb_pid"
    exec 3>&-
    wait_for 100 test -s "$number_file" || { rm -f "$number_file"; return 1; }
    export DISPLAY=":$(head -n1 "$number_file")"
    rm -f "$number_file"
}
