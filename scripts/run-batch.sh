#!/usr/bin/env bash
# Runs the batch command on the sample show into a fresh temporary folder.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mktemp -d "${TMPDIR:-/tmp}/bildertafel-show-XXXXXX")
cp -r "$root/examples/sample-show/." "$out/"
"$build/src/batch/bildertafel-batch" --show "$out" --minis "$out/minis" --pictures "$out/bilder" \
    --own-pages on --name index
echo "Start page: $out/index.html"
