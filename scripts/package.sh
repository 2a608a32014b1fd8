#!/usr/bin/env bash
# Builds the Debian package (build/quorlin_<version>_<arch>.deb) and checks it with lintian;
# ends non-zero when lintian finds an error.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel "$(nproc)" --target quorlin quorlin-board-sim quorlin_packaging_files
(cd "$build" && cpack -G DEB)
deb=$(ls -t "$build"/quorlin_*.deb | head -n 1)
echo "Package: $deb"
dpkg-deb --field "$deb"
# Warnings and notes are shown; only errors fail the script.
lintian --fail-on error "$deb"
echo "lintian: no errors"
