# Sourced by scripts/test.sh and scripts/demo.sh: prepares three Wine prefixes, each with its own
# display, and a persistent wineserver for each, so that a Wine process starts in about 0.1 s:
#   sd    an Xvfb of 1024 x 768
#   hd    an Xvfb of 1920 x 1080
#   hd144 a second Xvfb of 1920 x 1080, its own prefix at 144 DPI (150 %): HKCU\Control Panel\Desktop
#         LogPixels; with a display of its own a test at 150 % does not wait for one at 100 %
#   dual  two monitors: an Xephyr with Xinerama and no RandR (Wine then reports Xinerama's heads as
#         monitors) and two screens, \\.\DISPLAY1 1024 x 768 at (0, 0), primary, and \\.\DISPLAY2
#         1280 x 800 at (1024, 0); its windows sit side by side on a host Xvfb of 2304 x 800
#   sd2   a second Xvfb of 1024 x 768: most tests run at 1024 x 768, and with one display they all
#         waited for each other; ctest hands each such test whichever of sd and sd2 is free
#         (tests/wine-displays.json), and scripts/wine-exec.sh follows its choice
#   hd2   a second Xvfb of 1920 x 1080 and a copy of the hd prefix: the 1920 x 1080 tests were the
#         run's longest chain on one display; ctest hands each whichever of hd and hd2 is free
# wine_env_stop ends everything it started.
#
#   wine_env_start DIR     prefixes and displays under DIR
#   wine_env_stop
#
# VELMORA_DISPLAY_BASE (default 90) is where the search for free display numbers starts, so that
# benches started at the same moment from different work trees do not race for one number.
# Afterwards VELMORA_PREFIX_SD/HD/HD144/DUAL/SD2/SD3/HD2 and VELMORA_DISPLAY_SD/HD/HD144/DUAL/SD2/SD3/HD2
# name them;
# scripts/wine-exec.sh picks the pair by VELMORA_SCREEN (sd, the default, hd, hd144 or dual) and
# the display ctest allocated. wine_env_start_displays starts the
# X servers alone.

# Sourcing this file again keeps what an earlier start recorded, so a later stop still ends it.
[ -n "${_wine_env_pids+x}" ] || _wine_env_pids=()         # X servers this shell started, oldest first
[ -n "${_wine_env_displays+x}" ] || _wine_env_displays=() # their display numbers, in the same order

# An X server in another mount namespace (a container, a service with a private /tmp) leaves no
# lock file or socket in our /tmp, but it holds the display's abstract socket "@/tmp/.X11-unix/Xn",
# which the machine's namespaces share: a server started on that number fails at once ("server
# already running"), and a client that asks for the number reaches the other server. Such a
# number is taken as well; /proc/net/unix lists the abstract sockets that are bound.
_abstract_socket_taken() { # number
    grep -qs -- " @/tmp/\.X11-unix/X$1\$" /proc/net/unix
}

