#!/usr/bin/env bash
# The figures of the README's "Performance" section, as Markdown, from the
# benchmarks of an existing build (it builds nothing):
#   - the frame benchmark over the whole show: median and 99th percentile of the
#     whole frame per storyboard section, read once a frame as the program ends a
#     frame with one flush, and read layer by layer beside it; each block's
#     layer; the sections again at 1920 × 1080, whole frames;
#   - peak resident memory of that run (/usr/bin/time -v);
#   - start-up to the full-screen question over fresh processes (an X display:
#     $DISPLAY, or a private Xvfb started here and stopped at the end);
#   - the archive reader against zlib inflate and libdeflate, and the packer
#     against gzip -9 and xz -9.
#
#   bench/performance-report.sh [BUILD_DIR]      (default: build)
#
# Run it on a quiet machine: other work on the cores shows in every figure.
# Exit status 0 when every part ran, 1 when any failed (the report says which).
set -uo pipefail

build=$(cd "${1:-build}" && pwd) || exit 1
work=$(mktemp -d)
xvfb_pid=""
failed=()
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

for tool in glimmer_frame_bench glimmer_question_bench glimmer_archive_bench; do
    if [ ! -x "$build/$tool" ]; then
        echo "performance-report: $build/$tool is missing; build first" >&2
        exit 1
    fi
done
if [ ! -x /usr/bin/time ] || ! command -v python3 >/dev/null; then
    echo "performance-report: needs /usr/bin/time (package time) and python3" >&2
    exit 1
fi

echo "# glimmerfell performance"
echo
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo

# The whole show, frame by frame: layer by layer for the blocks, then whole
# frames; the 3D scenes are read from data/ in the working directory.
if (cd "$build" && /usr/bin/time -v -o "$work/time.txt" ./glimmer_frame_bench \
        --frames "$work/frames.txt" >"$work/blocks.txt" 2>"$work/frame-errors.txt" &&
        ./glimmer_frame_bench --whole-frames --frames "$work/frames-whole.txt" \
        >/dev/null 2>"$work/frame-errors.txt"); then
    echo "## Frames (800 × 600, Mesa llvmpipe, fixed 60 fps demo clock)"
    echo
    grep '^renderer:' "$work/blocks.txt"
    echo
    # The storyboard's sections (content/compose_script.py), in demo seconds.
    cat >"$work/sections.py" <<'EOF'
import math, sys
sections = [(0, 16, "pad intro"), (16, 32, "drums enter: the eye"),
            (32, 64, "grass field, butterflies rising"), (64, 96, "donut scene, IMPACT"),
            (96, 112, "warp and hand"), (112, 144, "wire grass, butterfly sphere, greetings"),
            (144, 164, "credits"), (164, 177, "outro")]
# sections.py WHOLE [LAYER_BY_LAYER]: frame files (demo time, ms), the second
# shown beside the first.
def read(path):
    return [tuple(float(x) for x in line.split()) for line in open(path)]
