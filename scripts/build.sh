#!/usr/bin/env bash
# Configures and builds everything into build/ (or $VEXLAN_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VEXLAN_BUILD_DIR:-build}
launcher=()
[ -z "${CI:-}" ] && command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
