#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it; with
# --build-only it stops after the build. OCULON_JOBS limits the parallel
# jobs (default: all cores).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DOCULON_TESTS=OFF -DOCULON_WERROR=ON >/dev/null
cmake --build build/release -j "${OCULON_JOBS:-$(nproc)}" --target oculon
if [ "${1:-}" = "--build-only" ]; then exit 0; fi
exec build/release/src/oculon "$@"
