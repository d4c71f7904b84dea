#!/usr/bin/env bash
# Runs a Windows program under Wine with the run's prefix and display (see scripts/wine-env.sh).
# Used as CMake's cross-compiling emulator, so every ctest entry of the windows tree goes through it.
# VELMORA_SCREEN=hd selects the 1920 x 1080 display and its prefix, hd144 another one with its
# prefix at 144 DPI, dual the two-monitor display (1024 x 768 and 1280 x 800) and its prefix;
# sd2 and sd3 the second and third 1024 x 768 displays and their prefixes, hd2 the second
# 1920 x 1080 one; anything else the first 1024 x 768 one.
#
# Every Wine process of the bench starts here, the prefixes' own set-up in scripts/wine-env.sh as
# well, so they all run with the same environment, whatever the calling shell holds: no debug
# channels (WINEDEBUG may be set to ask for some), no Mono or Gecko installer, and no
# winemenubuilder, so the installer's Start menu shortcut never becomes a menu entry of the Linux
# desktop.
set -u
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=C.UTF-8
# Under ctest, a 1024 x 768 or 1920 x 1080 test runs on the display ctest allocated to it
# (tests/wine-displays.json: CTEST_RESOURCE_GROUP_0_SD is "id:2,slots:1" for the second one).
allocated() { # the id in "id:N,slots:1"
    local id=${1#id:}
    echo "${id%%,*}"
}
sd_id=$(allocated "${CTEST_RESOURCE_GROUP_0_SD:-}")
hd_id=$(allocated "${CTEST_RESOURCE_GROUP_0_HD:-}")
if [ "${VELMORA_SCREEN:-sd}" = hd2 ] || { [ "${VELMORA_SCREEN:-sd}" = hd ] && [ "$hd_id" = 2 ]; }; then
    export WINEPREFIX=${VELMORA_PREFIX_HD2:-} DISPLAY=${VELMORA_DISPLAY_HD2:-}
elif [ "${VELMORA_SCREEN:-sd}" = hd ]; then
    export WINEPREFIX=${VELMORA_PREFIX_HD:-} DISPLAY=${VELMORA_DISPLAY_HD:-}
elif [ "${VELMORA_SCREEN:-sd}" = hd144 ]; then
    export WINEPREFIX=${VELMORA_PREFIX_HD144:-} DISPLAY=${VELMORA_DISPLAY_HD144:-}
elif [ "${VELMORA_SCREEN:-sd}" = dual ]; then
    export WINEPREFIX=${VELMORA_PREFIX_DUAL:-} DISPLAY=${VELMORA_DISPLAY_DUAL:-}
elif [ "${VELMORA_SCREEN:-sd}" = sd2 ] || [ "$sd_id" = 2 ]; then
    export WINEPREFIX=${VELMORA_PREFIX_SD2:-} DISPLAY=${VELMORA_DISPLAY_SD2:-}
elif [ "${VELMORA_SCREEN:-sd}" = sd3 ] || [ "$sd_id" = 3 ]; then
    export WINEPREFIX=${VELMORA_PREFIX_SD3:-} DISPLAY=${VELMORA_DISPLAY_SD3:-}
else
    export WINEPREFIX=${VELMORA_PREFIX_SD:-${WINEPREFIX:-}} DISPLAY=${VELMORA_DISPLAY_SD:-${DISPLAY:-}}
fi
if [ -z "$WINEPREFIX" ] || [ -z "$DISPLAY" ]; then
    echo "wine-exec.sh: no prefix or display; run through scripts/test.sh or source scripts/wine-env.sh" >&2
    exit 125
fi
exec wine "$@"
