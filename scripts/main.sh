#!/usr/bin/env bash
# The main job. The update run does not exist yet; until it does, this builds
# everything and exercises the in-house libraries through qvu-zlib: a sample
# file is compressed and decompressed in a sandbox and must come back unchanged.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT
# Nothing may touch the real machine root.
export QVU_ROOT="$sandbox/root"
mkdir -p "$QVU_ROOT"

sample="$sandbox/sample.txt"
for i in $(seq 1 400); do
    echo "Line $i: Quorvane Zelvo Update compresses this sample with its own zlib streams."
done >"$sample"

build/bin/qvu-zlib -c "$sample" "$sandbox/sample.z"
build/bin/qvu-zlib -d "$sandbox/sample.z" "$sandbox/restored.txt"
if ! cmp "$sample" "$sandbox/restored.txt"; then
    echo "main: FAILED: the decompressed file differs from the sample" >&2
    exit 1
fi

size() { stat -c %s "$1"; }
echo "main: sample $(size "$sample") bytes, compressed $(size "$sandbox/sample.z") bytes," \
    "restored $(size "$sandbox/restored.txt") bytes"
echo "main: OK: qvu-zlib round trip through the in-house libraries succeeded" \
    "(the update run itself does not exist yet)"
