#!/usr/bin/env bash
# Runs every test: the release build's unit, host and window tests, the same
# under AddressSanitizer and UndefinedBehaviourSanitizer (built with clang,
# which also builds the state fuzzer and runs it for a bounded time), and the
# threading tests under ThreadSanitizer. Expects the packages of
# install-packages.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
export VANTREL_ARTIFACTS_DIR="${VANTREL_ARTIFACTS_DIR:-$PWD/artifacts}"
mkdir -p "$VANTREL_ARTIFACTS_DIR"

# Window tests need an X server with a window manager.
if [ -z "${DISPLAY:-}" ]; then
    export DISPLAY=:97
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill $openbox_pid $xvfb_pid 2>/dev/null || true' EXIT
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    openbox >/dev/null 2>&1 &
    openbox_pid=$!
    sleep 0.5
fi

status=0

echo "== Release build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs") || status=1

echo "== AddressSanitizer and UndefinedBehaviourSanitizer build, with the state fuzzer"
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Sanitize \
    -DVANTREL_SANITIZE=address,undefined,fuzzer-no-link -DVANTREL_FUZZ=ON -DVANTREL_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
# The framework loads libX11 at run time and unloads it at exit, which would
# turn the X library's own caches into leak reports; keeping it loaded keeps
# them reachable.
x11=$(ldconfig -p | awk '/libX11\.so\.6 /{ print $NF; exit }')
(cd build-asan && LD_PRELOAD="$x11" ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$jobs") || status=1

echo "== State fuzzing"
tests/fuzz/run-fuzzer.sh build-asan 60 || status=1

echo "== ThreadSanitizer build"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Sanitize -DVANTREL_SANITIZE=thread \
    -DVANTREL_BUILD_PLUGIN=OFF -DVANTREL_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target processor_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ./build-tsan/tests/processor/processor_tests --gtest_filter='Threading.*:Markers.*' || status=1

exit $status
