#!/usr/bin/env bash
# check-install.sh CMAKE BUILD_DIR
#
# Installs a build the way a package does (prefix /usr into a staging folder), checks that
# exactly the program, its desktop entry, its icons and its AppStream file land in their XDG
# places and are valid, then starts the installed program on a desktop of its own and waits
# for its window's first frame.
set -euo pipefail
here=$(dirname "$(readlink -f "$0")")

if [ "${1:-}" = "--first-frame" ]; then
    # Inside run-on-desktop.sh: start the program and wait for a drawn window.
    program=$2
    XDG_DATA_HOME=$(mktemp -d)
    export XDG_DATA_HOME
    "$program" >"$XDG_DATA_HOME/program.log" 2>&1 &
    pid=$!
    trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$XDG_DATA_HOME"' EXIT
    window=$(timeout 60 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1) || true
    if [ -z "$window" ]; then
        echo "FAIL: the installed program showed no window" >&2
        cat "$XDG_DATA_HOME/program.log" >&2
        exit 1
    fi
    # Drawn, not just mapped: the window's picture is not one flat colour.
    for _ in $(seq 100); do
        spread=$(import -window "$window" png:- 2>/dev/null |
            convert png:- -format '%[fx:standard_deviation]' info: 2>/dev/null || echo 0)
        if awk -v s="$spread" 'BEGIN { exit !(s > 0.02) }'; then
            echo "The installed program drew its window (spread $spread)."
            exit 0
        fi
        sleep 0.2
    done
    echo "FAIL: the installed program's window stayed blank" >&2
    exit 1
fi

cmake=$1
build=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$stage" "$cmake" --install "$build" --prefix /usr >/dev/null

expected="usr/bin/talvora
usr/share/applications/talvora.desktop
usr/share/icons/hicolor/scalable/apps/talvora.svg
usr/share/icons/hicolor/symbolic/apps/talvora-symbolic.svg
usr/share/metainfo/org.talvora.Talvora.metainfo.xml"
installed=$(cd "$stage" && find . -type f -printf '%P\n' | sort)
[ "$installed" = "$(sort <<<"$expected")" ] ||
    fail "installed files differ from the expected set:"$'\n'"$installed"
[ -x "$stage/usr/bin/talvora" ] || fail "the program is not executable"

desktop="$stage/usr/share/applications/talvora.desktop"
grep -qx 'Categories=AudioVideo;Audio;Player;' "$desktop" || fail "desktop entry categories"
grep -qx 'Exec=talvora' "$desktop" || fail "desktop entry does not start the installed program"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$stage/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    fail "the desktop entry's icon \"$icon\" is not in the hicolor theme"
grep -q "<launchable type=\"desktop-id\">talvora.desktop</launchable>" \
    "$stage/usr/share/metainfo/org.talvora.Talvora.metainfo.xml" ||
    fail "the AppStream file does not name the desktop entry"

# The tray icon: a well-formed 16 x 16 SVG drawn in one colour and nothing else (no pictures,
# gradients or second colour), so a tray can recolour it.
python3 - "$stage/usr/share/icons/hicolor/symbolic/apps/talvora-symbolic.svg" <<'EOF' ||
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
ns = "{http://www.w3.org/2000/svg}"
assert root.tag == ns + "svg" and root.get("viewBox") == "0 0 16 16", "not a 16 x 16 SVG"
tags = {e.tag.replace(ns, "") for e in root.iter()}
assert not tags & {"image", "linearGradient", "radialGradient", "pattern"}, tags
paints = {e.get(a) for e in root.iter() for a in ("fill", "stroke")} - {None, "none"}
assert len(paints) == 1, "paints: %s" % paints
assert any(e.get("d") for e in root.iter(ns + "path")), "nothing drawn"
EOF
    fail "the symbolic tray icon is not a one-colour 16 x 16 SVG"

# Both from scripts/packages.sh: a missing one fails the test rather than skipping the check.
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$stage/usr/share/metainfo/org.talvora.Talvora.metainfo.xml" ||
    fail "appstreamcli validate"
echo "Installed files are in place and valid."

# No service answers in the private network: the window shows the library's failure, which
# is a drawn first frame all the same.
"$here/run-on-desktop.sh" --private-net -- "$here/check-install.sh" --first-frame \
    "$stage/usr/bin/talvora"
