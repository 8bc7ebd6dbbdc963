#!/usr/bin/env bash
# Shows a simulated door call: builds the program and a simulated door
# station, starts both in private network namespaces (nothing they send
# leaves this machine), and lets the visitor ring again and again (a call of
# about 25 seconds, then a pause of 10) until Ctrl-C, which ends everything
# cleanly.
#
#   sudo bash scripts/demo.sh [--rings N]
#
# The program's windows come up on your desktop (DISPLAY, X11 or XWayland);
# without one it runs under Xvfb and saves a screenshot of every step to
# $OCULON_SCREENS (default /tmp/oculon-demo). --rings N stops after N calls
# and fails when one of them did not show. OCULON_JOBS limits the parallel
# build jobs. The program's settings for the demo are made afresh in a
# temporary folder; yours are not touched.
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."
root=$PWD

inside=0
rings=0
while [ $# -gt 0 ]; do
  case $1 in
    --inside) inside=1 ;;
    --rings) rings=${2:?--rings needs a number}; shift ;;
    *) echo "usage: sudo bash scripts/demo.sh [--rings N]" >&2; exit 2 ;;
  esac
  shift
done

say() { printf '\n== %s\n' "$*"; }

if [ "$inside" = 0 ]; then
  # The namespaces need root; the display of the user who called sudo stays.
  if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env=DISPLAY,XAUTHORITY,OCULON_JOBS,OCULON_SCREENS bash "$self" --rings "$rings"
  fi
  if [ -n "${DISPLAY:-}" ] && [ -z "${XAUTHORITY:-}" ] && [ -n "${SUDO_USER:-}" ]; then
    home=$(getent passwd "$SUDO_USER" | cut -d: -f6)
    [ -r "$home/.Xauthority" ] && export XAUTHORITY=$home/.Xauthority
  fi
  scripts/setup.sh
  say "Building the program and the simulated door station"
  # As the owner of the folder, so that the build stays theirs; the same
  # build as scripts/start.sh.
  owner=$(stat -c %U .)
  as_owner=()
  if [ "$owner" != root ]; then
    as_owner=(runuser -u "$owner" -- env HOME="$(getent passwd "$owner" | cut -d: -f6)")
  fi
  "${as_owner[@]}" env CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1 \
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DOCULON_TESTS=OFF -DOCULON_WERROR=ON >/dev/null
  "${as_owner[@]}" env CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1 \
    cmake --build build/release -j "${OCULON_JOBS:-$(nproc)}" --target oculon simstation
  export OCULON_BINARY_DIR=$root/build/release
  exec tools/netns-run --two-hosts bash "$self" --inside --rings "$rings"
fi

# ---- inside the namespaces: this host is 10.77.0.1, the station 10.77.0.2

bin=${OCULON_BINARY_DIR:?set OCULON_BINARY_DIR to the build folder}
ns=${OCULON_PEER_NS:?run under tools/netns-run --two-hosts}
for f in "$bin/src/oculon" "$bin/tools/simstation"; do
  [ -x "$f" ] || { echo "demo: $f is not built" >&2; exit 77; }
done
screens=${OCULON_SCREENS:-/tmp/oculon-demo}
work=$(mktemp -d "${TMPDIR:-/tmp}/oculon-demo-run.XXXXXX")
station_log=$work/simdoor.log
program_pid="" station_pid="" xvfb_pid=""

