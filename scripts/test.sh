#!/usr/bin/env bash
# Installs what the tests need, builds Talvora with AddressSanitizer and UBSan, and runs
# every test through CTest. Then builds the optimised program scripts/run.sh builds (Release,
# in a folder of its own, with the tests) and runs the window tests and the tests of the
# built program against it: faults that show only under optimisation fail here too.
# Needs no display, sound card or session bus from the caller: tests that need one start
# Xvfb or a private D-Bus session themselves. Arguments go to both CTest runs (e.g. -R name).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/packages.sh

install_packages "${TALVORA_BUILD_PACKAGES[@]}" "${TALVORA_TEST_PACKAGES[@]}"

cmake --preset asan >/dev/null
cmake --build --preset asan

# Leak reports from third-party libraries (Qt's plugin loader, fontconfig, libmpv's
# decoders, D-Bus) are suppressed by library name only; the project's code is never listed.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=0:detect_odr_violation=0"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan-thirdparty.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$root/scripts/ubsan-thirdparty.supp"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS

ctest --preset asan -j "$(nproc)" "$@"

cmake --preset release-tests >/dev/null
cmake --build --preset release-tests
ctest --preset release-tests -j "$(nproc)" "$@"
