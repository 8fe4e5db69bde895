#!/usr/bin/env bash
# Installs what is missing, builds LEVANTA and starts it.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/deps.sh"
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEVANTA_TESTS=OFF -DLEVANTA_BENCH=OFF
cmake --build "$here/build" --target levanta
exec "$here/build/app/levanta"
