#!/usr/bin/env bash
# Builds everything, makes the demo installation and starts the inquiry on it
# in this terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
if [ -d build/demo ]; then
  export WRKROOT="$PWD/build/demo/" WRKTMP="$PWD/build/demo/TERM01/"
fi
exec build/recinqry
