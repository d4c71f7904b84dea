#!/usr/bin/env bash
# The checks the sources pass before anything is built: every C++ file formatted as the
# repository's .clang-format says, and no include running back up the rooms' order
# (scripts/check-includes.py). Exits non-zero, naming the file and line, on the first failing check.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -d .git ] || git rev-parse --git-dir >/dev/null 2>&1; then
    git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
else
    find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format --dry-run -Werror
fi
python3 scripts/check-includes.py .
echo "sources: formatted, includes in the rooms' order"
