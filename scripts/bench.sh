#!/usr/bin/env bash
# Measures Morvane Quote against the limits of what it does. Every figure is
# printed beside a limit measured side by side in the same run, on the same
# machine, and as their ratio, so the ratios hold from machine to machine
# where the times do not:
#   scripts/bench.sh [--rounds N] [BENCHMARK...]
# BENCHMARK is one or more of the names in the table below (--help prints it)
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

win32_dir=build/bench-$wine_preset
native_dir=build/bench-native
bench_bin=$win32_dir/bench-bin
server_dir=$win32_dir/bench-servers
gateway_samples=100
refresh_sizes=(100 1000)
watchlist_sizes=(30 100)
watchlist_delay_ms=250

# Every benchmark, once: its program is NAME_bench, run by bench_NAME below;
# the server it names is started first and its port handed to it; "yes"
# runs it natively too, "only" natively alone (no Wine build, no Wine
# session). Usage, argument checks, build and dispatch all read this table.
benchmark_table=$(cat <<'EOF'
name       server            native  what it measures
refresh    quote_server      no      a refresh of 100 and of 1000 symbols through the real
                                     plug-in and page fetch, against as many plain WinINet
                                     GETs of the same pages from the same quote server, with
                                     and without the connection-state probe the page fetch
                                     makes before each fetch
parse      -                 yes     parse_quote_page on a 150,000-byte page against seven
                                     memmem-style scans of it, natively and under Wine
settings   -                 no      settings_save and settings_load of 1000 records against
                                     the bare registry calls the store's layout needs
startup    quote_server      no      Morvane Quote.exe from its start to its first saved
                                     refresh of 5 symbols, against a bare program doing the
                                     same GETs and writes
gateway    fake_source       no      a quote from the gateway's warm cache and one from its
                                     (fake) live source, medians of 100, against a bare
                                     loopback GET
watchlist  watchlist_source  no      a refresh of the real Morvane Quote.exe through the
                                     gateway of 30 and of 100 symbols, from a fake source
                                     that answers each after 250 ms: warm, cold and after a
                                     restart of the gateway, against the polite limit (the
                                     larger of ceil(N/6) delays and one delay plus the warm
                                     refresh) and one round trip plus the warm refresh; with
                                     the most upstream requests at once and the upstream
                                     requests per refresh
week       -                 only    a watchlist of 30 (US stocks from Nasdaq, US funds from
                                     Yahoo, London, Frankfurt, an index, a currency, a crypto
                                     pair) refreshed every 15 minutes for a simulated week
                                     through the gateway's quote service, its clocks handed in,
                                     against sources that state their sessions: upstream
                                     requests per day for each kind, before (every refresh
                                     asks) and after, and the served quotes that differ from
                                     a fetch at that moment
EOF
)

benchmark_names() { awk 'NR > 1 && /^[^ ]/ { print $1 }' <<<"$benchmark_table"; }
# benchmark_column NAME N: the table's column N for that benchmark.
benchmark_column() {
  awk -v name="$1" -v n="$2" 'NR > 1 && /^[^ ]/ && $1 == name { print $n }' <<<"$benchmark_table"
}
is_benchmark() { [ -n "$1" ] && [ -n "$(benchmark_column "$1" 1)" ]; }

# bench_NAME COMMAND...: benchmark NAME's program, started by COMMAND (under
# Wine or natively), with its arguments; $server_port is its server's.
bench_refresh() { "$@" "$server_port" "$MQ_BENCH_ROUNDS" "${refresh_sizes[@]}"; }
bench_parse() { "$@" $((MQ_BENCH_ROUNDS * 5)); }
bench_settings() { "$@" $((MQ_BENCH_ROUNDS * 7)); }
bench_startup() { "$@" "$server_port" $((MQ_BENCH_ROUNDS * 4)); }
bench_gateway() { "$@" "$server_port" "$gateway_samples"; }
bench_week() { "$@"; }
bench_watchlist() {
  local size status=0
  for size in "${watchlist_sizes[@]}"; do
    "$@" "$server_port" "$size" "$watchlist_delay_ms" "$MQ_BENCH_ROUNDS" || status=1
  done
  return $status
}

