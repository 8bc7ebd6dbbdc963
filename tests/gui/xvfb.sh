#!/usr/bin/env bash
# An X server of its own (Xvfb, 1280x1024) for the tests whose windows must go
# through a real window system, with Qt on its xcb platform.
#
#   tests/gui/xvfb.sh command...      runs the command on a new display
#   source tests/gui/xvfb.sh          defines start_xvfb WORK_FOLDER, which
#                                     starts one, exports DISPLAY and sets
#                                     xvfb_pid
#
# Inside tools/netns-run the X server gets folders of its own: each run has a
# PID namespace of its own, where the lock files of X cannot tell another
# run's live server from a stale one, so runs side by side would take the same
# display number, and two X servers compiling their keymaps at once into the
# same /var/lib/xkb/server-N.xkm make one of them end at start ("Failed to
# activate virtual core keyboard"). netns-run's mount namespace is private, so
# these mounts are seen by this run alone.

start_xvfb() {
  local work=$1 dir mode
  if [ -n "${OCULON_IN_NETNS:-}" ]; then
    for dir in /var/lib/xkb:0755 /tmp/.X11-unix:1777; do
      mode=${dir#*:}
      dir=${dir%:*}
      [ -d "$dir" ] || continue
      mount -t tmpfs -o size=4m,mode="$mode" oculon-x "$dir" || {
        echo "xvfb: cannot mount a private $dir" >&2
        return 1
      }
    done
  fi
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.out" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.05
  done
  if ! [ -s "$work/display" ]; then
    echo "xvfb: Xvfb did not start" >&2
    cat "$work/xvfb.out" >&2
    return 1
  fi
  export DISPLAY=:$(cat "$work/display")
  export QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  [ $# -ge 1 ] || { echo "usage: xvfb.sh command..." >&2; exit 2; }
  work=$(mktemp -d "${TMPDIR:-/tmp}/oculon-xvfb.XXXXXX")
  xvfb_pid=""
  trap '[ -z "$xvfb_pid" ] || { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }; rm -rf "$work"' EXIT
  start_xvfb "$work"
  status=0
  "$@" || status=$?
  exit "$status"
fi
