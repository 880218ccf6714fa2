#!/usr/bin/env bash
# The one test command: installs what is missing, builds both presets and runs
# every test (native unit tests directly, Win32 tests under Wine on a virtual
# display). Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
log_dir=build/logs
mkdir -p "$log_dir"

scripts/setup.sh

summary() {  # summary LOG -> "passed failed" from ctest's closing line
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -1 || true)
  if [ -z "$line" ]; then echo "0 1"; return; fi
  local failed total
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  echo "$((total - failed)) $failed"
}

status=0

echo "== native: portable core with sanitizers"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs" 2>&1 | tee "$log_dir/native.log" || status=1

echo "== win32: deliverables and Wine tests"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
scripts/wine-session.sh build/win32/wineprefix \
  ctest --preset win32 -j "$jobs" 2>&1 | tee "$log_dir/win32.log" || status=1

read -r native_passed native_failed < <(summary "$log_dir/native.log")
read -r win32_passed win32_failed < <(summary "$log_dir/win32.log")
[ "$native_failed" -eq 0 ] && [ "$win32_failed" -eq 0 ] || status=1
echo "native: $native_passed passed, $native_failed failed"
echo "win32: $win32_passed passed, $win32_failed failed"
echo "total: $((native_passed + win32_passed)) passed, $((native_failed + win32_failed)) failed"
exit $status
