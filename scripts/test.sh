#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the unit, integration and
# window tests through CTest, then each fuzz target for a bounded time.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh || exit 1
bash scripts/build.sh || exit 1
build=${VEXLAN_BUILD_DIR:-build}

export QT_QPA_PLATFORM=offscreen
log=$(mktemp)
(cd "$build" && ctest --output-on-failure -j2 --timeout 300) 2>&1 | tee "$log"
ctest_status=${PIPESTATUS[0]}

fuzz_status=0
if [ "${VEXLAN_SKIP_FUZZ:-0}" != 1 ]; then
  bash scripts/fuzz.sh "${VEXLAN_FUZZ_SECONDS:-15}" || fuzz_status=1
fi

total=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2/p' "$log" | tail -1)
failed=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -1)
rm -f "$log"
total=${total:-0}; failed=${failed:-0}
passed=$((total - failed))
[ "$fuzz_status" -eq 0 ] || failed=$((failed + 1))
echo
echo "tests: ${passed} passed, ${failed} failed"
[ "$ctest_status" -eq 0 ] && [ "$fuzz_status" -eq 0 ]
