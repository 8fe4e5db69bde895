#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole suite twice: under the C
# locale and under a Turkish one, which catches "1,5" leaking into files and parsers.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/deps.sh" test
build="$here/build-test"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr -DLEVANTA_BENCH=OFF
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
cd "$build"
LANG=C LC_ALL=C ctest --output-on-failure -j "$(nproc)"
LANG=tr_TR.UTF-8 LC_ALL=tr_TR.UTF-8 ctest --output-on-failure -j "$(nproc)"
