#!/usr/bin/env bash
# Renders the main window on each page to PNG files for review, without a display:
#   OUT/100/page<N>.png  at 100 % scale
#   OUT/200/page<N>.png  at 200 % scale (QT_SCALE_FACTOR=2)
# and terminal.png and discovery.png beside them (discovery asks the simulator on loopback).
# The window is linked to a simulated unit started on a free loopback port for the run.
#
#   scripts/screenshots.sh [OUT] [simulator options...]    OUT defaults to build-ui/screenshots
#   e.g. scripts/screenshots.sh /tmp/shots --model MRV-410L --board-id 2 --task cable
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VEXLAN_BUILD_DIR:-$root/build-ui}
out=${1:-$build/screenshots}
[ $# -gt 0 ] && shift

if [ ! -x "$build/vexlan" ] || [ ! -x "$build/vexlan-unit-sim" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j2 --target vexlan vexlan-unit-sim
fi

portfile=$(mktemp)
"$build/vexlan-unit-sim" --port 0 --udp-port 0 "$@" >"$portfile" 2>/dev/null &
sim=$!
trap 'kill $sim 2>/dev/null || true; wait $sim 2>/dev/null || true; rm -f "$portfile"' EXIT
for _ in $(seq 50); do grep -q '^udp ' "$portfile" && break; sleep 0.1; done
port=$(sed -n 's/^port //p' "$portfile" | head -1)
udp=$(sed -n 's/^udp //p' "$portfile" | head -1)
[ -n "$port" ] && [ -n "$udp" ] || { echo "screenshots.sh: the simulator did not start" >&2; exit 1; }

status=0
for scale in 1 2; do
  dir="$out/${scale}00"
  rm -rf "$dir"
  if ! QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=$scale "$build/vexlan" --screenshot "$dir" --unit-port "$port" \
       --discovery-target "127.0.0.1:$udp" --discovery-port 0 \
       2> >(grep -v -e propagateSizeHints -e XDG_RUNTIME_DIR >&2); then
    echo "screenshots.sh: rendering at ${scale}00 % failed" >&2
    status=1
  fi
done
ls "$out"/100/*.png "$out"/200/*.png 2>/dev/null || true
exit $status
