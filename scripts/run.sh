#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated unit on a free loopback port and runs
# Vexlan against it: the main window when there is a display, else a headless link check.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
build=${VEXLAN_BUILD_DIR:-build}

portfile=$(mktemp)
"$build/vexlan-unit-sim" --port 0 >"$portfile" 2>/dev/null &
sim=$!
trap 'kill $sim 2>/dev/null || true; rm -f "$portfile"' EXIT
for _ in $(seq 50); do grep -q '^port ' "$portfile" && break; sleep 0.1; done
port=$(sed -n 's/^port //p' "$portfile" | head -1)
[ -n "$port" ] || { echo "the simulator did not start" >&2; exit 1; }
echo "simulated unit listening on 127.0.0.1:$port"

status=3
if [ -x "$build/vexlan" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; }; then
  appdir=${VEXLAN_APP_DIR:-$HOME/.local/share/vexlan-demo}
  set +e
  "$build/vexlan" --app-dir "$appdir" --unit-port "$port" --connect-ip 127.0.0.1
  status=$?
  set -e
else
  echo "no display: checking the link headless instead (vexlan-cli)"
fi
if [ "$status" -eq 3 ]; then
  "$build/vexlan-cli" --tcp "127.0.0.1:$port" link
fi
