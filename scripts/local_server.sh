#!/usr/bin/env bash
# Starts or stops a local Python server (the quote server, the fake live
# sources) in the background, for scripts/run.sh, scripts/bench.sh and the
# tests' CTest fixtures alike:
#   local_server.sh start DIR PYTHON SERVER_SCRIPT [SERVER_ARGUMENTS...]
#   local_server.sh stop DIR
# The server must take --port and print its port alone on its first line.
# start runs it with --port 0 and the arguments given, waits until it has
# chosen its port and writes that port alone into DIR/port and its process
# id into DIR/pid; its output goes to DIR/stdout and DIR/stderr, and a
# request log it is told to keep as DIR/requests.log starts empty. stop ends
# that process (and only that one).
set -euo pipefail

action=${1:-}
dir=${2:-}
if [ -z "$action" ] || [ -z "$dir" ]; then
  echo "usage: $0 start DIR PYTHON SERVER_SCRIPT [ARGUMENTS...] | stop DIR" >&2
  exit 2
fi

stop_server() {
  [ -f "$dir/pid" ] || return 0
  local pid
  pid=$(cat "$dir/pid")
  rm -f "$dir/pid" "$dir/port"
  kill "$pid" 2>/dev/null || return 0
  # A signal that lands on one of the server's other threads can go
  # unnoticed; give it five seconds, then end it for good.
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
}

case "$action" in
  start)
    python=${3:?python interpreter}
    script=${4:?server script}
    shift 4
    mkdir -p "$dir"
    stop_server
    rm -f "$dir/stdout" "$dir/requests.log"
    # CTest waits for every holder of the test's output pipes, so the server
    # must hold none of them.
    "$python" "$script" --port 0 "$@" \
      </dev/null >"$dir/stdout" 2>"$dir/stderr" &
    echo $! >"$dir/pid"
    for _ in $(seq 1 100); do
      port=$(head -n 1 "$dir/stdout" 2>/dev/null || true)
      if [ -n "$port" ]; then
        echo "$port" >"$dir/port"
        echo "$(basename "$script") on 127.0.0.1:$port"
        exit 0
      fi
      kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
      sleep 0.1
    done
    echo "$(basename "$script") did not start:" >&2
    cat "$dir/stderr" >&2 || true
    stop_server
    exit 1
    ;;
  stop)
    stop_server
    ;;
  *)
    echo "unknown action $action" >&2
    exit 2
    ;;
esac
