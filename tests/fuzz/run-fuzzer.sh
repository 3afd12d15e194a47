#!/usr/bin/env bash
# Runs the fuzz targets, each for a bounded time, seeded with states of the
# plug-in's own, and prints how many inputs each tried and how fast:
#   state_fuzzer            the processor's state chunk, restored in-process;
#   component_state_fuzzer  whole component states restored into the built
#                           plug-in through the framework's VST3 wrapper.
#
#   tests/fuzz/run-fuzzer.sh <build-dir> [seconds per target]
#
# Exits non-zero when a fuzzer finds a crash, a sanitizer report or a broken
# invariant of its target; the input that did it is kept in
# <build-dir>/fuzz-artifacts/.
set -euo pipefail

build=${1:?usage: run-fuzzer.sh <build-dir> [seconds per target]}
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"

# The framework loads libX11 at run time and unloads it at exit, which would
# turn the X library's own caches into leak reports; keeping it loaded keeps
# them reachable. awk reads the whole list: leaving at the first match would
# end ldconfig with SIGPIPE, which pipefail turns into a failure.
x11=$(ldconfig -p | awk '/libX11\.so\.6 / && x11 == "" { x11 = $NF } END { print x11 }')

status=0

run() # <target> <dictionary>
{
    local name=$1 dict=$2
    local fuzzer="$build/tests/fuzz/$name"

    if [[ ! -x "$fuzzer" ]]; then
        echo "run-fuzzer.sh: $fuzzer not built (configure with Clang, -DVANTREL_FUZZ=ON)" >&2
        status=2
        return
    fi

    mkdir -p "$work/$name"
    VANTREL_FUZZ_WRITE_SEEDS="$work/$name" LD_PRELOAD="$x11" "$fuzzer" >/dev/null 2>&1

    local result=0
    LD_PRELOAD="$x11" "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -dict="$here/$dict" -artifact_prefix="$artifacts/$name-" \
        "$work/$name" >"$work/$name.log" 2>&1 || result=$?

    local runs time
    runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$work/$name.log" | tail -n 1)
    time=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$work/$name.log" | tail -n 1)

    if [[ $result -ne 0 || -z "$runs" ]]; then
        tail -n 60 "$work/$name.log" >&2
        echo "$name: FAILED (exit status $result), artifacts in $artifacts" >&2
        status=1
        return
    fi

    echo "$name: ${runs} inputs tried in ${time:-$seconds} s ($(( runs / (${time:-$seconds} > 0 ? ${time:-$seconds} : 1) )) per second), no failure"
}

run state_fuzzer state.dict
run component_state_fuzzer component.dict

exit $status
