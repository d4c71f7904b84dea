#!/usr/bin/env bash
# What the simulated-board build costs the machine while nobody touches the board (measured from
# 8 s after its start: the reader has rested since 5 s without a touch), beside what it costs while
# a finger is held down (the reader then polls as fast as the sensor answers, as it did at all times
# before idle rounds were paced), and while its sensor handle is dead (the sensor gone without a
# device-change notice). CPU is read from /proc of the program's Wine process and of the prefix's
# wineserver: under Wine, GetProcessTimes of another process under-reports. The Gets a second are
# counted by the simulated board (its log, on its own clock from the program's first Get).
#
#   source scripts/wine-env.sh && wine_env_start /tmp/velmora-wine
#   bench/win/idle_cpu.sh [build/windows/bin]
#   wine_env_stop
#
# The bin folder needs only VelmoraSim.exe and simboard.exe: a copy of an older build's two
# programs in a folder of their own compares it with this one on the same machine.
set -euo pipefail
bin=${1:-build/windows/bin}
here=$(cd "$(dirname "$0")/../.." && pwd)
exec_wine="$here/scripts/wine-exec.sh"
export WINEPREFIX=${VELMORA_PREFIX_SD:?run inside scripts/wine-env.sh}
hz=$(getconf CLK_TCK)

ticks() { # utime + stime of a process, in clock ticks
    awk '{print $14 + $15}' "/proc/$1/stat"
}
percent() { # seconds: CPU share of one core of the program and of the wineserver over that time
    local a b c d
    a=$(ticks "$program")
    c=$(ticks "$server")
    sleep "$1"
    b=$(ticks "$program")
    d=$(ticks "$server")
    awk -v p=$((b - a)) -v w=$((d - c)) -v hz="$hz" -v s="$1" \
        'BEGIN { printf "program %.1f %%, wineserver %.1f %% of a core", 100 * p / hz / s, 100 * w / hz / s }'
}
of_prefix() { # pattern: the newest process matching it whose environment names this prefix (other
    # work trees on the machine run their own copies in their own prefixes)
    local pid
    for pid in $(pgrep -f "$1" | sort -rn); do
        if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "$pid"
            return
        fi
    done
}

# A stored calibration that matches the board's default geometry at 1024 x 768, so the reader maps.
"$exec_wine" reg delete 'HKCU\SOFTWARE\Tolvex' /f >/dev/null 2>&1 || true
for kv in Save=0 P1X=101 P1Y=51 P2X=923 P2Y=51 P3X=101 P3Y=717 P4X=923 P4Y=717; do
    "$exec_wine" reg add 'HKCU\SOFTWARE\Tolvex' /v "${kv%%=*}" /d "${kv#*=}" /f >/dev/null 2>&1
done

# The board's session: idle, a finger held, a sensor gone quietly, then back.
script=$(mktemp /tmp/velmora-idle-XXXX.txt)
cat >"$script" <<'EOF'
wait-command Get 20000
sleep 28000
down 512 384
sleep 25000
lift
sleep 2000
unplug 0 quiet
sleep 13000
replug 0
sleep 3000
EOF
boardlog=$(mktemp /tmp/velmora-idle-log-XXXX.txt)
"$exec_wine" "$bin/simboard.exe" --log --script "Z:${script//\//\\}" >"$boardlog" 2>/dev/null &
board=$!
sleep 2
"$exec_wine" "$bin/VelmoraSim.exe" >/dev/null 2>&1 &
sleep 3
program=$(of_prefix 'VelmoraSim.exe')
server=$(of_prefix wineserver)
if [ -z "$program" ] || [ -z "$server" ]; then
    echo "idle_cpu: the program or the wineserver was not found" >&2
    kill "$board" 2>/dev/null
    exit 1
fi
echo "idle_cpu at 1024 x 768 (program pid $program, wineserver pid $server)"
sleep 8 # past the start-up's own work, and 5 s without a touch
echo "  idle, 15 s:         $(percent 15)"
sleep 5 # the finger is down by now
echo "  finger held, 15 s:  $(percent 15) (polling at the sensor's pace)"
sleep 12 # lifted, then the sensor goes without a notice
echo "  dead handle, 10 s:  $(percent 10)"
wait "$board" || true
gets_rate() { # from to, ms after the first Get: Gets a second the board counted between them
    awk -v from="$1" -v to="$2" '$7 == "command" && $8 == "Get" {
            if (first == "") first = $1
            t = $1 - first
            if (t >= from && t < to) n++
        }
        END { printf "%.1f Gets a second", n * 1000 / (to - from) }' "$boardlog"
}
echo "  the board counted:  $(gets_rate 7000 22000) idle (7 to 22 s after the first Get)," \
    "$(gets_rate 30000 50000) with the finger held"
rm -f "$boardlog"
# The replug's notice finds the lost handle dead: "Sensor desconectado" is shown; the program is
# then ended.
kill "$program" 2>/dev/null || true
rm -f "$script"
