#!/usr/bin/env bash
# Builds the project and runs the whole test suite.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-sanitize/
# The normal run also runs every fuzz target for a few seconds (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh

build=build
options=()
# Per test; the sanitizers make the heaviest tests (the trace log's load of
# two processes) several times slower.
timeout=300
if [[ "${1:-}" == "--sanitize" ]]; then
    build=build-sanitize
    timeout=900
    options+=(-DQVU_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
    # The desktop libraries under the window keep caches until the process ends.
    export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp"
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
if [[ "$build" == build ]]; then
    # The fuzz targets build while the tests run, which mostly wait on their
    # servers and processes; at the lowest priority, so the tests come first.
    nice -n 19 bash scripts/fuzz.sh --build-only >"$build/fuzz-build.log" 2>&1 &
    fuzz_build=$!
fi
tests=0
(cd "$build" && ctest --output-on-failure -j "$(nproc)" --timeout "$timeout") || tests=$?
if [[ "$build" == build ]]; then
    if ! wait "$fuzz_build"; then
        cat "$build/fuzz-build.log" >&2
        echo "test: the fuzz targets did not build" >&2
        exit 1
    fi
    ((tests == 0)) || exit "$tests"
    bash scripts/fuzz.sh 3
fi
exit "$tests"
