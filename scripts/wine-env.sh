# Sourced by scripts/test.sh and scripts/demo.sh: prepares three Wine prefixes, each with its own
# display, and a persistent wineserver for each, so that a Wine process starts in about 0.1 s:
#   sd    an Xvfb of 1024 x 768
#   hd    an Xvfb of 1920 x 1080
#   dual  two monitors: an Xephyr with Xinerama and no RandR (Wine then reports Xinerama's heads as
#         monitors) and two screens, \\.\DISPLAY1 1024 x 768 at (0, 0), primary, and \\.\DISPLAY2
#         1280 x 800 at (1024, 0); its windows sit side by side on a host Xvfb of 2304 x 800
# wine_env_stop ends everything it started.
#
#   wine_env_start DIR     prefixes and displays under DIR
#   wine_env_stop
#
# VELMORA_DISPLAY_BASE (default 90) is where the search for free display numbers starts, so that
# benches started at the same moment from different work trees do not race for one number.
# Afterwards VELMORA_PREFIX_SD/HD/DUAL and VELMORA_DISPLAY_SD/HD/DUAL name them; scripts/wine-exec.sh
# picks the pair by VELMORA_SCREEN (sd, the default, hd or dual).

_wine_env_pids=()

_free_display() {
    local n=${1:-90}
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    echo "$n"
}

_wait_display() { # number name
    local i
    for i in $(seq 1 100); do
        if DISPLAY=":$1" xdpyinfo >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    echo "$2 :$1 did not answer" >&2
    return 1
}

_start_xvfb() { # number size
    setsid Xvfb ":$1" -screen 0 "$2" -nolisten tcp -ac >/dev/null 2>&1 &
    _wine_env_pids+=($!)
    _wait_display "$1" Xvfb
}

_start_xephyr_dual() { # number host-number
    DISPLAY=":$2" setsid Xephyr ":$1" +xinerama -extension RANDR -screen 1024x768+0+0 \
        -screen 1280x800+1024+0 -nolisten tcp -ac >/dev/null 2>&1 &
    _wine_env_pids+=($!)
    _wait_display "$1" Xephyr
}

_start_prefix() { # prefix display
    # No winemenubuilder: the installer's Start menu shortcut must not become a menu entry of the
    # Linux desktop.
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" LC_ALL=C.UTF-8
    mkdir -p "$1"
    if [ ! -f "$1/system.reg" ]; then
        WINEPREFIX="$1" DISPLAY="$2" wineboot -i >/dev/null 2>&1 </dev/null
        # Let the boot finish (its server exits) before the persistent server takes over.
        WINEPREFIX="$1" wineserver -w 2>/dev/null || true
    fi
    # Wine has no "Times New Roman" (the settings window's face): draw it with the metric-compatible
    # Liberation Serif of fonts-liberation, which Wine finds through fontconfig. Wine reads the
    # mapping when a program starts.
    if ! grep -q '"Times New Roman"="Liberation Serif"' "$1/user.reg" 2>/dev/null; then
        WINEPREFIX="$1" DISPLAY="$2" wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' \
            /d 'Liberation Serif' /f >/dev/null 2>&1 </dev/null
        WINEPREFIX="$1" wineserver -w 2>/dev/null || true
    fi
}

wine_env_start() {
    local dir=$1
    mkdir -p "$dir"
    local sd hd host dual
    sd=$(_free_display "${VELMORA_DISPLAY_BASE:-90}")
    _start_xvfb "$sd" 1024x768x24 || return 1
    hd=$(_free_display $((sd + 1)))
    _start_xvfb "$hd" 1920x1080x24 || return 1
    host=$(_free_display $((hd + 1)))
    _start_xvfb "$host" 2304x800x24 || return 1
    dual=$(_free_display $((host + 1)))
    _start_xephyr_dual "$dual" "$host" || return 1
    export VELMORA_DISPLAY_SD=":$sd" VELMORA_DISPLAY_HD=":$hd" VELMORA_DISPLAY_DUAL=":$dual"
    export VELMORA_PREFIX_SD="$dir/prefix-sd" VELMORA_PREFIX_HD="$dir/prefix-hd"
    export VELMORA_PREFIX_DUAL="$dir/prefix-dual"
    local screens=(SD HD DUAL) s prefix display pids=()
    # sd and hd are initialised at once (wait names them: the X servers are children too). A third
    # wineboot beside them made a fresh start-up 4 to 7 s longer on two cores; a new dual prefix is
    # a copy of the freshly initialised sd one instead (about 1.5 s, while hd still boots).
    _start_prefix "$VELMORA_PREFIX_SD" "$VELMORA_DISPLAY_SD" &
    local a=$!
    _start_prefix "$VELMORA_PREFIX_HD" "$VELMORA_DISPLAY_HD" &
    local b=$!
    wait "$a"
    if [ ! -f "$VELMORA_PREFIX_DUAL/system.reg" ]; then
        rm -rf "$VELMORA_PREFIX_DUAL" "$VELMORA_PREFIX_DUAL.tmp"
        cp -a "$VELMORA_PREFIX_SD" "$VELMORA_PREFIX_DUAL.tmp" && mv "$VELMORA_PREFIX_DUAL.tmp" "$VELMORA_PREFIX_DUAL"
    fi
    _start_prefix "$VELMORA_PREFIX_DUAL" "$VELMORA_DISPLAY_DUAL"
    wait "$b"
    # Start each prefix's services now, outside any test: the first program of a fresh server
    # brings them up, and under ctest that first program was seen never to exit.
    for s in "${screens[@]}"; do
        prefix=VELMORA_PREFIX_$s display=VELMORA_DISPLAY_$s
        WINEPREFIX="${!prefix}" wineserver -p >/dev/null 2>&1 </dev/null
        WINEPREFIX="${!prefix}" DISPLAY="${!display}" timeout 120 wine cmd /c exit >/dev/null 2>&1 </dev/null &
        pids+=($!)
    done
    wait "${pids[@]}"
}

wine_env_stop() {
    [ -n "${VELMORA_PREFIX_SD:-}" ] && WINEPREFIX="$VELMORA_PREFIX_SD" wineserver -k 2>/dev/null
    [ -n "${VELMORA_PREFIX_HD:-}" ] && WINEPREFIX="$VELMORA_PREFIX_HD" wineserver -k 2>/dev/null
    [ -n "${VELMORA_PREFIX_DUAL:-}" ] && WINEPREFIX="$VELMORA_PREFIX_DUAL" wineserver -k 2>/dev/null
    local p
    for p in "${_wine_env_pids[@]}"; do kill "$p" 2>/dev/null; done
    _wine_env_pids=()
}
