#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test; then builds the
# acquisition engine's tests with ThreadSanitizer and runs them (TSAN=0 skips that part).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORLIN_WERROR=ON
cmake --build "$build" --parallel "$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel 2 --timeout 600

# The engine's unit and integration tests under ThreadSanitizer: only their targets are built.
if [[ "${TSAN:-1}" != 0 ]]; then
    cd "$root"
    tsan=${TSAN_BUILD_DIR:-build-tsan}
    engine_tests='^(ChannelConversionTest|SamplingLoopTest|SamplingLoopReconnectTest|AcquisitionEngine'
    engine_tests+='Test|GoldenRunIntegration|SamplingIntegration|RecordingIntegration|Reconnect'
    engine_tests+='Integration|PeakFileIntegration|RecordingHealthIntegration)\.'
    cmake -S . -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORLIN_WERROR=ON \
        -DQUORLIN_TSAN=ON -DQUORLIN_BENCH=OFF
    cmake --build "$tsan" --parallel "$(nproc)" \
        --target quorlin_tests_acquisition quorlin_tests_integration
    cd "$tsan"
    QT_QPA_PLATFORM=offscreen \
        TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/tests/tsan.supp" \
        ctest --output-on-failure --parallel 2 --timeout 900 -R "$engine_tests"
fi
