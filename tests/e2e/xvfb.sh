# Shared by the end-to-end scripts (source it): a scratch directory and the
# processes to end when the script exits, failing with the logs, waiting for a
# condition, finding a window by its name, a private X server, glimmer-studio's
# keys and reports, and the colour at the screen's middle.

# Where Xvfb is missing the test is skipped (exit status 77), or fails where CI
# is set: a green CI run must mean the program ran on a display.
require_xvfb() {
    command -v Xvfb >/dev/null && return 0
    [ -n "${CI:-}" ] && { echo "FAIL: Xvfb is missing" >&2; exit 1; }
    echo "skipped: Xvfb is missing"
    exit 77
}

# Files of the test live in $scratch; its *.log files are shown when it fails.
scratch=$(mktemp -d)
# Processes ended when the script exits, with SIGKILL: SDL turns SIGTERM into a
# quit request, which a stuck program never reads.
e2e_pids=()

e2e_cleanup() {
    local pid
    for pid in "${e2e_pids[@]}"; do
        kill -KILL "$pid" 2>/dev/null
    done
    rm -rf "$scratch"
}
trap e2e_cleanup EXIT

end_on_exit() { e2e_pids+=("$1"); }

fail() {
    local log
    echo "FAIL: $*" >&2
    for log in "$scratch"/*.log; do
        [ -s "$log" ] && sed "s/^/  $(basename "$log" .log): /" "$log" >&2
    done
    exit 1
}

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

# Waits up to $2 tenths of a second for the child process $1 to end; its exit
# status goes to the variable exit_status. False when it is still running.
wait_for_exit() {
    local pid=$1 kept=() other
    wait_for "$2" bash -c "! kill -0 $pid 2>/dev/null" || return 1
    wait "$pid"
    exit_status=$?
    # Ended and reaped: its number may now be another process's.
    for other in "${e2e_pids[@]}"; do
        [ "$other" = "$pid" ] || kept+=("$other")
    done
    e2e_pids=("${kept[@]}")
}

# The id of the top-level window with exactly this name, empty when none.
window_id() {
    xwininfo -root -tree 2>/dev/null |
        awk -v name="\"$1\":" 'index($0, " " name " ") { print $1; exit }'
}
has_window() { [ -n "$(window_id "$1")" ]; }
no_window() { ! has_window "$1"; }

# Presses the key $2 in the window named $1.
press_in() { xdotool key --window "$(window_id "$1")" "$2" 2>/dev/null; }

# Starts Xvfb on a free display number (without the reset at its last client's
# leaving, which refuses connections meanwhile, and with the keyboard's
# autorepeat put off by 65 s: on a loaded machine xdotool's release of a key
# can come late enough for one press to repeat), its output in
# $scratch/xvfb.log, ended on exit, and exports DISPLAY for it. False when it
# does not come up.
start_xvfb() {
    local number_file=$scratch/display-number xvfb_pid
    exec 3>"$number_file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -br -noreset -ardelay 65535 \
        >"$scratch/xvfb.log" 2>&1 &
    xvfb_pid=$!
    disown "$xvfb_pid"
    end_on_exit "$xvfb_pid"
    exec 3>&-
    wait_for 100 test -s "$number_file" || return 1
    export DISPLAY=":$(head -n1 "$number_file")"
    unset SDL_VIDEODRIVER
}

# Starts glimmer-studio $1 playing the show in $scratch/show from $2 ms on a
# private Xvfb (silent audio), its output in $scratch/studio.log and
# studio-errors.log, ended on exit; sets studio_pid and window, and returns once
# it says it plays. Fails the test when it does not get there.
play_in_studio() {
    local studio=$1 start=$2
    start_xvfb || fail "Xvfb did not start"
    SDL_AUDIODRIVER=dummy "$studio" --dir "$scratch/show" play --start "$start" \
        >"$scratch/studio.log" 2>"$scratch/studio-errors.log" &
    studio_pid=$!
    end_on_exit "$studio_pid"
    wait_for 300 has_window glimmer-studio || fail "the studio's window did not appear"
    window=$(window_id glimmer-studio)
    wait_for 100 grep -q "playing from $start ms" "$scratch/studio.log" ||
        fail "did not start at $start ms"
}

# Presses a key in the studio's window and waits for its next report that
# matches the pattern; prints the time in ms that the report names.
press() {
    local key=$1 pattern=$2 before
    before=$(grep -c "$pattern" "$scratch/studio.log")
    xdotool key --window "$window" "$key" 2>/dev/null
    wait_for 100 bash -c "[ \$(grep -c '$pattern' '$scratch/studio.log') -gt $before ]" ||
        fail "no report '$pattern' after $key"
    grep "$pattern" "$scratch/studio.log" | tail -n1 | sed -E 's/.* ([0-9]+) ms.*/\1/'
}

# The colour at the middle of the 800 x 600 screen, as R,G,B from 0 to 255.
screen_centre() {
    import -window root "$scratch/screen.png" 2>/dev/null
    convert "$scratch/screen.png" -format \
        '%[fx:int(255*p{400,300}.r+.5)],%[fx:int(255*p{400,300}.g+.5)],%[fx:int(255*p{400,300}.b+.5)]' info:
}

centre_is() { [ "$(screen_centre)" = "$1" ]; }

# True once the middle of the screen shows the colour $1 (R,G,B) within about
# two seconds: a frame reaches the screen a little after the program reports it.
centre_comes_to() { wait_for 20 centre_is "$1"; }
