#!/usr/bin/env bash
# run-on-desktop.sh [--tray | --sni] [--private-net] -- COMMAND...
#
# Runs COMMAND on a desktop of its own: a private session D-Bus, an X server (Xvfb, 1280x800)
# with a window manager (openbox) and, with --tray, a real XEmbed system tray (trayer, a strip
# along the top edge, icons at its right end, like a menu bar). With --sni the tray is a
# StatusNotifier one, as on KDE Plasma or GNOME with AppIndicator: a watcher on the bus
# (status-notifier-watcher) and a host drawing the icons (gtk-sni-tray-standalone, a strip
# along the top edge); the program's tray icon is in the icon theme there, as when installed.
# COMMAND finds the kind of tray in TALVORA_DESKTOP_TRAY (xembed, sni or none). The caller
# needs no display, session bus or sound card.
#
# --private-net runs everything in a network namespace of its own, where 127.0.0.1 belongs to
# this run alone: the program's service address is fixed when it is built, so a test that
# serves the lectures on that port must not meet a service someone else runs there. Where
# namespaces are not allowed it says so and runs on the shared loopback.
set -euo pipefail

tray=none
private_net=0
while [ $# -gt 0 ]; do
    case "$1" in
    --tray) tray=xembed ;;
    --sni) tray=sni ;;
    --private-net) private_net=1 ;;
    --) shift; break ;;
    *) echo "run-on-desktop.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
[ $# -gt 0 ] || { echo "run-on-desktop.sh: no command" >&2; exit 2; }
self=$(readlink -f "$0")
options=()
[ "$tray" = xembed ] && options+=(--tray)
[ "$tray" = sni ] && options+=(--sni)

# Stage 1: the network namespace.
if [ "$private_net" = 1 ] && [ -z "${TALVORA_DESKTOP_NET:-}" ]; then
    for how in "--net" "--map-root-user --net"; do
        # shellcheck disable=SC2086
        if unshare $how ip link set lo up 2>/dev/null; then
            # shellcheck disable=SC2086
            exec unshare $how env TALVORA_DESKTOP_NET=private \
                sh -c 'ip link set lo up && exec "$0" "$@"' "$self" "${options[@]}" -- "$@"
        fi
    done
    echo "run-on-desktop.sh: no private network namespace here; using the shared loopback" >&2
    export TALVORA_DESKTOP_NET=shared
fi

# Stage 2: the session bus.
if [ -z "${TALVORA_DESKTOP_BUS:-}" ]; then
    unset DBUS_SESSION_BUS_ADDRESS
    exec env TALVORA_DESKTOP_BUS=1 dbus-run-session -- "$self" "${options[@]}" -- "$@"
fi

# Stage 3: the X server, window manager and tray.
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    [ -n "${workdir:-}" ] && rm -rf "$workdir"
}
trap cleanup EXIT

workdir=$(mktemp -d)
# -displayfd lets the server take a free display number itself, so runs side by side never
# race for one.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$workdir/display" \
    >"$workdir/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$workdir/display" ] && break
    sleep 0.05
done
[ -s "$workdir/display" ] || { echo "Xvfb did not start:" >&2; cat "$workdir/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$workdir/display")"
unset WAYLAND_DISPLAY XAUTHORITY

# Wait until a command succeeds (5 s at most).
wait_for() {
    local _
    for _ in $(seq 100); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    echo "run-on-desktop.sh: gave up waiting for: $*" >&2
    return 1
}

openbox --sm-disable >"$workdir/openbox.log" 2>&1 &
pids+=($!)
wait_for sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

if [ "$tray" = xembed ]; then
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
        --SetPartialStrut true --transparent false --tint 0x303030 --expand true \
        >"$workdir/trayer.log" 2>&1 &
    pids+=($!)
    wait_for xdotool search --classname trayer
    # The tray's selection is taken once its window exists; give it a moment to settle.
    sleep 0.3
elif [ "$tray" = sni ]; then
    # The tray icon where an installed program has it, for the program and the host alike.
    icons="$workdir/share/icons/hicolor/symbolic/apps"
    mkdir -p "$icons"
    cp "$(dirname "$self")/../../data/icons/talvora-symbolic.svg" "$icons/"
    export XDG_DATA_DIRS="$workdir/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}"
    status-notifier-watcher >"$workdir/watcher.log" 2>&1 &
    pids+=($!)
    gtk-sni-tray-standalone --top --end --size 28 --color '#303030' \
        >"$workdir/sni-host.log" 2>&1 &
    pids+=($!)
    wait_for sh -c 'dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher \
        /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
        string:org.kde.StatusNotifierWatcher string:IsStatusNotifierHostRegistered |
        grep -q "boolean true"'
fi
export TALVORA_DESKTOP_TRAY=$tray

export QT_QPA_PLATFORM=xcb
status=0
"$@" || status=$?
exit "$status"
