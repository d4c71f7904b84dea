#!/usr/bin/env bash
# The bench's stop (scripts/wine-env.sh), as scripts/test.sh and scripts/demo.sh use it: an EXIT
# trap under `set -euo pipefail`. The X servers are real (the Wine prefixes are not booted: their
# wineservers are absent, which the stop must take as well as servers that ended by themselves).
# Each case runs a child shell and checks that it exits with the status of its work, that every
# stop it ran returned, and that no X server of its run is left, neither process nor display. The
# servers of a run are the eight that started and serve its displays; a start may also have tried
# numbers that turned out to be taken (another bench's, or a server this /tmp cannot see), and such
# an attempt ends by itself.
set -uo pipefail
for tool in Xvfb Xephyr xdpyinfo; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed: skipped"; exit 77; }
done
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
foreign_pid=
trap 'rm -rf "$work"; [ -z "$foreign_pid" ] || kill "$foreign_pid" 2>/dev/null' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

running() { # pid: the process has not ended (a zombie has)
    [ -d "/proc/$1" ] && ! grep -q '^Z' <(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null)
}

# $1 the case, $2 the status the child's work ends with, $3 what the child does before its stops,
# $4 the first display number the start may take (VELMORA_DISPLAY_BASE, or 90, when not given).
run_case() {
    local name=$1 status=$2 before=$3 base=${4:-${VELMORA_DISPLAY_BASE:-90}} record="$work/$1.servers"
    local out="$work/$1.out" tried="$work/$1.tried" code
    VELMORA_DISPLAY_BASE=$base bash -c '
        set -euo pipefail
        source "$1/scripts/wine-env.sh"
        trap wine_env_stop EXIT
        export VELMORA_PREFIX_SD=$2/prefix-sd VELMORA_PREFIX_HD=$2/prefix-hd VELMORA_PREFIX_DUAL=$2/prefix-dual \
            VELMORA_PREFIX_SD2=$2/prefix-sd2 VELMORA_PREFIX_SD3=$2/prefix-sd3 VELMORA_PREFIX_HD2=$2/prefix-hd2
        wine_env_start_displays
        for d in SD HD DUAL_HOST DUAL SD2 HD144 SD3 HD2; do
            n=VELMORA_DISPLAY_$d
            n=${!n#:}
            pid=$(_lock_pid "$n" || true)
            echo "${pid:--} $n"
        done >"$3"
        for i in "${!_wine_env_pids[@]}"; do echo "${_wine_env_pids[i]} ${_wine_env_displays[i]}"; done >"$6"
        host_pid=$(_lock_pid "${VELMORA_DISPLAY_DUAL_HOST#:}")
        dual_pid=$(_lock_pid "${VELMORA_DISPLAY_DUAL#:}")
        eval "$5"
        wine_env_stop
        echo "first stop returned"
        wine_env_stop
        echo "second stop returned"
        exit "$4"
    ' child "$root" "$work" "$record" "$status" "$before" "$tried" >"$out" 2>&1
    code=$?

    [ "$code" = "$status" ] || fail "$name: the command exited with $code, its work with $status"
    grep -q "first stop returned" "$out" || fail "$name: the first stop ended the shell"
    grep -q "second stop returned" "$out" || fail "$name: the second stop ended the shell"
    local servers pid n
    servers=$(grep -c '^[0-9]' "$record" 2>/dev/null)
    [ "$servers" -eq 8 ] || fail "$name: $servers X servers started, 8 expected: $(tr '\n' ',' <"$record" 2>/dev/null)"
    while read -r pid n; do
        if running "$pid"; then
            fail "$name: the X server $pid tried on :$n still runs"
            kill "$pid" 2>/dev/null
        fi
    done <"$tried"
    while read -r pid n; do
        [ "$pid" != - ] || continue
        if running "$pid"; then
            fail "$name: the X server $pid of :$n still runs"
            kill "$pid" 2>/dev/null
        fi
        [ ! -e "/tmp/.X$n-lock" ] || fail "$name: /tmp/.X$n-lock is left ($(cat "/tmp/.X$n-lock" 2>/dev/null))"
        [ ! -e "/tmp/.X11-unix/X$n" ] || fail "$name: /tmp/.X11-unix/X$n is left"
    done <"$record"
    if [ "$failures" -gt 0 ]; then
        echo "--- $name: the child shell said:" >&2
        cat "$out" >&2
    fi
}

# The Xephyr's host ends first: the Xephyr then ends by itself, and both are already gone when the
# stop comes to them.
# shellcheck disable=SC2016 # the child shell expands these
run_case host_first 0 '
    kill "$host_pid"
    for i in $(seq 1 50); do _running "$dual_pid" || break; sleep 0.1; done'
# The plain run, with failed work: the status is the work's, and the stop ends all eight servers.
run_case failed_work 3 ':'

# Another X server holds the first free number in a /tmp of its own (a container, a service with a
# private /tmp): here a server of the test whose lock file and socket are taken out of /tmp, which
# leaves it only its abstract socket, as the other namespace's server shows to this one. The start
# passes over that number without trying it, and the test's count and stop are about the eight it
# started.
foreign=$(bash -c 'source "$1/scripts/wine-env.sh"; _free_display "$2"' - "$root" "${VELMORA_DISPLAY_BASE:-90}")
setsid Xvfb ":$foreign" -screen 0 640x480x24 -nolisten tcp -ac >/dev/null 2>&1 &
foreign_pid=$!
for _ in $(seq 1 100); do
    DISPLAY=":$foreign" xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
rm -f "/tmp/.X$foreign-lock" "/tmp/.X11-unix/X$foreign"
run_case foreign_server 0 ':' "$foreign"
while read -r pid n; do
    [ "$n" != "$foreign" ] || fail "foreign_server: an X server ($pid) was tried on :$n, held by another"
done <"$work/foreign_server.tried"
kill "$foreign_pid" 2>/dev/null
wait "$foreign_pid" 2>/dev/null
foreign_pid=
# A server that was started on that number and failed leaves its socket file behind.
[ -e "/tmp/.X$foreign-lock" ] || rm -f "/tmp/.X11-unix/X$foreign"

if [ "$failures" -gt 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "the stop ended every X server it started and kept the status of the work in every case"
