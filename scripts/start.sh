#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DOCULON_TESTS=OFF >/dev/null
cmake --build build/release -j "${OCULON_JOBS:-$(nproc)}" --target oculon
exec build/release/src/oculon "$@"