_free_display() {
    local n=${1:-90}
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || _abstract_socket_taken "$n"; do
        n=$((n + 1))
    done
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

_lock_pid() { # number: the pid an X server wrote into the display's lock file
    local pid
    read -r pid 2>/dev/null <"/tmp/.X$1-lock" && echo "$pid"
}

_running() { # pid [display]: the process has not ended (a zombie has) and, given a display, serves it
    local stat command
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    [ "${stat:0:1}" != Z ] || return 1
    [ -n "${2:-}" ] || return 0
    command=$(tr '\0' ' ' <"/proc/$1/cmdline" 2>/dev/null) || return 1
    [[ "$command" == *" :$2 "* ]]
}

# Starts an X server on the first free display number from $1 and sets _started_display to it.
# The server runs detached (its own session: a Ctrl-C or a test's time-out does not reach it), and
# its pid goes to _wine_env_pids at once, so a stop after a failed start still ends it. With job
# control on (an interactive shell), setsid would fork and $! would name the short-lived parent:
# it is turned off here. Two benches that pick the same number at the same moment both see the
# display answer; the one whose pid is not in the display's lock file lost (its server has ended)
# and goes on to the next number.
_start_x() { # first-number name program [args...] (the display ":N" goes right after the program)
    local -
    set +m
    local n=$1 name=$2 program=$3 pid _
    shift 3
    for _ in 1 2 3 4 5; do
        n=$(_free_display "$n")
        setsid "$program" ":$n" "$@" >/dev/null 2>&1 &
        pid=$!
        _wine_env_pids+=("$pid")
        _wine_env_displays+=("$n")
        _wait_display "$n" "$name" || return 1
        if [ "$(_lock_pid "$n")" = "$pid" ]; then
            _started_display=$n
            return 0
        fi
        n=$((n + 1))
    done
    echo "$name: no free display" >&2
    return 1
}

# The X servers alone (no Wine): sets and exports VELMORA_DISPLAY_SD, _HD, _DUAL, _SD2, _HD144, _SD3, _HD2 and, for the
# two-monitor display, the Xvfb it runs on, VELMORA_DISPLAY_DUAL_HOST.
wine_env_start_displays() {
    local sd hd host dual sd2 hd144 sd3 hd2
    _start_x "${VELMORA_DISPLAY_BASE:-90}" Xvfb Xvfb -screen 0 1024x768x24 -nolisten tcp -ac || return 1
    sd=$_started_display
    _start_x $((sd + 1)) Xvfb Xvfb -screen 0 1920x1080x24 -nolisten tcp -ac || return 1
    hd=$_started_display
    _start_x $((hd + 1)) Xvfb Xvfb -screen 0 2304x800x24 -nolisten tcp -ac || return 1
    host=$_started_display
    DISPLAY=":$host" _start_x $((host + 1)) Xephyr Xephyr +xinerama -extension RANDR -screen 1024x768+0+0 \
        -screen 1280x800+1024+0 -nolisten tcp -ac || return 1
    dual=$_started_display
    _start_x $((dual + 1)) Xvfb Xvfb -screen 0 1024x768x24 -nolisten tcp -ac || return 1
    sd2=$_started_display
    _start_x $((sd2 + 1)) Xvfb Xvfb -screen 0 1920x1080x24 -nolisten tcp -ac || return 1
    hd144=$_started_display
    _start_x $((hd144 + 1)) Xvfb Xvfb -screen 0 1024x768x24 -nolisten tcp -ac || return 1
    sd3=$_started_display
    _start_x $((sd3 + 1)) Xvfb Xvfb -screen 0 1920x1080x24 -nolisten tcp -ac || return 1
    hd2=$_started_display
    export VELMORA_DISPLAY_SD=":$sd" VELMORA_DISPLAY_HD=":$hd" VELMORA_DISPLAY_DUAL=":$dual"
    export VELMORA_DISPLAY_SD2=":$sd2" VELMORA_DISPLAY_HD144=":$hd144" VELMORA_DISPLAY_SD3=":$sd3"
    export VELMORA_DISPLAY_HD2=":$hd2"
    export VELMORA_DISPLAY_DUAL_HOST=":$host"
}

# Where scripts/wine-exec.sh is: every Wine program of the bench, the prefixes' set-up included,
# runs through it and so with its environment; nothing here exports Wine settings into the
# calling shell.
_wine_exec="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine-exec.sh"

_start_prefix() { # screen (sd, hd, dual, sd2 or sd3): VELMORA_PREFIX_<SCREEN> and VELMORA_DISPLAY_<SCREEN> set
    local prefix=VELMORA_PREFIX_${1^^}
    prefix=${!prefix}
    mkdir -p "$prefix"
    if [ ! -f "$prefix/system.reg" ]; then
        VELMORA_SCREEN=$1 "$_wine_exec" wineboot -i >/dev/null 2>&1 </dev/null
        # Let the boot finish (its server exits) before the persistent server takes over.
        WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
    fi
    # Wine has no "Times New Roman" (the settings window's face): draw it with the metric-compatible
    # Liberation Serif of fonts-liberation, which Wine finds through fontconfig. Wine reads the
    # mapping when a program starts.
    if ! grep -q '"Times New Roman"="Liberation Serif"' "$prefix/user.reg" 2>/dev/null; then
        VELMORA_SCREEN=$1 "$_wine_exec" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' \
            /d 'Liberation Serif' /f >/dev/null 2>&1 </dev/null
        WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
    fi
    # Nor "Arial" (the text tool's face): Liberation Sans, its metric-compatible counterpart.
    if ! grep -q '"Arial"="Liberation Sans"' "$prefix/user.reg" 2>/dev/null; then
        VELMORA_SCREEN=$1 "$_wine_exec" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Arial' \
            /d 'Liberation Sans' /f >/dev/null 2>&1 </dev/null
        WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
    fi
}

_copy_prefix() { # from to: a copy of an initialised prefix, unless "to" is one already
    [ -f "$2/system.reg" ] && return 0
    rm -rf "$2" "$2.tmp"
    cp -a "$1" "$2.tmp" && mv "$2.tmp" "$2"
}

wine_env_start() {
    local dir=$1
    mkdir -p "$dir"
    wine_env_start_displays || return 1
    export VELMORA_PREFIX_SD="$dir/prefix-sd" VELMORA_PREFIX_HD="$dir/prefix-hd"
    export VELMORA_PREFIX_DUAL="$dir/prefix-dual" VELMORA_PREFIX_SD2="$dir/prefix-sd2"
    export VELMORA_PREFIX_SD3="$dir/prefix-sd3"
    export VELMORA_PREFIX_HD144="$dir/prefix-hd144" VELMORA_PREFIX_HD2="$dir/prefix-hd2"
    local screens=(SD HD HD144 DUAL SD2 SD3 HD2) s prefix pids=()
    # sd and hd are initialised at once (wait names them: the X servers are children too). A third
    # wineboot beside them made a fresh start-up 4 to 7 s longer on two cores; a new dual, sd2 or sd3
    # prefix is a copy of the freshly initialised sd one instead (about 1.5 s, while hd still boots).
    _start_prefix sd &
    local a=$!
    _start_prefix hd &
    local b=$!
    wait "$a"
    _copy_prefix "$VELMORA_PREFIX_SD" "$VELMORA_PREFIX_DUAL"
    _start_prefix dual
    _copy_prefix "$VELMORA_PREFIX_SD" "$VELMORA_PREFIX_SD2"
    _start_prefix sd2
    _copy_prefix "$VELMORA_PREFIX_SD" "$VELMORA_PREFIX_SD3"
    _start_prefix sd3
    wait "$b"
    _copy_prefix "$VELMORA_PREFIX_HD" "$VELMORA_PREFIX_HD2"
    # The 144-DPI prefix is a copy of the freshly initialised hd one with LogPixels set: Wine then
    # reports 144 from GetDpiForWindow, GetDpiForMonitor and LOGPIXELSX while the screen stays
    # 1920 x 1080 physical pixels, as a per-monitor-aware program sees a monitor at 150 %.
    _copy_prefix "$VELMORA_PREFIX_HD" "$VELMORA_PREFIX_HD144"
    if ! grep -q '"LogPixels"=dword:00000090' "$VELMORA_PREFIX_HD144/user.reg" 2>/dev/null; then
        VELMORA_SCREEN=hd144 "$_wine_exec" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
            /d 144 /f >/dev/null 2>&1 </dev/null
        WINEPREFIX="$VELMORA_PREFIX_HD144" wineserver -w 2>/dev/null || true
    fi
    # Start each prefix's services now, outside any test: the first program of a fresh server
    # brings them up, and under ctest that first program was seen never to exit.
    for s in "${screens[@]}"; do
        prefix=VELMORA_PREFIX_$s
        WINEPREFIX="${!prefix}" wineserver -p >/dev/null 2>&1 </dev/null
        VELMORA_SCREEN=${s,,} timeout 120 "$_wine_exec" cmd /c exit >/dev/null 2>&1 </dev/null &
        pids+=($!)
    done
    wait "${pids[@]}"
}

# Ends one X server of this run and waits until it is gone, so that its display number is free
# again: SIGTERM (the server then removes its lock file and socket), and SIGKILL after 5 s. A
# server that already ended is left alone; so is a pid now used by another process.
_stop_x() { # pid display
    local pid=$1 n=$2 i
    if _running "$pid" "$n"; then
        kill "$pid" 2>/dev/null || true
        for i in $(seq 1 50); do
            _running "$pid" || break
            sleep 0.1
        done
        if _running "$pid"; then
            kill -KILL "$pid" 2>/dev/null || true
            for i in $(seq 1 20); do
                _running "$pid" || break
                sleep 0.1
            done
        fi
    fi
    wait "$pid" 2>/dev/null || true # reaps it when it is this shell's child
    # A server killed hard, or one that lost its host, may leave its lock file and socket behind.
    if [ "$(_lock_pid "$n")" = "$pid" ] && ! _running "$pid"; then
        rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n" 2>/dev/null || true
    fi
}

# Ends everything wine_env_start started: each prefix's wineserver with its Wine processes, then
# the X servers, the newest first (the Xephyr before the Xvfb it runs on). Whatever already ended
# is not an error, and one server that will not stop does not keep the others running. It never
# fails: it runs in EXIT traps under `set -e`, where a failure would end the trap early and replace
# the status of the work, so that a run whose tests all passed would exit 1. Running it again
# does nothing.
wine_env_stop() {
    local prefix i
    for prefix in "${VELMORA_PREFIX_SD:-}" "${VELMORA_PREFIX_HD:-}" "${VELMORA_PREFIX_HD144:-}" \
        "${VELMORA_PREFIX_DUAL:-}" "${VELMORA_PREFIX_SD2:-}" "${VELMORA_PREFIX_SD3:-}" "${VELMORA_PREFIX_HD2:-}"; do
        [ -n "$prefix" ] || continue
        WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
        WINEPREFIX="$prefix" timeout 10 wineserver -w >/dev/null 2>&1 || true
    done
    for ((i = ${#_wine_env_pids[@]} - 1; i >= 0; i--)); do
        _stop_x "${_wine_env_pids[i]}" "${_wine_env_displays[i]}"
    done
    _wine_env_pids=()
    _wine_env_displays=()
    return 0
}
