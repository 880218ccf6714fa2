#!/usr/bin/env bash
# Runs one command inside a private Wine session:
#   wine-session.sh PREFIX_DIR COMMAND [ARGS...]
# - PREFIX_DIR becomes WINEPREFIX (created with wineboot the first time);
# - a virtual X display (Xvfb) is started unless MQ_USE_DISPLAY=1 and DISPLAY is set;
# - one persistent wineserver serves every Wine process of the command;
# - on exit (success, failure, Ctrl-C) the wineserver and Xvfb are stopped and
#   no Wine process is left behind.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 PREFIX_DIR COMMAND [ARGS...]" >&2
  exit 2
fi

prefix_dir=$(realpath -m "$1")
shift

export WINEPREFIX="$prefix_dir"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
# win32 unless the caller asks for the x86-64 stand-in (WINEARCH=win64).
export WINEARCH=${WINEARCH:-win32}

xvfb_pid=""
cleanup() {
  local status=$?
  trap - EXIT INT TERM
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" >/dev/null 2>&1 || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

start_xvfb() {
  local display
  for display in $(seq 90 140); do
    [ -e "/tmp/.X${display}-lock" ] && continue
    [ -e "/tmp/.X11-unix/X${display}" ] && continue
    Xvfb ":${display}" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do
      if [ -e "/tmp/.X11-unix/X${display}" ]; then
        export DISPLAY=":${display}"
        return 0
      fi
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$xvfb_pid" >/dev/null 2>&1 || true
    xvfb_pid=""
  done
  echo "wine-session: could not start Xvfb" >&2
  return 1
}

if [ "${MQ_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
  echo "wine-session: using the desktop display $DISPLAY"
else
  start_xvfb
fi

"$(dirname "$0")/wine-prefix.sh" create "$WINEPREFIX"
# One wineserver for the whole session keeps each Wine start well under a second.
wineserver -p
"$(dirname "$0")/wine-prefix.sh" ready "$WINEPREFIX"
"$@"