# Each helper runs in a session of its own, so Ctrl-C reaches only this
# script, which ends them in order: the program while its display is still
# there, then the station and the display.
stop_all() {
  trap - EXIT INT TERM
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
    say "Closing the program"
    kill -TERM "$program_pid" 2>/dev/null || true
    for _ in $(seq 200); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
  fi
  for pid in $program_pid $station_pid $xvfb_pid; do kill -TERM "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap stop_all EXIT
trap 'stop_all; exit 130' INT TERM

# The program's settings: English, no splash, no autostart question, the
# first picture of each call saved, and the one door station.
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run HOME=$work/home
mkdir -p "$XDG_CONFIG_HOME/Korvat" "$XDG_RUNTIME_DIR" "$HOME" "$work/pictures"
chmod 700 "$XDG_RUNTIME_DIR"
cat >"$XDG_CONFIG_HOME/Korvat/Oculon.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon]
"version"=dword:0000000a
"language"=dword:00000001
"autostart"=dword:00000001
"showSplashScreen"=dword:00000000
"storeFirstPict"=dword:00000001
"firstPictPath"="$work/pictures"

[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon\\Configurations\\0]
"Typ"=dword:00000000
"Name"="SimDoor1"
"Ip"="10.77.0.2"
"Port"="80"
"UserName"="door"
"Passwort"="secret"
"NeedCredentials"=dword:00000001
"moxa"=dword:00000000
"ausgang"=dword:00000001
"ausgangSchrift"="Open door"
REG

setsid ip netns exec "$ns" "$bin/tools/simstation" --address 10.77.0.2 --workstation 10.77.0.1 \
  --name SimDoor1 --user door --password secret --log "$station_log" >"$work/simdoor.out" 2>&1 &
station_pid=$!

headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  mkdir -p "$screens"
  # X's lock files cannot tell a server in another namespace from a stale
  # one: this run's display gets folders of its own (the mount namespace of
  # netns-run keeps them from everyone else).
  for dir in /tmp/.X11-unix:1777 /var/lib/xkb:0755; do
    if [ -d "${dir%:*}" ]; then mount -t tmpfs -o size=4m,mode="${dir#*:}" oculon-x "${dir%:*}"; fi
  done
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.out" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || { echo "demo: Xvfb did not start" >&2; cat "$work/xvfb.out" >&2; exit 1; }
  export DISPLAY=:$(cat "$work/display")
fi
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

shot() {  # shot NAME: the whole screen, when it is ours
  [ "$headless" = 1 ] || return 0
  import -display "$DISPLAY" -window root "$screens/demo-$1.png" 2>/dev/null && echo "   screenshot $screens/demo-$1.png"
}

# wait_event EVENT TEXT AFTER_LINE SECONDS: a line of the station's log
wait_event() {
  local deadline=$((SECONDS + $4))
  while [ "$SECONDS" -lt "$deadline" ]; do
    tail -n +"$(($3 + 1))" "$station_log" 2>/dev/null | awk -v e="$1" -v t="$2" '$2 == e && index($0, t) { f = 1 } END { exit !f }' &&
      return 0
    kill -0 "$program_pid" 2>/dev/null || { echo "demo: the program ended" >&2; tail -n 20 "$work/oculon.out" >&2; exit 1; }
    sleep 0.2
  done
  return 1
}
lines() { wc -l <"$station_log" 2>/dev/null || echo 0; }

say "Starting the program on display $DISPLAY"
setsid "$bin/src/oculon" >"$work/oculon.out" 2>&1 &
program_pid=$!
say "Waiting for the program to find the station (it searches every 4 seconds)"
wait_event http "GET /GetData.cgi" 0 60 || { echo "demo: the program never probed the station" >&2; exit 1; }
echo "   found: the station's picture is black while nobody rings, so no window opens"
shot idle

call=0 missed=0
while [ "$rings" = 0 ] || [ "$call" -lt "$rings" ]; do
  call=$((call + 1))
  say "Call $call: the visitor rings, the popup comes up with the live picture"
  [ "$rings" = 0 ] && echo "   (press its \"Open door\" button: the station logs the door command; Ctrl-C ends the demo)"
  from=$(lines)
  kill -USR1 "$station_pid"
  if wait_event stream-start "" "$from" 30; then
    sleep 5
    shot "call-$call"
  else
    echo "   the popup did not show the call" >&2
    missed=$((missed + 1))
  fi
  [ "$rings" = 0 ] && sleep 20
  if tail -n +"$((from + 1))" "$station_log" | grep -q ' command '; then echo "   the door was opened"; fi
  say "The visitor leaves: the picture turns black and the popup closes"
  from=$(lines)
  kill -USR2 "$station_pid"
  wait_event stream-end "" "$from" 30 || echo "   the popup is still open" >&2
  sleep 2
  shot "ended-$call"
  [ "$rings" = 0 ] && sleep 8
done
[ "$missed" = 0 ]
