#!/bin/bash
# Renders the program icon's PNG sizes from QVUUpdate.svg, beside it.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
svg="$here/QVUUpdate.svg"

for size in 16 24 32 48 64 128 256; do
    rsvg-convert --width="$size" --height="$size" --format=png \
        --output="$here/QVUUpdate-$size.png" "$svg"
done
