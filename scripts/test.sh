#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORLIN_WERROR=ON
cmake --build "$build" --parallel "$(nproc)"
cd "$build"
# A test that fails is run once more: the tests against the simulated board measure real
# time on a machine that may be busy, and a second failure is a real one.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel 2 --timeout 600 --repeat until-pass:2
