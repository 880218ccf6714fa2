#!/usr/bin/env bash
# The one test command: installs what is missing, checks the layout of the C
# and C++ sources, builds both presets and runs every test (native unit tests
# directly, Win32 tests under Wine on a virtual display). Each step runs even
# when another fails. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${MQ_JOBS:-$(nproc 2>/dev/null || echo 2)}
# Most Wine tests wait on the program, a server or a time-out rather than on
# the processor, so twice as many run at once.
wine_jobs=$((jobs * 2))
log_dir=$PWD/build/logs
mkdir -p "$log_dir"

scripts/setup.sh

# run_half PRESET TEST_JOBS [WRAPPER...]: configures, builds and tests one
# preset, with CTest's results in $log_dir/PRESET.xml (JUnit) and its output
# in PRESET.log.
run_half() {
  local preset=$1 test_jobs=$2
  shift 2
  rm -f "$log_dir/$preset.xml"
  cmake --preset "$preset" >/dev/null &&
    cmake --build --preset "$preset" -j "$jobs" &&
    "$@" ctest --preset "$preset" -j "$test_jobs" --output-junit "$log_dir/$preset.xml" 2>&1 |
    tee "$log_dir/$preset.log"
}

# counts PRESET -> "passed failed" from the JUnit file; a half that never
# got to write one counts as one failure.
counts() {
  python3 - "$log_dir/$1.xml" <<'PYTHON'
import sys
import xml.etree.ElementTree as ElementTree
try:
    suite = ElementTree.parse(sys.argv[1]).getroot()
except (OSError, ElementTree.ParseError):
    print(0, 1)
    sys.exit()
ran = int(suite.get("tests", 0)) - int(suite.get("skipped", 0)) - int(suite.get("disabled", 0))
failed = int(suite.get("failures", 0)) + int(suite.get("errors", 0))
print(ran - failed, failed)
PYTHON
}

# check_format: every tracked C and C++ file as .clang-format lays it out;
# clang-format's findings go to $log_dir/format.log.
check_format() {
  local listed=$log_dir/format-files unformatted
  git ls-files -z '*.c' '*.cpp' '*.h' >"$listed"
  if xargs -0 clang-format --dry-run --Werror <"$listed" >"$log_dir/format.log" 2>&1; then
    echo "format: every file as .clang-format lays it out"
    return 0
  fi
  unformatted=$(grep -o '^[^:]*:[0-9]*:[0-9]*: error' "$log_dir/format.log" | cut -d: -f1 | sort -u | wc -l)
  if [ "$unformatted" -gt 0 ]; then
    echo "format: $unformatted file(s) differ from .clang-format (see $log_dir/format.log)"
  else
    echo "format: clang-format failed (see $log_dir/format.log)"
  fi
  return 1
}

# shellcheck source=scripts/wine-arch.sh
source scripts/wine-arch.sh

status=0
echo "== format: clang-format --dry-run --Werror"
format_line=$(check_format) || status=1
echo "$format_line"
echo "== native: portable core with sanitizers"
run_half native "$jobs" || status=1
wine_half=win32
if runs_32_bit_programs; then
  echo "== win32: deliverables and Wine tests"
  run_half win32 "$wine_jobs" scripts/wine-session.sh build/win32/wineprefix || status=1
else
  # The shipped 32-bit build must still compile; its tests run from the
  # x86-64 stand-in build under 64-bit Wine.
  wine_half=win64
  echo "== win32: built only; this machine's kernel cannot execute 32-bit programs"
  echo "   (/lib/ld-linux.so.2: Exec format error), so Wine cannot start them"
  { cmake --preset win32 >/dev/null && cmake --build --preset win32 -j "$jobs"; } || status=1
  echo "== win64: the same Wine tests from the x86-64 stand-in build under wine64"
  (
    use_wine64_stand_in
    run_half win64 "$wine_jobs" scripts/wine-session.sh build/win64/wineprefix
  ) || status=1
fi

read -r native_passed native_failed < <(counts native)
read -r wine_passed wine_failed < <(counts "$wine_half")
echo "$format_line"
echo "native: $native_passed passed, $native_failed failed"
echo "$wine_half: $wine_passed passed, $wine_failed failed"
[ "$native_failed" -eq 0 ] && [ "$wine_failed" -eq 0 ] || status=1
echo "total: $((native_passed + wine_passed)) passed, $((native_failed + wine_failed)) failed"
exit $status
