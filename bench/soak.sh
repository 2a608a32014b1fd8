#!/bin/sh
# Soak run: the whole program (build/bench/SoakRun) records against the simulated board
# paced at 9600 baud for MINUTES, while faults go into the board's stdin every few seconds
# (drop, split, stray, wrong-marker, short in turn, and an unplug every 5 minutes when the
# simulator knows that command). Prints the program's figures a minute and at the end.
# Not part of CI.
#
#   bench/soak.sh [MINUTES, default 30] [BUILD_DIR, default build]
#
# With SOAK_HEADLESS=1 the program file itself runs instead, as `quorlin --headless` without
# any display variable, recording with the demo configuration; its status lines and its
# resident memory are printed once a minute.
set -eu
minutes=${1:-30}
build=${2:-build}
sim_bin="$build/tools/board-sim/quorlin-board-sim"
soak_bin="$build/bench/SoakRun"
headless=${SOAK_HEADLESS:-0}
[ "$headless" = 1 ] && soak_bin="$build/src/quorlin"
for f in "$sim_bin" "$soak_bin"; do
    [ -x "$f" ] || { echo "missing $f: build first" >&2; exit 2; }
done

work=$(mktemp -d)
sim=
soak=
cleanup() {
    [ -n "$soak" ] && kill "$soak" 2>/dev/null || true
    [ -n "$sim" ] && kill "$sim" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

mkfifo "$work/sim.in"
"$sim_bin" --demo --link "$work/tty" <"$work/sim.in" >"$work/sim.out" 2>&1 &
sim=$!
exec 3>"$work/sim.in"  # held open, so the board reads commands until the end
i=0
while [ ! -e "$work/tty" ]; do
    i=$((i + 1))
    [ $i -le 100 ] || { echo "the simulated board did not start" >&2; cat "$work/sim.out" >&2; exit 1; }
    sleep 0.1
done
echo help >&3
sleep 0.5
unplug=no
grep -q '^ *unplug' "$work/sim.out" && unplug=yes
echo "soak: $minutes min, board $(head -n 1 "$work/sim.out"), unplug: $unplug"

if [ "$headless" = 1 ]; then
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work" \
        XDG_CONFIG_HOME="$work" "$soak_bin" --headless --config scripts/demo/Default.cfg \
        --device "$work/tty" --data-file "$work/soak.csv" --duration $((minutes * 60)) \
        --status-every 60 &
    soak=$!
    (
        while kill -0 "$soak" 2>/dev/null; do
            sleep 60
            rss=$(awk '/VmRSS/ { print $2 " " $3 }' "/proc/$soak/status" 2>/dev/null || true)
            [ -n "$rss" ] && echo "soak: resident memory $rss"
        done
    ) &
else
    QT_QPA_PLATFORM=offscreen "$soak_bin" "$work/tty" "$minutes" &
    soak=$!
fi

faults="drop split stray wrong-marker short"
injected=0
unplugs=0
start=$(date +%s)
next_unplug=$((start + 300))
while kill -0 "$soak" 2>/dev/null; do
    sleep 3
    for fault in $faults; do
        kill -0 "$soak" 2>/dev/null || break
        echo "$fault" >&3
        injected=$((injected + 1))
        sleep 3
    done
    now=$(date +%s)
    if [ "$unplug" = yes ] && [ "$now" -ge "$next_unplug" ]; then
        echo "unplug 3" >&3
        unplugs=$((unplugs + 1))
        next_unplug=$((now + 300))
    fi
done
status=0
wait "$soak" || status=$?
soak=
echo "status" >&3
sleep 0.5
echo "faults injected: $injected, unplugs: $unplugs"
echo "board: $(grep '^ok: running' "$work/sim.out" | tail -n 1)"
if [ "$status" -ne 0 ]; then
    echo "the board's last lines:"
    tail -n 5 "$work/sim.out"
fi
echo quit >&3
exit $status
