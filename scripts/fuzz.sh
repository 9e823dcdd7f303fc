#!/usr/bin/env bash
# Builds the libFuzzer targets (EDID files and images, unit replies, the application's own files) with clang (address and undefined
# behaviour sanitizers) in build-fuzz, and runs each for a bounded time over its corpus in
# tests/fuzz/corpus/<target>/. New inputs go to build-fuzz/new/<target>/, so the committed
# corpus stays as it is; crashes and leaks go to build-fuzz/artifacts/.
#
#   scripts/fuzz.sh [SECONDS]      seconds per target, default 30
#
# Exits non-zero when the build fails or any target reports a finding.
set -uo pipefail
seconds=${1:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VEXLAN_FUZZ_BUILD_DIR:-$root/build-fuzz}
targets="fuzz_edid_hex_load fuzz_edid_bin_load fuzz_edid_ddc_load fuzz_edid_analysis fuzz_edid_writers fuzz_reply_receive fuzz_files_read fuzz_discovery_reply fuzz_edid_sections"

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz.sh: clang++ is needed" >&2
  exit 1
fi
cmake -S "$root" -B "$build" -DVEXLAN_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build "$build" -j2 || exit 1

status=0
mkdir -p "$build/artifacts"
for t in $targets; do
  corpus="$root/tests/fuzz/corpus/$t"
  new="$build/new/$t"
  mkdir -p "$corpus" "$new"
  extra=()
  case $t in
    fuzz_edid_hex_load|fuzz_edid_writers) extra+=(-dict="$root/tests/fuzz/edid_text.dict") ;;
  esac
  echo "== $t (${seconds}s)"
  "$build/tests/fuzz/$t" -max_total_time="$seconds" -max_len=1200 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$t-" "${extra[@]}" "$new" "$corpus" 2>"$build/$t.log"
  rc=$?
  tail -n 12 "$build/$t.log" | grep -E '^(stat::number_of_executed_units|stat::new_units_added|Done)' || true
  if [ $rc -ne 0 ]; then
    echo "fuzz.sh: $t found a problem (exit $rc); see $build/$t.log and $build/artifacts/" >&2
    grep -E 'ERROR|invariant|runtime error|SUMMARY' "$build/$t.log" | head -n 5 >&2
    status=1
  fi
done
exit $status
