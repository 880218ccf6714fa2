#!/usr/bin/env bash
# Measures Morvane Quote against the limits of what it does. Every figure is
# printed beside a limit measured side by side in the same run, on the same
# machine, and as their ratio, so the ratios hold from machine to machine
# where the times do not:
#   scripts/bench.sh [--rounds N] [BENCHMARK...]
# BENCHMARK is one or more of
#   refresh   a refresh of 100 and of 1000 symbols through the real plug-in
#             and page fetch, against as many plain WinINet GETs of the same
#             pages from the same quote server, with and without the
#             connection-state probe the page fetch makes before each fetch
#   parse     parse_quote_page on a 150,000-byte page against seven
#             memmem-style scans of it, natively and under Wine
#   settings  settings_save and settings_load of 1000 records against the
#             bare registry calls the store's layout needs
#   startup   Morvane Quote.exe from its start to its first saved refresh of
#             5 symbols, against a bare program doing the same GETs and writes
#   gateway   a quote from the gateway's warm cache and one from its (fake)
#             live source, medians of 100, against a bare loopback GET
#   watchlist a refresh of the real Morvane Quote.exe through the gateway of
#             30 and of 100 symbols, from a fake source that answers each
#             after 250 ms: warm, cold and after a restart of the gateway,
#             against the polite limit (the larger of ceil(N/6) delays and
#             one delay plus the warm refresh) and one round trip plus the
#             warm refresh; with the most upstream requests at once and the
#             upstream requests per refresh
# or "all" (the default). --rounds N (default 3) sets how often each is
# measured: the refresh N times, the start-up 4N, the store 7N, the parser
# 5N rounds of 100 calls; the gateway takes 100 samples whatever N is. Each
# prints the median and the spread (lowest..highest) of every figure and
# ratio, and "met" or "MISSED" beside a ratio that has a goal.
#
# Builds what it needs in build/bench-win32 (build/bench-win64 where the
# machine runs no 32-bit program: scripts/wine-arch.sh) and build/bench-native (with
# -DMQ_BUILD_BENCHMARKS=ON; the test build never holds the benchmarks),
# starts tools/quote_server.py and tests/gateway/fake_source.py itself and
# stops them again, and runs the Win32 programs in one Wine session of its
# own (build/bench-win32/wineprefix). "all" takes about 5 minutes on 2 cores,
# longer on a busy machine; other work on the machine shows in the spread.
# shellcheck disable=SC2317  # the clean-up function runs from a trap
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=scripts/wine-arch.sh
source scripts/wine-arch.sh
choose_wine_preset

all_benchmarks=(refresh parse settings startup gateway watchlist)
win32_dir=build/bench-$wine_preset
native_dir=build/bench-native
bench_bin=$win32_dir/bench-bin
server_dir=$win32_dir/bench-servers
gateway_samples=100
refresh_sizes=(100 1000)
watchlist_sizes=(30 100)
watchlist_delay_ms=250

# usage [PROBLEM]: the usage line; with a problem, on standard error and
# with exit status 2.
usage() {
  local line="usage: $0 [--rounds N] [all | refresh | parse | settings | startup | gateway | watchlist]..."
  if [ -z "${1:-}" ]; then
    echo "$line"
    exit 0
  fi
  printf '%s\n%s: %s\n' "$line" "$0" "$1" >&2
  exit 2
}

# --- inside the Wine session: the Win32 benchmark programs -------------------

run_in_session() {
  local status=0 name
  for name in $MQ_BENCH_LIST; do
    echo
    case "$name" in
      refresh) wine "$bench_bin/refresh_bench.exe" "$MQ_BENCH_QUOTE_PORT" "$MQ_BENCH_ROUNDS" "${refresh_sizes[@]}" || status=1 ;;
      parse) wine "$bench_bin/parse_bench.exe" $((MQ_BENCH_ROUNDS * 5)) || status=1 ;;
      settings) wine "$bench_bin/settings_bench.exe" $((MQ_BENCH_ROUNDS * 7)) || status=1 ;;
      startup) wine "$bench_bin/startup_bench.exe" "$MQ_BENCH_QUOTE_PORT" $((MQ_BENCH_ROUNDS * 4)) || status=1 ;;
      gateway) wine "$bench_bin/gateway_bench.exe" "$MQ_BENCH_SOURCE_PORT" "$gateway_samples" || status=1 ;;
      watchlist)
        local size
        for size in "${watchlist_sizes[@]}"; do
          wine "$bench_bin/watchlist_bench.exe" "$MQ_BENCH_WATCHLIST_PORT" "$size" "$watchlist_delay_ms" \
            "$MQ_BENCH_ROUNDS" || status=1
        done
        ;;
    esac
  done
  return $status
}

