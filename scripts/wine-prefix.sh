#!/usr/bin/env bash
# The Wine prefixes of the tests, each with a registry of its own:
#   wine-prefix.sh create DIR       a new prefix made by wineboot, unless DIR
#                                   holds one already
#   wine-prefix.sh clone FROM DIR   a copy of the ready prefix FROM, unless DIR
#                                   holds one already; far quicker than wineboot
#   wine-prefix.sh ready DIR        sets what the tests need and starts the
#                                   prefix's own services, away from the
#                                   caller's output
#   wine-prefix.sh stop DIR         ends the wineserver of DIR and every Wine
#                                   process it serves
# WINEARCH and PATH choose the loader, as for every other Wine command.
set -euo pipefail

usage() {
  echo "usage: $0 create DIR | clone FROM DIR | ready DIR | stop DIR" >&2
  exit 2
}

is_prefix() {
  [ -f "$1/system.reg" ]
}

# Without a window manager Wine stalls about 2 s when a dialog closes unless
# its windows are unmanaged. Wine's services start with the first program of
# a wineserver and keep its standard output: started here, they hold no
# test's output open, which CTest would wait on for as long as they live.
make_ready() {
  WINEPREFIX=$1 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    >/dev/null 2>&1 </dev/null
}

action=${1:-}
case "$action" in
  create)
    [ $# -eq 2 ] || usage
    dir=$(realpath -m "$2")
    is_prefix "$dir" && exit 0
    echo "wine-prefix: creating Wine prefix $dir"
    mkdir -p "$dir"
    WINEPREFIX=$dir wineboot --init >/dev/null 2>&1
    # Saves the registry and lets the session start a wineserver of its own.
    WINEPREFIX=$dir wineserver -w
    ;;
  clone)
    [ $# -eq 3 ] || usage
    from=$(realpath -m "$2")
    dir=$(realpath -m "$3")
    is_prefix "$dir" && exit 0
    if ! is_prefix "$from"; then
      echo "wine-prefix: $from is no Wine prefix" >&2
      exit 1
    fi
    # Copied whole into a fresh folder and renamed into place, so a copy cut
    # short never passes for a prefix.
    rm -rf "$dir.partial"
    cp -a "$from" "$dir.partial"
    rm -rf "$dir"
    mv "$dir.partial" "$dir"
    make_ready "$dir"
    ;;
  ready)
    [ $# -eq 2 ] || usage
    make_ready "$(realpath -m "$2")"
    ;;
  stop)
    [ $# -eq 2 ] || usage
    dir=$(realpath -m "$2")
    is_prefix "$dir" || exit 0
    WINEPREFIX=$dir wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$dir wineserver -w >/dev/null 2>&1 || true
    ;;
  *)
    usage
    ;;
esac
