#!/bin/sh
# fuzz-pass.sh SOURCE-DIR BUILD-DIR
#
# A short, bounded pass of every libFuzzer target, for the test suite: builds them with clang
# in BUILD-DIR (a build of their own) and runs each for a few thousand inputs from a copy of
# its seed corpus. Long campaigns run by hand (see CMakeLists.txt here).
set -eu
source_dir=$1
build_dir=$2
cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALVORA_FUZZ=ON -DTALVORA_BUILD_TESTS=OFF \
    -DTALVORA_BUILD_BENCH=OFF >/dev/null
targets="library cache history settings history_update history_file download_state"
for target in $targets; do
    # Quiet unless the build fails, then its output says why.
    if ! cmake --build "$build_dir" --target "fuzz_$target" >"$build_dir/build.log" 2>&1; then
        cat "$build_dir/build.log"
        exit 1
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in $targets; do
    case $target in
    history_update | history_file) seeds=history ;;
    *) seeds=$target ;;
    esac
    mkdir "$work/$target"
    cp "$source_dir/fuzz/corpus/$seeds/"* "$work/$target/" 2>/dev/null || true
    echo "fuzz_$target"
    # A finding (a crash, a leak, an abort of a check) fails the pass with the fuzzer's report.
    if ! "$build_dir/fuzz/fuzz_$target" -dict="$source_dir/fuzz/json.dict" -runs=20000 \
        -max_total_time=60 -artifact_prefix="$work/" "$work/$target" >"$work/$target.log" 2>&1; then
        cat "$work/$target.log"
        exit 1
    fi
    tail -n 1 "$work/$target.log"
done
