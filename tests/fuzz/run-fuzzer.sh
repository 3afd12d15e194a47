#!/usr/bin/env bash
# Runs the state fuzzer for a bounded time, seeded with chunks of the
# processor's own states, and prints how many inputs it tried.
#
#   tests/fuzz/run-fuzzer.sh <build-dir> [seconds]
#
# Exits non-zero when the fuzzer finds a crash, a sanitizer report or a state
# that does not survive its own save and restore; the input that did it is kept
# in <build-dir>/fuzz-artifacts/.
set -euo pipefail

build=${1:?usage: run-fuzzer.sh <build-dir> [seconds]}
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
fuzzer="$build/tests/fuzz/state_fuzzer"

if [[ ! -x "$fuzzer" ]]; then
    echo "run-fuzzer.sh: $fuzzer not built (configure with Clang, -DVANTREL_FUZZ=ON)" >&2
    exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts" "$work/corpus"

VANTREL_FUZZ_WRITE_SEEDS="$work/corpus" "$fuzzer" >/dev/null 2>&1

status=0
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
          -dict="$here/state.dict" -artifact_prefix="$artifacts/" \
          "$work/corpus" >"$work/log" 2>&1 || status=$?

runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$work/log" | tail -n 1)

if [[ $status -ne 0 || -z "$runs" ]]; then
    tail -n 60 "$work/log" >&2
    echo "state_fuzzer: FAILED (exit status $status), artifacts in $artifacts" >&2
    exit 1
fi

echo "state_fuzzer: ${runs} inputs tried in ${seconds} s, no failure"
