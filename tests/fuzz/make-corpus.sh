#!/usr/bin/env bash
# Writes the seed corpus of the fuzz targets anew with spdpack.
#   make-corpus.sh SPDPACK
# Run it after a change of a layout, then commit tests/fuzz/corpus.
set -euo pipefail
spdpack=$1
corpus="$(cd "$(dirname "$0")" && pwd)/corpus"
rm -rf "$corpus"
"$spdpack" corpus "$corpus"
