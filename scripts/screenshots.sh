#!/usr/bin/env bash
# Renders the main window on each page to PNG files for review, without a display:
#   OUT/100/page<N>.png  at 100 % scale
#   OUT/200/page<N>.png  at 200 % scale (QT_SCALE_FACTOR=2)
# and terminal.png, discovery.png, the dialogs and the other pictures beside them (discovery asks
# the simulator on loopback). The window is linked to a simulated unit started on a free loopback
# port for the run.
#
#   scripts/screenshots.sh [OUT] [simulator options...]    OUT defaults to build-ui/screenshots
#   e.g. scripts/screenshots.sh /tmp/shots --model MRV-410L --board-id 2 --task cable
#
#   scripts/screenshots.sh --guide [DIR]                   DIR defaults to docs/screenshots
# writes the pictures of docs/USER_GUIDE.md at 100 % into DIR, from four simulated units (the
# first family in pattern and in analyser mode, the second family in cable mode and with the
# colour calibration catalogue), reduced to 256 colours with pngquant (installed through apt-get
# when missing and possible; without it the pictures are copied in full colour, with a warning).
# Exit status 1 when a run failed or a picture the guide uses was not written.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VEXLAN_BUILD_DIR:-$root/build-ui}

guide=0
if [ "${1:-}" = "--guide" ]; then
  guide=1
  shift
  out=${1:-$root/docs/screenshots}
  [ $# -gt 0 ] && shift
else
  out=${1:-$build/screenshots}
  [ $# -gt 0 ] && shift
fi

if [ ! -x "$build/vexlan" ] || [ ! -x "$build/vexlan-unit-sim" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j2 --target vexlan vexlan-unit-sim
fi

work=$(mktemp -d)
sim=
sim_stop() {
  if [ -n "$sim" ]; then
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
    sim=
  fi
}
trap 'sim_stop; rm -rf "$work"' EXIT

# sim_start OPTIONS...: a simulator on free loopback ports; sets port, udp and tty.
sim_start() {
  local portfile="$work/ports"
  tty="$work/ttyVEXLAN"
  "$build/vexlan-unit-sim" --port 0 --udp-port 0 --pty-link "$tty" "$@" >"$portfile" 2>/dev/null &
  sim=$!
  for _ in $(seq 50); do grep -q '^udp ' "$portfile" && break; sleep 0.1; done
  port=$(sed -n 's/^port //p' "$portfile" | head -1)
  udp=$(sed -n 's/^udp //p' "$portfile" | head -1)
  [ -n "$port" ] && [ -n "$udp" ] || { echo "screenshots.sh: the simulator did not start" >&2; return 1; }
}

# render DIR SCALE: the window's pictures, linked to the running simulator.
render() {
  rm -rf "$1"
  QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=$2 "$build/vexlan" --screenshot "$1" --unit-port "$port" \
    --discovery-target "127.0.0.1:$udp" --discovery-port 0 --serial-device "$tty" \
    2> >(grep -v -e propagateSizeHints -e XDG_RUNTIME_DIR -e 'does not support raise' >&2)
}

if [ $guide -eq 0 ]; then
  sim_start "$@"
  status=0
  for scale in 1 2; do
    if ! render "$out/${scale}00" $scale; then
      echo "screenshots.sh: rendering at ${scale}00 % failed" >&2
      status=1
    fi
  done
  ls "$out"/100/*.png "$out"/200/*.png 2>/dev/null || true
  exit $status
fi

# ---- the user guide's pictures ---------------------------------------------------------------

# Each set: a name, the simulator options, then the pictures taken from it as SOURCE[:TARGET].
sets=(
  "pattern||start.png dialog_device.png page0.png page0_edid.png page0_compare.png page0_analysis.png
   dialog_rx_edid.png dialog_copy_sink.png dialog_hex_type.png page1.png page2.png page2_motion.png
   page3.png dialog_message.png page6.png terminal_reply.png:terminal.png discovery.png"
  "analyser|--task analyser|page3.png:page3_analyser.png page4_type0.png:page4.png page4_type1.png page4_type2.png
   page4_type3.png page4_type4.png page4_report.png"
  "cable|--model MRV-410L --board-id 2 --task cable --cable good --clock-scale 30|page5_running.png:page5.png"
  "colour|--model MRV-410L --board-id 1|page2_color.png dialog_color.png"
)

if ! command -v pngquant >/dev/null 2>&1 && [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
  apt-get install -y pngquant >/dev/null 2>&1 || { apt-get update >/dev/null 2>&1 && apt-get install -y pngquant >/dev/null 2>&1; } || true
fi
command -v pngquant >/dev/null 2>&1 ||
  echo "screenshots.sh: pngquant is not available; the pictures are copied in full colour" >&2

mkdir -p "$out"
rm -f "$out"/*.png
status=0
for set in "${sets[@]}"; do
  IFS='|' read -r name options pictures <<<"$(echo "$set" | tr '\n' ' ')"
  # shellcheck disable=SC2086 # the options are words
  sim_start $options
  if ! render "$work/$name" 1; then
    echo "screenshots.sh: the $name pictures failed" >&2
    status=1
  fi
  sim_stop
  for pic in $pictures; do
    src=${pic%%:*}
    dst=${pic#*:}
    if [ ! -f "$work/$name/$src" ]; then
      echo "screenshots.sh: $name: $src was not written" >&2
      status=1
    elif command -v pngquant >/dev/null 2>&1; then
      pngquant --force --strip --speed 1 --output "$out/$dst" 256 "$work/$name/$src"
    else
      cp "$work/$name/$src" "$out/$dst"
    fi
  done
done
du -ch "$out"/*.png | tail -1
exit $status
