#!/usr/bin/env bash
# An X server of its own for tests whose windows must go through a real window
# system: `xvfb.sh command...` runs the command on it; sourced, this defines
# start_xvfb WORK_FOLDER, which starts one (Xvfb 1280x1024), exports DISPLAY
# with Qt on xcb and sets xvfb_pid.
# Under tools/netns-run the X folders are mounted afresh, seen by this run
# alone (its mount namespace is private): in the run's own PID namespace the
# lock files of X cannot tell another run's live server from a stale one, so
# runs side by side would take the same display number, and two X servers
# compiling their keymaps at once into the same /var/lib/xkb/server-N.xkm make
# one of them end at start ("Failed to activate virtual core keyboard").

start_xvfb() {
  local work=$1 dir
  if [ -n "${OCULON_IN_NETNS:-}" ]; then
    for dir in /var/lib/xkb:0755 /tmp/.X11-unix:1777; do
      [ ! -d "${dir%:*}" ] || mount -t tmpfs -o size=4m,mode="${dir#*:}" oculon-x "${dir%:*}" || return 1
    done
  fi
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.out" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] || ! kill -0 "$xvfb_pid" 2>/dev/null && break
    sleep 0.05
  done
  [ -s "$work/display" ] || { echo "xvfb: Xvfb did not start" >&2; cat "$work/xvfb.out" >&2; return 1; }
  export DISPLAY=:$(cat "$work/display") QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  [ $# -ge 1 ] || { echo "usage: xvfb.sh command..." >&2; exit 2; }
  work=$(mktemp -d "${TMPDIR:-/tmp}/oculon-xvfb.XXXXXX")
  xvfb_pid=""
  trap '[ -z "$xvfb_pid" ] || { kill "$xvfb_pid" && wait "$xvfb_pid"; } 2>/dev/null || true; rm -rf "$work"' EXIT
  start_xvfb "$work"
  "$@"
fi