if [ "${1:-}" = --in-session ]; then
  run_in_session
  exit $?
fi

# --- arguments ---------------------------------------------------------------

rounds=3
benchmarks=()
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds)
      [ $# -ge 2 ] || usage "--rounds needs a number"
      [[ $2 =~ ^[1-9][0-9]?$ ]] || usage "--rounds takes a whole number from 1 to 99, not '$2'"
      rounds=$2
      shift 2
      ;;
    -h | --help) usage ;;
    all) benchmarks+=("${all_benchmarks[@]}"); shift ;;
    refresh | parse | settings | startup | gateway | watchlist) benchmarks+=("$1"); shift ;;
    *) usage "unknown argument '$1'" ;;
  esac
done
[ ${#benchmarks[@]} -gt 0 ] || benchmarks=("${all_benchmarks[@]}")
wants() { [[ " ${benchmarks[*]} " == *" $1 "* ]]; }

# --- servers -----------------------------------------------------------------

server_names=()
stop_servers() {
  local name
  for name in "${server_names[@]}"; do
    scripts/local_server.sh stop "$server_dir/$name"
  done
  server_names=()
}
trap stop_servers EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# start_server NAME SCRIPT [ARGUMENTS...]: sets server_port to the port the
# server chose. No request log: writing one would slow every request alike
# on both sides of a ratio and so hide part of the difference.
server_port=""
start_server() {
  local name=$1 script=$2
  shift 2
  server_names+=("$name")
  scripts/local_server.sh start "$server_dir/$name" python3 "$script" --lifetime 3600 "$@" >/dev/null
  server_port=$(cat "$server_dir/$name/port")
}

# --- build -------------------------------------------------------------------

jobs=${MQ_JOBS:-$(nproc 2>/dev/null || echo 2)}
scripts/setup.sh

win32_targets=()
wants refresh && win32_targets+=(refresh_bench)
wants parse && win32_targets+=(parse_bench)
wants settings && win32_targets+=(settings_bench)
wants startup && win32_targets+=(startup_bench)
wants gateway && win32_targets+=(gateway_bench)
wants watchlist && win32_targets+=(watchlist_bench)

echo "== building the benchmarks in $win32_dir and $native_dir"
[ "$wine_preset" = win32 ] || echo "   (the x86-64 stand-in under wine64: this machine runs no 32-bit program)"
cmake --preset "$wine_preset" -B "$win32_dir" -DMQ_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$win32_dir" -j "$jobs" --target "${win32_targets[@]}" >/dev/null
if wants parse; then
  cmake --preset native -B "$native_dir" -DCMAKE_BUILD_TYPE=Release -DMQ_SANITIZE=OFF \
    -DMQ_BUILD_BENCHMARKS=ON >/dev/null
  cmake --build "$native_dir" -j "$jobs" --target parse_bench >/dev/null
fi

status=0
if wants parse; then
  echo
  "$native_dir/bench-bin/parse_bench" $((rounds * 5)) || status=1
fi

export MQ_BENCH_ROUNDS=$rounds MQ_BENCH_LIST="${benchmarks[*]}"
export MQ_BENCH_QUOTE_PORT="" MQ_BENCH_SOURCE_PORT="" MQ_BENCH_WATCHLIST_PORT=""
if wants refresh || wants startup; then
  start_server quote_server tools/quote_server.py --seed 7
  MQ_BENCH_QUOTE_PORT=$server_port
fi
if wants gateway; then
  start_server fake_source tests/gateway/fake_source.py --answers tests/gateway/source_answers.json
  MQ_BENCH_SOURCE_PORT=$server_port
fi
if wants watchlist; then
  start_server watchlist_source tests/gateway/fake_source.py --answers tests/gateway/source_answers.json \
    --watchlist-delay "$(python3 -c "print($watchlist_delay_ms / 1000)")"
  MQ_BENCH_WATCHLIST_PORT=$server_port
fi
scripts/wine-session.sh "$win32_dir/wineprefix" bash "$0" --in-session </dev/null || status=1
exit $status