runs = [read(path) for path in sys.argv[1:]]
def summary(values):
    if not values:
        return float("nan"), float("nan")
    values = sorted(values)
    n = len(values)
    median = values[n // 2] if n % 2 else (values[n // 2 - 1] + values[n // 2]) / 2
    p99 = values[max(math.ceil(0.99 * n), 1) - 1]
    return median, p99
def within(frames, start, end):
    return [ms for t, ms in frames if start * 1000 <= t < end * 1000 or (end == 177 and t == 177000)]
def row(name, span, runs, start, end):
    cells = []
    for frames in runs:
        median, p99 = summary(within(frames, start, end))
        cells.append(f"{median:.2f} | {p99:.2f}" if not cells else f"{median:.2f} / {p99:.2f}")
    count = len(within(runs[0], start, end))
    print(f"| {name} | {span} | {count} | " + " | ".join(cells) + " |")
beside = len(runs) > 1
print("| section | demo time | frames | median ms | p99 ms |"
      + (" layer by layer, median / p99 ms |" if beside else ""))
print("|---|---|---:|---:|---:|" + ("---:|" if beside else ""))
for start, end, name in sections:
    row(name, f"{start // 60}:{start % 60:02d}–{end // 60}:{end % 60:02d}", runs, start, end)
row("whole show", "0:00–2:57", runs, 0, 177)
EOF
    echo "Whole frames, each read once after all its layers as the program ends a frame"
    echo "with one flush; beside them the same frames read after each layer (the sum of"
    echo "the block times, which makes every layer finish over the whole picture):"
    echo
    python3 "$work/sections.py" "$work/frames-whole.txt" "$work/frames.txt" ||
        failed+=("section summary")
    echo
    echo "Per block, the time in its layer per active frame:"
    echo
    echo "| block | frames | median ms | p99 ms |"
    echo "|---|---:|---:|---:|"
    awk '/^per block/ {on = 1; next} /^per second/ {on = 0}
         on && NF >= 4 && $(NF-2) ~ /^[0-9]+$/ && $(NF-2) > 0 {
             name = $1; for (i = 2; i <= NF - 3; ++i) name = name " " $i
             printf "| %s | %s | %s | %s |\n", name, $(NF-2), $(NF-1), $NF }' "$work/blocks.txt"
    echo
    rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
    echo "Peak resident memory of the whole-show run: $((rss / 1024)) MB ($rss kB)."
    echo
    echo "## Frames at 1920 × 1080 (the whole area, as the program's full-screen window)"
    echo
    echo "Whole frames:"
    echo
    if (cd "$build" && ./glimmer_frame_bench --size 1920x1080 --whole-frames \
            --frames "$work/frames-1080.txt" >/dev/null 2>"$work/frame-errors.txt"); then
        python3 "$work/sections.py" "$work/frames-1080.txt" || failed+=("1920 × 1080 summary")
    else
        failed+=("frame benchmark at 1920 × 1080: $(tail -n 1 "$work/frame-errors.txt")")
    fi
    echo
else
    failed+=("frame benchmark: $(tail -n 1 "$work/frame-errors.txt")")
fi

# Start-up needs an X display; a private Xvfb when there is none.
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
    for display in $(seq 90 99); do
        [ -e "/tmp/.X11-unix/X$display" ] && continue
        Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=":$display"
        sleep 1
        break
    done
fi
echo "## Start-up"
echo
if (cd "$build" && ./glimmer_question_bench 9 >"$work/startup.txt" 2>"$work/startup-errors.txt"); then
    echo "From program start to the full-screen question, 9 fresh processes:"
    echo "$(tail -n 1 "$work/startup.txt" | sed 's/^start-up to the question, 9 runs: //')."
else
    failed+=("start-up benchmark: $(grep -v '^ALSA' "$work/startup-errors.txt" | tail -n 1)")
fi
echo

echo "## Archive: reader against zlib and libdeflate, packer against gzip and xz"
echo
if "$build/glimmer_archive_bench" --benchmark_filter='extract|inflate|libdeflate' --benchmark_repetitions=9 \
        --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
        >"$work/archive.txt" 2>"$work/archive-errors.txt"; then
    echo "Packed sizes in bytes (-m3, -m5: whole one-entry archives):"
    echo
    echo '```'
    sed -n '/^corpus item/,/^(-m3/p' "$work/archive.txt"
    echo '```'
    echo
    echo "Decompression, median of 9 (interleaved); speed against each reference is its"
    echo "time over the reader's (above 1: the reader is faster):"
    echo
    python3 - "$work/archive.txt" <<'EOF' || failed+=("archive summary")
import re, sys
times = {}
units = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}
for line in open(sys.argv[1]):
    m = re.match(r"^(.*?)/(.*)_median +([0-9.]+) (ns|us|ms|s) ", line)
    if m:
        times.setdefault(m.group(2), {})[m.group(1)] = float(m.group(3)) * units[m.group(4)]
def shown(us):
    return f"{us / 1000:.2f} ms" if us >= 1000 else f"{us:.1f} µs"
print("| corpus | reader -m3 | reader -m5 | zlib inflate | libdeflate | -m5 against zlib "
      "| -m5 against libdeflate |")
print("|---|---:|---:|---:|---:|---:|---:|")
if not times:
    sys.exit("no medians in the benchmark's output")
for corpus, row in times.items():
    m3, m5 = row.get("extract -m3"), row.get("extract -m5")
    zlib, libdeflate = row.get("zlib inflate"), row.get("libdeflate")
    if None in (m3, m5, zlib, libdeflate):
        sys.exit(f"missing timings for {corpus}")
    print(f"| {corpus} | {shown(m3)} | {shown(m5)} | {shown(zlib)} | {shown(libdeflate)} "
          f"| {zlib / m5:.2f} × | {libdeflate / m5:.2f} × |")
EOF
else
    failed+=("archive benchmark: $(tail -n 1 "$work/archive-errors.txt")")
fi
echo
echo "Load after: $(cut -d' ' -f1-3 /proc/loadavg)"

if [ ${#failed[@]} -gt 0 ]; then
    printf 'performance-report: failed: %s\n' "${failed[@]}" >&2
    exit 1
fi
