#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz/ and runs each one for a while on
# a copy of its seed corpus (fuzz/corpus/<name>/ stays as it is), as many at
# once as there are cores. Fails when a target finds something, whose input is
# kept in build-fuzz/findings/<name>/.
#   scripts/fuzz.sh                    every target for 3 seconds
#   scripts/fuzz.sh 300 profile zlib   these targets for 300 seconds each
#   scripts/fuzz.sh --build-only       only builds them
set -euo pipefail
cd "$(dirname "$0")/.."

build_only=false
if [[ "${1:-}" == "--build-only" ]]; then
    build_only=true
    shift
fi
seconds=${1:-3}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
    for source in fuzz/*.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DQVU_FUZZ=ON -DQVU_BUILD_TESTS=OFF \
    -DQVU_BUILD_BENCH=OFF -DQVU_WITH_WINDOW=OFF >/dev/null
cmake --build build-fuzz --target qvu-fuzz -j "$(nproc)"
if $build_only; then
    exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Runs one target; its report goes to standard output, or to standard error
# with the finding's input kept.
fuzz_one() {
    local name=$1
    mkdir -p "$work/$name/corpus" "$work/$name/findings"
    cp -R "fuzz/corpus/$name/." "$work/$name/corpus/"
    # A unit that takes more than 25 seconds counts as a hang. The target
    # runs in its temporary folder: what it leaves there (a trace log) goes.
    if ! (cd "$work/$name" && "$OLDPWD/build-fuzz/bin/fuzz_$name" -max_total_time="$seconds" \
        -timeout=25 -print_final_stats=1 -artifact_prefix="$work/$name/findings/" \
        "$work/$name/corpus" >"$work/$name/log" 2>&1); then
        local kept="build-fuzz/findings/$name"
        mkdir -p "$kept"
        cp -R "$work/$name/findings/." "$kept/"
        tail -n 40 "$work/$name/log" >&2
        echo "fuzz_$name: finding, input kept in $kept/" >&2
        return 1
    fi
    local runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name/log")
    echo "fuzz_$name: ${runs:-?} runs in ${seconds} s, no finding"
}

# One target a core at a time.
failed=0
running=0
for name in "${targets[@]}"; do
    if ((running == $(nproc))); then
        wait -n || failed=1
        running=$((running - 1))
    fi
    fuzz_one "$name" &
    running=$((running + 1))
done
while ((running > 0)); do
    wait -n || failed=1
    running=$((running - 1))
done
exit "$failed"
