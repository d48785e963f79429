#!/usr/bin/env bash
# Installs what Talvora needs, builds it, makes the sample lectures, starts the reference
# lecture service on 127.0.0.1:8787 and starts Talvora against it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/packages.sh

install_packages "${TALVORA_BUILD_PACKAGES[@]}" "${TALVORA_RUN_PACKAGES[@]}"

cmake --preset release -DTALVORA_BUILD_TESTS=OFF -DTALVORA_BUILD_BENCH=OFF >/dev/null
cmake --build --preset release

samples="$root/samples"
scripts/make-sample-lectures.sh "$samples"

build="$root/build/release"
service_bin=$(find "$build" -type f -name talvora-lecture-service -perm -u+x | head -n 1)
player_bin=$(find "$build" -type f -name talvora -perm -u+x | head -n 1)

service_log="$build/lecture-service.log"
"$service_bin" --root "$samples" --listen 127.0.0.1:8787 --log "$service_log" &
service_pid=$!
trap 'kill "$service_pid" 2>/dev/null || true' EXIT
sleep 0.3
if ! kill -0 "$service_pid" 2>/dev/null; then
    echo "The lecture service did not start (is port 8787 in use?)." >&2
    exit 1
fi
echo "Lecture service on http://127.0.0.1:8787 (log: $service_log)"

launch=("$player_bin")
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    launch=(dbus-run-session -- "${launch[@]}")
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting Talvora under Xvfb, on the first free display."
    launch=(xvfb-run -a -s "-screen 0 1280x800x24" "${launch[@]}")
fi
"${launch[@]}"