# usage [PROBLEM]: the usage line and the table; with a problem, the line
# and the problem on standard error, with exit status 2.
usage() {
  local line
  line="usage: $0 [--rounds N] [all | $(benchmark_names | paste -sd '|' | sed 's/|/ | /g')]..."
  if [ -z "${1:-}" ]; then
    printf '%s\n\n%s\n' "$line" "$benchmark_table"
    exit 0
  fi
  printf '%s\n%s: %s\n' "$line" "$0" "$1" >&2
  exit 2
}

# --- inside the Wine session: the Win32 benchmark programs -------------------

run_in_session() {
  local status=0 name server port_variable
  for name in $MQ_BENCH_LIST; do
    echo
    server=$(benchmark_column "$name" 2)
    server_port=""
    if [ "$server" != - ]; then
      port_variable=MQ_BENCH_PORT_$server
      server_port=${!port_variable}
    fi
    "bench_$name" wine "$bench_bin/${name}_bench.exe" || status=1
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
    all) mapfile -t -O "${#benchmarks[@]}" benchmarks < <(benchmark_names); shift ;;
    *)
      is_benchmark "$1" || usage "unknown argument '$1'"
      benchmarks+=("$1")
      shift
      ;;
  esac
done
[ ${#benchmarks[@]} -gt 0 ] || mapfile -t benchmarks < <(benchmark_names)
export MQ_BENCH_ROUNDS=$rounds

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

# start_server NAME: starts a server that the table names, once, and exports
# its port as MQ_BENCH_PORT_NAME for the session. No request log: writing
# one would slow every request alike on both sides of a ratio and so hide
# part of the difference.
start_server() {
  local name=$1 arguments
  [[ " ${server_names[*]} " == *" $name "* ]] && return 0
  case $name in
    quote_server) arguments=(tools/quote_server.py --seed 7) ;;
    fake_source) arguments=(tests/gateway/fake_source.py --answers tests/gateway/source_answers.json) ;;
    watchlist_source)
      arguments=(tests/gateway/fake_source.py --answers tests/gateway/source_answers.json
        --watchlist-delay "$(python3 -c "print($watchlist_delay_ms / 1000)")")
      ;;
  esac
  server_names+=("$name")
  scripts/local_server.sh start "$server_dir/$name" python3 "${arguments[@]}" --lifetime 3600 >/dev/null
  export "MQ_BENCH_PORT_$name=$(cat "$server_dir/$name/port")"
}

# --- build -------------------------------------------------------------------

jobs=${MQ_JOBS:-$(nproc 2>/dev/null || echo 2)}
scripts/setup.sh

win32_targets=()
win32_names=()
native_names=()
for name in "${benchmarks[@]}"; do
  native=$(benchmark_column "$name" 3)
  if [ "$native" != only ]; then
    win32_targets+=("${name}_bench")
    win32_names+=("$name")
  fi
  if [ "$native" != no ]; then
    native_names+=("$name")
  fi
done

echo "== building the benchmarks in $win32_dir and $native_dir"
if [ ${#win32_targets[@]} -gt 0 ]; then
  [ "$wine_preset" = win32 ] || echo "   (the x86-64 stand-in under wine64: this machine runs no 32-bit program)"
  cmake --preset "$wine_preset" -B "$win32_dir" -DMQ_BUILD_BENCHMARKS=ON >/dev/null
  cmake --build "$win32_dir" -j "$jobs" --target "${win32_targets[@]}" >/dev/null
fi
if [ ${#native_names[@]} -gt 0 ]; then
  cmake --preset native -B "$native_dir" -DCMAKE_BUILD_TYPE=Release -DMQ_SANITIZE=OFF \
    -DMQ_BUILD_BENCHMARKS=ON >/dev/null
  cmake --build "$native_dir" -j "$jobs" --target "${native_names[@]/%/_bench}" >/dev/null
fi

status=0
server_port=""
for name in "${native_names[@]}"; do
  echo
  "bench_$name" "$native_dir/bench-bin/${name}_bench" || status=1
done

[ ${#win32_names[@]} -gt 0 ] || exit $status
export MQ_BENCH_LIST="${win32_names[*]}"
for name in "${win32_names[@]}"; do
  server=$(benchmark_column "$name" 2)
  [ "$server" = - ] || start_server "$server"
done
scripts/wine-session.sh "$win32_dir/wineprefix" bash "$0" --in-session </dev/null || status=1
exit $status
