#!/usr/bin/env bash
# Builds both trees (and compiles the program for 32-bit Windows) and runs every test:
# the host unit tests natively, the Windows tests under Wine on Xvfb displays. The sources' format
# and include order are checked first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/check-sources.sh

cmake --preset host
cmake --build --preset host
ctest --preset host

cmake --preset windows
cmake --build --preset windows
cmake --preset windows32
cmake --build --preset windows32

source scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start "$PWD/build/wine"
ctest --preset windows
