#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the simulated board.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
    echo "run.sh: to run the program under a virtual display, use:  xvfb-run -a scripts/run.sh" >&2
    exit 1
fi

build=${BUILD_DIR:-build}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
# The same configuration as scripts/test.sh, so the two share one build.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORLIN_WERROR=ON
cmake --build "$build" --parallel "$(nproc)"

demo="$build/demo"
link="$demo/ttyQRL"
mkdir -p "$demo/config/QRL"
rm -f "$link"

sim_pid=""
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

"$build/tools/board-sim/quorlin-board-sim" --demo --link "$link" </dev/null >"$demo/board-sim.log" 2>&1 &
sim_pid=$!

for _ in $(seq 1 100); do
    [ -e "$link" ] && break
    if ! kill -0 "$sim_pid" 2>/dev/null; then
        echo "run.sh: the simulated board did not start:" >&2
        cat "$demo/board-sim.log" >&2
        exit 1
    fi
    sleep 0.1
done
if [ ! -e "$link" ]; then
    echo "run.sh: the simulated board did not make $link in time (see $demo/board-sim.log)" >&2
    exit 1
fi

# The program's per-user settings store, pointed at the demo: port 1 is the simulated board.
cat >"$demo/config/QRL/QRL.ini" <<INI
[Startup]
CurrentCommPort=1

[Ports]
1="$link"
INI

# A demo configuration with every channel moving, only where no default configuration exists.
scripts/demo/install-default-config.sh "$build/src"

echo "run.sh: simulated board on $link; starting Quorlin"
XDG_CONFIG_HOME="$demo/config" "$build/src/quorlin"
