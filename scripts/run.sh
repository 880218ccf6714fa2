#!/usr/bin/env bash
# Runs Morvane Quote under Wine:
#   scripts/run.sh           with the local quote server as its market
#   scripts/run.sh --live    with the quote gateway and live quotes
# Installs what is missing, builds the Win32 deliverables and starts the tray
# program in a Wine prefix of its own (build/win32/run-prefix; where the
# machine runs no 32-bit program, build/win64: scripts/wine-arch.sh). Without
# --live it first starts tools/quote_server.py; with --live it builds and
# starts Morvane Quote Gateway.exe instead (port 8421, log in
# build/win32/run-gateway.log) and stops it again at the end. The first run
# seeds a demo watchlist; every run points the program's proxy setting at
# this run's quote server or gateway and keeps the user's symbols. With a
# DISPLAY the program joins that desktop's tray; without one it runs on a
# virtual screen and saves a screenshot once the first refresh is stored (or
# after a minute without one). Ctrl-C stops the program, the server or
# gateway, and the virtual screen.
# shellcheck disable=SC2317  # the clean-up functions run from a trap
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=scripts/wine-arch.sh
source scripts/wine-arch.sh
choose_wine_preset
build_dir=${MQ_RUN_BUILD_DIR:-build/$wine_preset}
settings_key='HKCU\Software\Morvane\Morvane Quote'
demo_symbols=(MSFT INTC CSCO ORCL AAPL)
gateway_port=8421
gateway_exe="$build_dir/bin/Morvane Quote Gateway.exe"
gateway_log="$build_dir/run-gateway.log"
desktop_name=MorvaneQuote
# The screenshot's bottom-right corner that shows the tray and the balloon.
tray_crop=320x170+0+0

# --- inside the Wine session -------------------------------------------------

gateway_pid=""
proxy_port=""
# True while the process runs; an ended child stays a zombie until waited for.
is_running() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [[ $stat != Z* ]]
}

server_dir="$build_dir/run-server"
server_running=0
start_quote_server() {
  scripts/local_server.sh start "$server_dir" python3 tools/quote_server.py >/dev/null
  server_running=1
  proxy_port=$(cat "$server_dir/port")
}

stop_server() {
  if [ "$server_running" = 1 ]; then
    scripts/local_server.sh stop "$server_dir"
    server_running=0
  fi
}

# True when 127.0.0.1:$1 accepts a connection: the gateway is ready once
# its port does. A loopback connect is answered at once; the time limit
# covers a listener whose backlog is full.
port_accepts() {
  # shellcheck disable=SC2016  # $1 is the inner shell's own
  timeout 2 bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$1"' _ "$1" 2>/dev/null
}

gateway_log_tail() {
  echo "run: the last lines of $gateway_log:" >&2
  tail -n 5 "$gateway_log" >&2 2>/dev/null || true
  tail -n 5 "$build_dir/run-gateway.err" >&2 2>/dev/null || true
}

start_gateway() {
  if port_accepts "$gateway_port"; then
    echo "run: port $gateway_port is already in use; a gateway left running stops with" \
      "wine \"Morvane Quote Gateway.exe\" --stop" >&2
    return 1
  fi
  : >"$gateway_log"
  wine "$(winepath -w "$gateway_exe")" --port "$gateway_port" \
    --log "$(winepath -w "$gateway_log")" >"$build_dir/run-gateway.err" 2>&1 </dev/null &
  gateway_pid=$!
  proxy_port=$gateway_port
  local deadline=$((SECONDS + 10))
  while [ "$SECONDS" -lt "$deadline" ]; do
    if ! is_running "$gateway_pid"; then
      local status=0
      wait "$gateway_pid" || status=$?
      gateway_pid=""
      echo "run: the gateway ended at once (exit code $status)" >&2
      gateway_log_tail
      return 1
    fi
    port_accepts "$gateway_port" && return 0
    sleep 0.1
  done
  echo "run: the gateway does not listen on 127.0.0.1:$gateway_port after 10 s" >&2
  gateway_log_tail
  return 1
}

stop_gateway() {
  if [ -n "$gateway_pid" ]; then
    if is_running "$gateway_pid"; then
      timeout 10 wine "$(winepath -w "$gateway_exe")" --stop --port "$gateway_port" \
        >/dev/null 2>&1 </dev/null || true
    fi
    for _ in $(seq 1 30); do
      is_running "$gateway_pid" || break
      sleep 0.1
    done
    kill -KILL "$gateway_pid" 2>/dev/null || true
    wait "$gateway_pid" 2>/dev/null || true
    gateway_pid=""
  fi
}

stop_all() {
  stop_gateway
  stop_server
}

# Points the program's proxy at this run's quote server or gateway; the
# first run also seeds the demo watchlist.
seed_settings() {
  local said
  said=$(wine "$(winepath -w "$build_dir/tools-bin/seed_watchlist.exe")" \
    127.0.0.1 "$proxy_port" "${demo_symbols[@]}" | tr -d '\r')
  echo "run: $said"
}

