#!/usr/bin/env bash
# The main job: the program on the simulated board, with a scripted session (tools/demo), leaving
# screenshots, a short report (out/report.md) and the board's whole log (out/board-log.txt) under
# out/.
#
#   scripts/demo.sh                    on an Xvfb display of its own (1024 x 768)
#   scripts/demo.sh --current-display  on $DISPLAY, with a Wine prefix of its own
#
# Installs what is missing (scripts/deps.sh), builds the windows tree in build/demo, starts Wine,
# runs build/demo/bin/demo.exe and turns its .bmp screenshots into .png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh

cmake --preset windows -B build/demo >/dev/null
cmake --build build/demo --target Velmora VelmoraSim simboard_exe velmora_demo

out=$root/out
mkdir -p "$out"
rm -f "$out"/*.bmp "$out"/*.png "$out"/report.md "$out"/board-log.txt

source scripts/wine-env.sh
if [ "${1:-}" = "--current-display" ]; then
    if [ -z "${DISPLAY:-}" ]; then
        echo "demo.sh: --current-display needs DISPLAY" >&2
        exit 2
    fi
    export VELMORA_DISPLAY_SD=$DISPLAY VELMORA_PREFIX_SD=$root/build/demo/wine/prefix-current
    _start_prefix sd
    WINEPREFIX="$VELMORA_PREFIX_SD" wineserver -p
    trap 'WINEPREFIX="$VELMORA_PREFIX_SD" wineserver -k 2>/dev/null || true' EXIT
else
    trap wine_env_stop EXIT
    wine_env_start "$root/build/demo/wine"
fi
export VELMORA_SCREEN=sd

winpath() { echo "Z:${1//\//\\}"; }
status=0
scripts/wine-exec.sh build/demo/bin/demo.exe --out "$(winpath "$out")" \
    --program "$(winpath "$root/build/demo/bin/VelmoraSim.exe")" || status=$?

for bmp in "$out"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo
echo "Report: $out/report.md"
ls "$out"
exit $status
