#!/usr/bin/env bash
# Every C++ source of the repository is formatted as .clang-format says.
set -euo pipefail
cd "$1"
if ! command -v clang-format >/dev/null 2>&1; then
    echo "clang-format is not installed (make deps installs it)"
    exit 77
fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    files=$(git ls-files '*.cpp' '*.h')
else
    files=$(find src tests bench -name '*.cpp' -o -name '*.h')
fi
# shellcheck disable=SC2086
clang-format --dry-run -Werror $files