# The first stored record's bytes; a refresh stamps it with a new time.
first_record() {
  wine reg query "$settings_key\\SYM000" /v MQS 2>/dev/null | tr -d '\r' |
    awk '$1 == "MQS" { print $3 }'
}

wait_for_first_refresh() {
  local before=$1 started=$2 now
  for _ in $(seq 1 120); do
    now=$(first_record)
    if [ -n "$now" ] && [ "$now" != "$before" ]; then
      echo "run: first refresh stored after $(( $(date +%s%N) / 1000000 - started )) ms"
      return 0
    fi
    sleep 0.5
  done
  if [ "${MQ_RUN_LIVE:-0}" = 1 ]; then
    # A live source may be out of reach; the program keeps running and shows
    # the last stored quotes.
    echo "run: no quote stored yet; see $gateway_log"
  else
    echo "run: no refresh stored within 60 s (is the watchlist empty?)" >&2
  fi
  return 1
}

in_session() {
  trap stop_all EXIT
  if [ "${MQ_RUN_LIVE:-0}" = 1 ]; then
    start_gateway
    echo "run: quote gateway on 127.0.0.1:$gateway_port, log in $gateway_log"
  else
    start_quote_server
    echo "run: quote server on 127.0.0.1:$proxy_port"
  fi
  seed_settings

  local exe before started program_pid
  exe=$(winepath -w "$build_dir/bin/Morvane Quote.exe")
  before=$(first_record)
  started=$(( $(date +%s%N) / 1000000 ))
  # Many X desktops have no notification area, and a bare X server never
  # has one; Wine's virtual desktop brings its own taskbar, whose tray holds
  # the program's icon, so the icon shows wherever the program runs.
  wine explorer "/desktop=$desktop_name,1024x768" "$exe" &
  program_pid=$!

  if [ "${MQ_RUN_HEADLESS:-0}" = 1 ]; then
    # An empty watchlist never stores a refresh; the program still runs.
    wait_for_first_refresh "$before" "$started" || true
    sleep 1  # let the taskbar repaint the new trend icon
    # A click on the icon opens the balloon with each symbol's quote: what a
    # user sees after a refresh.
    wine "$(winepath -w "$build_dir/tools-bin/tray_click.exe")" "$desktop_name" || true
    sleep 3  # Wine's tray opens a balloon 2 s after it is asked to
    local shot="$build_dir/run-screenshot.png" corner="$build_dir/run-tray.png"
    import -window root "$shot"
    convert "$shot" -gravity SouthEast -crop "$tray_crop" +repage "$corner"
    echo "run: screenshot of the virtual screen: $shot, of its tray corner: $corner"
  fi
  echo "run: Morvane Quote is running; Ctrl-C stops it"
  wait "$program_pid" || true
}

if [ "${1:-}" = "--in-session" ] && [ $# -eq 1 ]; then
  in_session
  exit 0
fi

# --- outside: install, build, open the session -------------------------------

MQ_RUN_LIVE=0
for arg in "$@"; do
  case $arg in
    --live) MQ_RUN_LIVE=1 ;;
    -h|--help)
      echo "usage: scripts/run.sh [--live]"
      exit 0 ;;
    *)
      echo "run: unknown argument '$arg'; usage: scripts/run.sh [--live]" >&2
      exit 2 ;;
  esac
done
export MQ_RUN_LIVE

# Only the deliverables: running the program needs none of the tests.
targets=(morvane_quote mq_nasdaq mq_utilities mq_help_file mq_seed_watchlist)
[ "$MQ_RUN_LIVE" = 1 ] && targets+=(mq_gateway)
[ -z "${DISPLAY:-}" ] && targets+=(mq_tray_click)

scripts/setup.sh
[ "$wine_preset" = win32 ] ||
  echo "run: this machine runs no 32-bit program; running the x86-64 test build under wine64"
cmake --preset "$wine_preset" -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "${MQ_JOBS:-$(nproc 2>/dev/null || echo 2)}" --target "${targets[@]}"

if [ -n "${DISPLAY:-}" ]; then
  export MQ_USE_DISPLAY=1 MQ_RUN_HEADLESS=0
else
  export MQ_RUN_HEADLESS=1
fi
# A Ctrl-C in a terminal reaches every process of the foreground group, but
# an INT or TERM sent to this script alone would wait behind the session's
# foreground command for ever. So the session runs as a job in a process
# group of its own, and whatever INT or TERM this script gets is handed to
# that whole group; the session's own clean-up then stops Wine and Xvfb.
set -m
scripts/wine-session.sh "$build_dir/run-prefix" bash "$0" --in-session </dev/null &
session_pid=$!
set +m
trap 'kill -INT -- "-$session_pid" 2>/dev/null || true' INT
trap 'kill -TERM -- "-$session_pid" 2>/dev/null || true' TERM
status=0
# A trapped signal cuts `wait` short; wait again until the session has ended.
while kill -0 "$session_pid" 2>/dev/null; do
  status=0
  wait "$session_pid" || status=$?
done
exit "$status"
