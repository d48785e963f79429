#!/usr/bin/env bash
# Main window figures: start-up to the first frame with a cached library of 5,000 lectures
# (wall time and peak RSS from /usr/bin/time, offscreen and under Xvfb) against a plain
# widget window listing the same library, searching and scrolling over 50,000 lectures.
#   bench/ui/run.sh [build folder]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
bench=$(find "$build" -type f -name bench_ui -perm -u+x | head -n 1)
[ -n "$bench" ] || { echo "bench_ui is not built in $build" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# No session bus: the engine skips MPRIS, as it would without a desktop.
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bench-bus

measure() { # label, then the command
    local label=$1; shift
    local figures
    figures=$("$@" 2>/dev/null | grep -E '^first frame' || true)
    /usr/bin/time -o "$work/time" -f "%e s wall, %M KB max RSS" "$@" >/dev/null 2>&1 || true
    echo "$label: $figures | $(cat "$work/time")"
}

QT_QPA_PLATFORM=offscreen "$bench" prepare 5000 >/dev/null
echo "== start-up, 5,000 cached lectures (3 runs each) =="
for platform in offscreen xvfb; do
    for run in 1 2 3; do
        if [ $platform = offscreen ]; then
            measure "offscreen plain window" env QT_QPA_PLATFORM=offscreen "$bench" plain
            measure "offscreen main window " env QT_QPA_PLATFORM=offscreen "$bench" startup
        else
            measure "xvfb plain window     " xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb "$bench" plain
            measure "xvfb main window      " xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb "$bench" startup
        fi
    done
done

QT_QPA_PLATFORM=offscreen "$bench" prepare 5000 >/dev/null
echo "== opening Catatan, 2,000 notes over 300 lectures =="
QT_QPA_PLATFORM=offscreen "$bench" notes
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb "$bench" notes

QT_QPA_PLATFORM=offscreen "$bench" prepare 50000 >/dev/null
echo "== search, 50,000 cached lectures (offscreen) =="
QT_QPA_PLATFORM=offscreen "$bench" search
echo "== scrolling Home, 50,000 lectures (offscreen) =="
QT_QPA_PLATFORM=offscreen "$bench" scroll
echo "== scrolling Home, 50,000 lectures (Xvfb) =="
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb "$bench" scroll
