#!/usr/bin/env bash
# Long fuzz runs: builds the libFuzzer targets of tests/fuzz with clang++ in
# build/fuzz and runs each in turn, growing its corpus in build/fuzz/corpus
# (the committed seeds are only read). Exits 1 when any target found
# something, 2 on bad arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C  # EPOCHREALTIME with a decimal point

usage() {
  cat <<'EOF'
usage: scripts/fuzz.sh [--runs N | --seconds S] [TARGET...]

Runs each fuzz target (all of them by default) for N executions
(default 10000000) or for S seconds, and prints per target the executions,
the time taken and whether anything was found.
EOF
  echo "targets: ${all_targets[*]}"
}

all_targets=()
for dir in tests/fuzz/seeds/*/; do
  all_targets+=("$(basename "$dir")")
done

limit=-runs=10000000
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs|--seconds)
      if [ $# -lt 2 ] || ! [[ "$2" =~ ^[1-9][0-9]*$ ]]; then
        echo "fuzz: $1 needs a positive whole number" >&2; usage >&2; exit 2
      fi
      if [ "$1" = --runs ]; then limit="-runs=$2"; else limit="-max_total_time=$2"; fi
      shift 2 ;;
    -h|--help) usage; exit 0 ;;
    -*) echo "fuzz: unknown option $1" >&2; usage >&2; exit 2 ;;
    *)
      if [ ! -d "tests/fuzz/seeds/$1" ]; then
        echo "fuzz: no target named $1" >&2; usage >&2; exit 2
      fi
      targets+=("$1"); shift ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

scripts/setup.sh
build=build/fuzz
cmake -S tests/fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j 2 >/dev/null
mkdir -p "$build/logs"

found=0
for target in "${targets[@]}"; do
  log="$build/logs/$target.log"
  echo "== $target ($limit)"
  start=$EPOCHREALTIME
  status=0
  "$build/$target" "$limit" -print_final_stats=1 -create_missing_dirs=1 \
    "-artifact_prefix=$build/artifacts/$target-" \
    "$build/corpus/$target" "tests/fuzz/seeds/$target" >"$log" 2>&1 || status=$?
  seconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.0f", b - a }')
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  # A run that stopped on a finding prints no statistics; its last status line counts.
  [ -n "$executions" ] || executions=$(grep -oE '^#[0-9]+' "$log" | tail -1 | tr -d '#')
  if [ "$status" -eq 0 ]; then
    result="nothing found"
  else
    found=1
    artifact=$(sed -n 's/.*Test unit written to //p' "$log" | tail -1)
    result="FOUND (exit $status): ${artifact:-see $log}"
  fi
  echo "$target: ${executions:-0} executions in ${seconds} s, $result"
done
exit $found
