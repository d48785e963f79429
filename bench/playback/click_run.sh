#!/usr/bin/env bash
# Click -> first sound and click -> moving place, with everything the bench needs:
#   bench/playback/click_run.sh [build folder] [runs]   (default build/release, 12 runs)
# Installs what is missing (PulseAudio, Xvfb, xdotool, lame, mpv), starts a private PulseAudio
# with a null sink "nullsink", the reference lecture service on the address the program was
# built for (127.0.0.1:8787) serving one 10-minute lecture, and runs click_to_audio.py under
# Xvfb over HTTP and from a stored file, each against bare mpv on the same source.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
runs=${2:-12}
source "$root/scripts/packages.sh"
install_packages pulseaudio pulseaudio-utils xvfb xauth xdotool lame mpv dbus python3 python3-dbus

program=$build/src/app/talvora
service=$(find "$build" -type f -name talvora-lecture-service -perm -u+x | head -n 1)
[ -x "$program" ] && [ -n "$service" ] || { echo "talvora or talvora-lecture-service is not built in $build" >&2; exit 1; }

work=$(mktemp -d /tmp/talvora-click-XXXXXX)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/site" "$work/pulse"

# A 10-minute spoken-level tone (so the first block after the start is loud enough to see).
python3 -c "
import math,struct,sys
sr=22050
sys.stdout.buffer.write(b''.join(struct.pack('<h',int(8000*math.sin(2*math.pi*300*i/sr))) for i in range(sr*600)))" |
    lame --quiet -r -s 22.05 --bitwidth 16 --signed --little-endian -m m --cbr -b 64 - "$work/site/kajian-klik.mp3"
cat > "$work/site/library.json" <<'JSON'
{"status":"success","total_files":1,"data":[{"id":1,"filename":"kajian-klik.mp3","slug":"kajian-klik",
 "filemtime":1,"judul":"Kajian klik","ustadz":"Ustadz Fulan","duration_seconds":600}]}
JSON

# PulseAudio: its own runtime folder, no configuration but a null sink and a socket.
HOME=$work/pulse XDG_RUNTIME_DIR=$work/pulse pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --use-pid-file=no --disable-shm=yes --log-target=stderr \
    --load="module-null-sink sink_name=nullsink" \
    --load="module-native-protocol-unix socket=$work/pulse/native auth-anonymous=1" \
    2>"$work/pulse.log" &
pids+=($!)
export PULSE_SERVER=unix:$work/pulse/native
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink nullsink
# A null sink nobody reads with a low latency renders up to 2 s ahead, and a new stream's first
# sound then reaches the monitor up to 1.5 s late (pacat measured here: 1.5 s without this reader,
# 30-160 ms with it). One 5 ms reader for the whole bench keeps the sink at a real device's pace.
parec --device=nullsink.monitor --latency-msec=5 >/dev/null &
pids+=($!)

"$service" --root "$work/site" --listen 127.0.0.1:8787 --log "$work/service.log" >"$work/service.out" &
pids+=($!)
for _ in $(seq 100); do grep -q listening "$work/service.out" && break; sleep 0.1; done

export CLICK_MEDIA=$work/site/kajian-klik.mp3
# -noreset: by default Xvfb resets whenever its last client leaves (an xdotool call, the previous
# run's program), and a program connecting during that reset cannot open its display and aborts:
# no window, no click, a run "never heard" (4 starts of 110 here without it, 0 of 90 with it).
xvfb-run -a -s "-noreset -screen 0 1280x800x24" /usr/bin/python3 "$here/click_to_audio.py" "$program" \
    "$work/site/library.json" "$runs" "http://127.0.0.1:8787/stream.php?file=kajian-klik.mp3"
