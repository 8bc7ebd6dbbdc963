#!/usr/bin/env bash
# Door calls end to end, as a user sees them: the real program under Xvfb in
# the first host of a two-host network namespace (10.77.0.1), the simulated
# devices of tools/ in the second ($OCULON_PEER_NS, 10.77.0.2 to .5), a
# prepared settings file, and the windows watched and pressed from outside.
#
#   tools/netns-run --two-hosts tests/e2e/doorcall.sh CASE
#
# CASE is one of
#   popup    a door station starts calling: the popup comes up by itself with
#            its live picture (time from the station's first answer to the
#            first picture is printed); the door button sends the door frame
#            to the station; the call ends when the picture turns black
#   wall     the wall takes door calls: the call plays in its door frame, no popup
#   telefon  a telephone call brings up its station's video; the door button
#            sends the telephone the door-opener frame
#   camera   an input change of an IP camera (found by multicast DNS) brings up
#            its video; the door button makes the camera switch its relay
#   pause    with Pause on in the tray menu no call opens a window (and after
#            Pause off the same call does)
#   second   a second station calling while the popup is busy opens a further
#            popup that leaves the first one's header and door button in sight
#   share    the picture folder on a share that stops answering (recording
#            and the first picture on): the popup comes whole with its picture,
#            the door button reaches the station, a second start is answered,
#            and SIGTERM ends the program within 2 s; once the share answers
#            again, what waited is written
#   sharedialog  a call's Save As opens in the picture folder on a share whose
#            reads hang too: the dialog comes at once and says so, a second
#            station's popup comes up in time, both door buttons reach their
#            stations, a second start is answered, and SIGTERM ends the
#            program within 2 s
#
# Needs OCULON_BINARY_DIR (the build folder with src/oculon, tools/sim* and
# tests/e2e_xdrive). Screenshots go to $OCULON_SCREENS (default /tmp/screens)
# as e2e-CASE-STEP.png; the paths and the logs of a failed case are printed.
# Exit status 0 passed, 1 failed, 77 skipped (the program cannot run here).
set -euo pipefail

case_name=${1:?usage: doorcall.sh popup|wall|telefon|camera|pause|second|share|sharedialog}
bin=${OCULON_BINARY_DIR:?set OCULON_BINARY_DIR to the build folder}
ns=${OCULON_PEER_NS:?run under tools/netns-run --two-hosts}
screens=${OCULON_SCREENS:-/tmp/screens}
program=$bin/src/oculon
xdrive=$bin/tests/e2e_xdrive
ws=10.77.0.1
mkdir -p "$screens"
work=$(mktemp -d "${TMPDIR:-/tmp}/oculon-e2e-$case_name.XXXXXX")
pids=()
failed=0

log() { printf '[%s %s] %s\n' "$(date +%T.%3N)" "$case_name" "$*"; }

finish() {
  local status=$?
  # Last started first: the program before its display and its devices.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  # The share of the case "share", should its server have gone first.
  umount -l "$work/share" 2>/dev/null || true
  if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
    for f in "$work"/*.log "$work"/*.out; do
      [ -e "$f" ] || continue
      echo "---- $(basename "$f") (last 40 lines)"
      tail -n 40 "$f"
    done
  fi
  rm -rf "$work"
  exit "$status"
}
trap finish EXIT

fail() {
  log "FAIL: $*"
  if [ -n "${DISPLAY:-}" ]; then
    shot "failure" || true
    echo "---- windows"
    "$xdrive" list || true
  fi
  exit 1
}

# ---- devices ---------------------------------------------------------------

# The second host answers on five addresses, one per simulated device.
for a in 10.77.0.3 10.77.0.4 10.77.0.5; do
  ip -n "$ns" addr add "$a/24" dev oc1 2>/dev/null || true
done

# start_peer NAME TOOL ADDRESS ARGS...: the tool in the second host, its log
# in $work/NAME.log, its pid in peer_NAME.
start_peer() {
  local name=$1 tool=$2 address=$3
  shift 3
  ip netns exec "$ns" "$bin/tools/$tool" --address "$address" --workstation "$ws" \
    --log "$work/$name.log" "$@" >"$work/$name.out" 2>&1 &
  pids+=("$!")
  printf -v "peer_$name" '%s' "$!"
  wait_event "$name" ready 0 5000 >/dev/null || fail "$tool $name did not start"
}

signal_peer() {  # signal_peer NAME USR1|USR2
  local var="peer_$1"
  kill -s "$2" "${!var}"
}

# Number of log lines so far, as a mark to wait for events after it.
mark() { wc -l <"$work/$1.log"; }

# wait_event NAME EVENT AFTER_LINE TIMEOUT_MS [TEXT]: prints the first line
# after line AFTER_LINE whose event is EVENT (and that holds TEXT).
wait_event() {
  local name=$1 event=$2 after=$3 timeout=$4 text=${5:-}
  local deadline=$(($(date +%s%3N) + timeout)) line
  while :; do
    line=$(tail -n +"$((after + 1))" "$work/$name.log" 2>/dev/null |
      awk -v e="$event" -v t="$text" '$2 == e && index($0, t) { print; exit }')
    if [ -n "$line" ]; then
      echo "$line"
      return 0
    fi
    [ "$(date +%s%3N)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

count_events() {  # count_events NAME EVENT AFTER_LINE [TEXT]
  tail -n +"$(($3 + 1))" "$work/$1.log" | awk -v e="$2" -v t="${4:-}" '$2 == e && index($0, t) { n++ } END { print n + 0 }'
}

# ---- settings --------------------------------------------------------------

export XDG_CONFIG_HOME=$work/config HOME=$work/home XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_CONFIG_HOME/Korvat" "$HOME" "$XDG_RUNTIME_DIR" "$work/pictures"
chmod 700 "$XDG_RUNTIME_DIR"
reg=$XDG_CONFIG_HOME/Korvat/Oculon.reg
key='HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon'
stations=0

dword() { printf '"%s"=dword:%08x\n' "$1" "$2"; }
text() { printf '"%s"="%s"\n' "$1" "$2"; }

# Root values: English, no autostart offer, no splash, the first picture of
# every call saved (its file marks the first picture shown), the popup at
# 80,40 with 648 x 552, this workstation's telephone number 4711.
write_root() {  # write_root [allowMultipleWindows] [surveillance]
  {
    echo REGEDIT4
    echo
    echo "[$key]"
    dword version 10
    dword language 1
    dword autostart 1
    dword showSplashScreen 0
    text myid 4711
    dword storeFirstPict 1
    dword storeVideo "${store_video:-0}"
    dword allowCapture "${allow_capture:-0}"
    text firstPictPath "${pictures:-$work/pictures}"
    dword allowMultipleWindows "${1:-0}"
    dword surveillance "${2:-0}"
    dword windowTop 40
    dword windowleft 80
    dword windowWidth 648
    dword windowHeight 552
    echo
    echo "[$key\\Surveillance]"
    dword windowTop 560
    dword windowleft 700
    dword windowWidth 560
    dword windowHeight 420
    dword layout 0
    dword frameRate 1
    dword showDoor "${3:-0}"
    dword recordLength 30
    echo
    echo "[$key\\Configurations]"
    echo
    echo "[$key\\Manual]"
    echo
  } >"$reg"
}

# add_station NAME TYPE IP PORT USER PASSWORD [VALUE=...]...: one configured
# station; extra values as name=text or name#number.
add_station() {
  local name=$1 typ=$2 ip=$3 port=$4 user=$5 password=$6
  shift 6
  {
    echo "[$key\\Configurations\\$stations]"
    dword Typ "$typ"
    text Name "$name"
    text Ip "$ip"
    text Port "$port"
    text UserName "$user"
    text Passwort "$password"
    dword NeedCredentials 1
    dword Dhcp 0
    dword tuerDauer 5
    for v in "$@"; do
      case $v in
        *=*) text "${v%%=*}" "${v#*=}" ;;
        *'#'*) dword "${v%%#*}" "${v#*#}" ;;
      esac
    done
    echo
  } >>"$reg"
  stations=$((stations + 1))
}

# A door station of type 0 with a door output (the output belongs to the
# gateway group, read when "moxa" is present).
add_door_station() {  # add_door_station NAME IP
  add_station "$1" 0 "$2" 80 door secret moxa#0 ausgang#1 "ausgangSchrift=Open door"
}

# ---- display and program ---------------------------------------------------

# An X server of its own, with folders of its own (see tests/gui/xvfb.sh).
# shellcheck source=../gui/xvfb.sh
source "$(dirname "$0")/../gui/xvfb.sh"

start_display() {
  start_xvfb "$work" || fail "Xvfb did not start"
  pids+=("$xvfb_pid")
}

shot() {  # shot STEP: screenshot of the whole screen
  local file=$screens/e2e-$case_name-$1.png
  import -display "$DISPLAY" -window root "$file" 2>/dev/null && log "screenshot $file"
}

start_program() {
  [ -x "$program" ] || { log "SKIP: $program is not built"; exit 77; }
  "$program" >"$work/oculon.out" 2>&1 &
  program_pid=$!
  pids+=("$program_pid")
  # The fallback window of the tray menu shows that the program is up.
  if ! "$xdrive" wait "Korvat Oculon" 20000 >/dev/null; then
    kill -0 "$program_pid" 2>/dev/null || { cat "$work/oculon.out"; fail "the program ended at start"; }
    fail "no window of the program after 20 s"
  fi
  log "program up on $DISPLAY"
}

viewable() { "$xdrive" wait "$1" 0 >/dev/null 2>&1; }

# The program probes a station from the search answer on: the probe request
# at the station shows that search, answer and probe work.
wait_probe() {  # wait_probe NAME [AFTER]
  wait_event "$1" http "${2:-0}" 30000 "GET /GetData.cgi" >/dev/null ||
    fail "station $1 was never probed: the search answer did not reach the program"
}

now_ms() { date +%s%3N; }

# A station calls: prints the ms from the station's first search answer after
# the picture came up to the first picture in the popup (the first-picture
# snapshot's file time).
call_station() {  # call_station NAME WINDOW
  local name=$1 window=$2 m answer probe t0 t1 file
  m=$(mark "$name")
  signal_peer "$name" USR1
  answer=$(wait_event "$name" answer "$m" 15000) || fail "$name did not answer a search after calling"
  t0=${answer%% *}
  "$xdrive" wait "$window" 30000 >/dev/null || fail "no window \"$window\" for the call of $name"
  probe=$(wait_event "$name" http "$m" 0 "GET /GetData.cgi") || probe=""
  for _ in $(seq 200); do
    file=$(find "$work/pictures" -name "*_$window.jpg" -newermt "@$((t0 / 1000 - 1))" 2>/dev/null | head -n 1)
    [ -n "$file" ] && break
    sleep 0.05
  done
  if [ -n "$file" ]; then
    t1=$(stat -c %.3Y "$file" | tr -d .)
    log "TIMING first answer -> first picture in \"$window\": $((t1 - t0)) ms" \
      "(of which probe request -> first picture: $((t1 - ${probe%% *})) ms)"
  else
    log "no first-picture snapshot of \"$window\" within 10 s"
  fi
}

# The station's picture turns black: its window must go.
end_call() {  # end_call NAME WINDOW
  signal_peer "$1" USR2
  "$xdrive" wait "$2" 20000 gone >/dev/null || fail "window \"$2\" still open 20 s after $1 turned black"
}

# Streams the program holds open at a device: started minus ended over the
# whole log, since a stream opened before a mark (a probe) may end after it.
open_streams() {  # open_streams NAME
  echo $(($(count_events "$1" stream-start 0) - $(count_events "$1" stream-end 0)))
}

press_door() {  # press_door WINDOW: the door button, bottom right of the popup
  "$xdrive" click "$1" -51 -12 >/dev/null || fail "cannot click into \"$1\""
}

# The tray menu from its button on the fallback window: the first item is
# "Info", the second (behind a separator) "Pause".
toggle_pause() {
  "$xdrive" click "Korvat Oculon" -22 28 >/dev/null || fail "no tray menu window"
  "$xdrive" wait-popup 5000 >/dev/null || fail "the tray menu did not open"
  "$xdrive" key Down Down Return || fail "cannot choose Pause in the tray menu"
  "$xdrive" wait-popup 5000 gone >/dev/null || fail "the tray menu did not close"
}

# ---- cases -----------------------------------------------------------------

# The settings' one door station, simulated, and the program.
one_door_station() {
  add_door_station SimDoor1 10.77.0.2
  start_peer SimDoor1 simstation 10.77.0.2 --name SimDoor1 --user door --password secret
  start_display
  start_program
}

# Two door stations, simulated, the program, and both probed.
two_door_stations() {
  add_door_station SimDoor1 10.77.0.2
  add_door_station SimDoor2 10.77.0.3
  start_peer SimDoor1 simstation 10.77.0.2 --name SimDoor1 --user door --password secret
  start_peer SimDoor2 simstation 10.77.0.3 --name SimDoor2 --user door --password secret --tint 220
  start_display
  start_program
  wait_probe SimDoor1
  wait_probe SimDoor2
}

# The station's picture comes up; returns once the station has answered a
# search since, with the log mark from before in rung_mark.
ring() {  # ring NAME
  rung_mark=$(mark "$1")
  signal_peer "$1" USR1
  wait_event "$1" answer "$rung_mark" 15000 >/dev/null || fail "$1 did not answer a search after calling"
}

case_popup() {
  write_root
  one_door_station
  wait_probe SimDoor1
  viewable SimDoor1 && fail "a popup opened for a black picture"
  shot idle
  call_station SimDoor1 SimDoor1
  sleep 1
  shot call
  local m door=1
  m=$(mark SimDoor1)
  press_door SimDoor1
  # Checked after the end of the call, so that one fault does not hide the other.
  wait_event SimDoor1 command "$m" 5000 1F544B >/dev/null || door=0
  [ "$door" = 1 ] && log "door frame arrived at the station"
  shot door
  end_call SimDoor1 SimDoor1
  log "the popup closed when the picture turned black"
  shot ended
  [ "$door" = 1 ] || fail "the door button did not send the door frame 1F 54 4B to the station"
}

case_wall() {
  write_root 0 1 1
  one_door_station
  "$xdrive" wait Surveillance 10000 >/dev/null || fail "the wall did not open"
  wait_probe SimDoor1
  ring SimDoor1
  local deadline=$(($(now_ms) + 30000))
  until [ "$(open_streams SimDoor1)" -ge 1 ] && sleep 3 && [ "$(open_streams SimDoor1)" -ge 1 ]; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "the wall's door frame did not play the call"
    sleep 0.2
  done
  viewable SimDoor1 && fail "the popup opened although the wall takes door calls"
  log "the call plays in the wall's door frame, no popup"
  shot call
  signal_peer SimDoor1 USR2
  deadline=$(($(now_ms) + 20000))
  until [ "$(open_streams SimDoor1)" -le 0 ]; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "the door frame kept the stream 20 s after the picture turned black"
    sleep 0.2
  done
  shot ended
}

case_telefon() {
  write_root
  add_station SimTelCam 0 10.77.0.3 80 door secret TelefonIP=10.77.0.4 TelefonName=SimTel tuerCode=12
  start_peer SimTelCam simstation 10.77.0.3 --name SimTelCam --user door --password secret --start picture
  start_peer SimTel simtelefon 10.77.0.4 --number 4711 --name SimTel
  start_display
  start_program
  wait_probe SimTelCam
  sleep 1
  viewable SimTelCam && fail "the probe of a telephone station opened a popup"
  local m
  m=$(mark SimTel)
  signal_peer SimTel USR1
  "$xdrive" wait SimTelCam 15000 >/dev/null || fail "the telephone call brought up no video"
  log "telephone call: popup of SimTelCam"
  sleep 1
  shot call
  press_door SimTelCam
  wait_event SimTel door "$m" 5000 LSREM >/dev/null || fail "the door button sent the telephone no door-opener frame"
  log "door-opener frame arrived at the telephone"
  signal_peer SimTel USR2
  "$xdrive" wait SimTelCam 10000 gone >/dev/null || fail "the popup stayed after the telephone hung up"
  shot ended
}

case_camera() {
  write_root
  add_station SimCam 4 10.77.0.5 80 root pass camAusgang#1 "camAusgangSchrift=Relay"
  start_peer SimCam simcamera 10.77.0.5 --name SimCam --user root --password pass --mdns
  start_display
  start_program
  wait_event SimCam monitor-start 0 40000 >/dev/null ||
    fail "the program never watched the camera's input (found by multicast DNS?)"
  # The camera logs its answer after sending it: under load the program can
  # be connected before that line is written.
  wait_event SimCam mdns-answer 0 5000 >/dev/null || fail "the camera was watched without being found by multicast DNS"
  log "camera found by multicast DNS, input monitor connected"
  viewable SimCam && fail "a popup opened before the input changed"
  local m
  m=$(mark SimCam)
  signal_peer SimCam USR1
  "$xdrive" wait SimCam 15000 >/dev/null || fail "the input change brought up no video"
  wait_event SimCam stream-start "$m" 10000 >/dev/null || fail "the popup did not ask the camera for its stream"
  log "input change: popup of SimCam"
  sleep 1
  shot call
  press_door SimCam
  wait_event SimCam relay "$m" 5000 "action=3:/5000" >/dev/null || fail "the door button did not switch the camera's relay"
  log "relay request arrived at the camera"
  signal_peer SimCam USR2
  "$xdrive" wait SimCam 10000 gone >/dev/null || fail "the popup stayed after the input went low"
  shot ended
}

case_pause() {
  write_root
  one_door_station
  toggle_pause
  shot paused-menu
  wait_probe SimDoor1
  ring SimDoor1
  local m=$rung_mark
  # Two probes of the calling station (8 s apart) without a window.
  local deadline=$(($(now_ms) + 25000))
  while [ "$(count_events SimDoor1 http "$m" "GET /GetData.cgi")" -lt 2 ]; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "SimDoor1 was not probed twice while calling"
    viewable SimDoor1 && fail "a popup opened while Pause is on"
    sleep 0.2
  done
  sleep 2
  viewable SimDoor1 && fail "a popup opened while Pause is on"
  log "two probes of a calling station, no window while paused"
  shot paused
  toggle_pause
  "$xdrive" wait SimDoor1 20000 >/dev/null || fail "after Pause off the call still opened no popup"
  log "after Pause off the call shows"
  shot resumed
}

case_second() {
  write_root 1
  two_door_stations
  call_station SimDoor1 SimDoor1
  call_station SimDoor2 SimDoor2
  viewable SimDoor1 || fail "the first popup closed when the second station called"
  sleep 1
  read -r x1 y1 w1 h1 <<<"$("$xdrive" wait SimDoor1 0)"
  read -r x2 y2 w2 h2 <<<"$("$xdrive" wait SimDoor2 0)"
  log "popup at $x1,$y1 ${w1}x$h1, further popup at $x2,$y2 ${w2}x$h2"
  # The first popup's header row and door button stay in sight (no title bar here).
  covers() { # covers X Y W H: the further popup lies over that part
    [ "$x2" -lt $(($1 + $3)) ] && [ "$1" -lt $((x2 + w2)) ] && [ "$y2" -lt $(($2 + $4)) ] && [ "$2" -lt $((y2 + h2)) ]
  }
  ! covers "$x1" "$y1" "$w1" 45 && ! covers $((x1 + w1 - 102)) $((y1 + h1 - 25)) 102 25 ||
    fail "the further popup hides the first one's header or door button"
  shot two-calls
  end_call SimDoor2 SimDoor2
  viewable SimDoor1 || fail "the first popup closed with the second call"
  end_call SimDoor1 SimDoor1
  shot ended
}

# A process that has not ended (a zombie has).
alive() {  # alive PID
  local state
  state=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null) && [ -n "$state" ] && [ "$state" != Z ]
}

# Spread of the grey levels in the part of a window's picture below its
# header (0 for an empty frame), from a screenshot.
picture_spread() {  # picture_spread WINDOW
  local x y w h file=$work/spread.png
  read -r x y w h <<<"$("$xdrive" wait "$1" 0)"
  import -display "$DISPLAY" -window root -crop "$((w - 20))x$((h - 100))+$((x + 10))+$((y + 50))" "$file" 2>/dev/null
  convert "$file" -colorspace Gray -format '%[fx:int(1000 * standard_deviation)]' info:
}

# The share of tests/support/hangfs.c at $work/share, its pictures below it:
# its writes wait while $asleep exists, its reads too while $asleep-reads does.
share=$work/share asleep=$work/asleep
mount_share() {
  local hangfs=$bin/tests/hangfs
  [ -x "$hangfs" ] && [ -e /dev/fuse ] || { log "SKIP: no FUSE here ($hangfs, /dev/fuse)"; exit 77; }
  mkdir -p "$work/backing/pictures" "$share"
  # unkillable=1: a server that finishes what it was asked whatever befalls
  # the caller, as a network share's does.
  if [ -n "${unkillable:-}" ]; then export HANGFS_UNKILLABLE=1; else unset HANGFS_UNKILLABLE; fi
  "$hangfs" "$work/backing" "$asleep" "$share" -f >"$work/hangfs.out" 2>&1 &
  pids+=("$!")
  for _ in $(seq 100); do mountpoint -q "$share" && break; sleep 0.05; done
  # A machine (a container) may have /dev/fuse and still refuse the mount.
  mountpoint -q "$share" || { log "SKIP: the share was not mounted: $(tail -n 3 "$work/hangfs.out")"; exit 77; }
}

# SIGTERM ends the program within 2 s, whatever waits for the share.
end_in_time() {
  local t0 t1
  t0=$(now_ms)
  kill -TERM "$program_pid"
  while alive "$program_pid" && [ "$(($(now_ms) - t0))" -lt 10000 ]; do sleep 0.02; done
  t1=$(now_ms)
  alive "$program_pid" && fail "the program still runs 10 s after SIGTERM"
  log "TIMING SIGTERM -> end with the share not answering: $((t1 - t0)) ms"
  [ "$((t1 - t0))" -le 2000 ] || fail "the program took $((t1 - t0)) ms to end"
}

case_share() {
  unkillable=1 mount_share
  store_video=1 pictures=$share/pictures write_root
  one_door_station
  wait_probe SimDoor1
  touch "$asleep"
  log "the share stops answering"
  ring SimDoor1
  "$xdrive" wait SimDoor1 30000 >/dev/null || fail "no popup for the call while the share does not answer"
  local spread=0
  for _ in $(seq 100); do
    spread=$(picture_spread SimDoor1)
    [ "$spread" -gt 50 ] && break
    sleep 0.1
  done
  shot call
  [ "$spread" -gt 50 ] || fail "the popup shows no picture while the share does not answer (spread $spread)"
  log "the popup shows the picture (spread $spread)"
  local m
  m=$(mark SimDoor1)
  press_door SimDoor1
  wait_event SimDoor1 command "$m" 5000 1F544B >/dev/null || fail "the door frame did not reach the station"
  log "door frame arrived at the station"
  timeout 10 "$program" >"$work/second.out" 2>&1 || fail "a second start was not answered within 10 s"
  log "a second start was answered"
  # Past the folder's time to answer: the call says so and goes on.
  sleep 6
  shot told
  viewable SimDoor1 || fail "the call ended while the share did not answer"
  rm -f "$asleep"
  local recording=""
  for _ in $(seq 100); do
    recording=$(find "$work/backing/pictures" -name '*.kvd' 2>/dev/null | head -n 1)
    [ -n "$recording" ] && break
    sleep 0.1
  done
  [ -n "$recording" ] || fail "no recording once the share answered again"
  log "the share answers again: the recording goes on in ${recording#"$work"/backing/}"
  # A further call while the share naps: its recording's file is being made
  # when SIGTERM comes, and once the share answers no empty file stays.
  end_call SimDoor1 SimDoor1
  touch "$asleep"
  ring SimDoor1
  "$xdrive" wait SimDoor1 30000 >/dev/null || fail "no popup for the further call"
  sleep 1
  end_in_time
  rm -f "$asleep"
  for _ in $(seq 200); do [ -e "/proc/$program_pid" ] || break; sleep 0.05; done
  [ -e "/proc/$program_pid" ] && fail "the program's calls into the share did not end 10 s after it answered"
  local empty
  empty=$(find "$work/backing/pictures" -name '*.kvd' -size 0)
  [ -z "$empty" ] || fail "an empty recording stays: $empty"
  log "once the share answered, the process ended and left no empty recording"
}

case_sharedialog() {
  mount_share
  allow_capture=1 pictures=$share/pictures write_root 1
  two_door_stations
  ring SimDoor1
  "$xdrive" wait SimDoor1 30000 >/dev/null || fail "no popup for the first call"
  touch "$asleep" "$asleep-reads"
  log "the share stops answering, its reads too"
  # "Save picture", bottom left of the popup: the dialog opens in the dated
  # folder on the share.
  "$xdrive" click SimDoor1 40 -12 >/dev/null || fail "cannot click into SimDoor1"
  "$xdrive" wait "Save As" 3000 >/dev/null || fail "the Save As did not open at once"
  log "the Save As is open, its folder on the share"
  sleep 1
  ring SimDoor2
  local t0=$(now_ms)
  "$xdrive" wait SimDoor2 10000 >/dev/null || fail "no popup within 10 s for a call while a dialog waits for the share"
  log "TIMING second station's answer -> popup with the Save As waiting: $(($(now_ms) - t0)) ms"
  local m
  for station in SimDoor1 SimDoor2; do
    m=$(mark "$station")
    press_door "$station"
    wait_event "$station" command "$m" 5000 1F544B >/dev/null || fail "the door button of $station did nothing"
  done
  log "both door buttons reached their stations"
  timeout 10 "$program" >"$work/second.out" 2>&1 || fail "a second start was not answered within 10 s"
  log "a second start was answered"
  sleep 5
  shot told
  viewable "Save As" || fail "the Save As went while the share did not answer"
  end_in_time
  rm -f "$asleep" "$asleep-reads"
}

case "$case_name" in
  popup | wall | telefon | camera | pause | second | share | sharedialog) "case_$case_name" ;;
  *) echo "unknown case $case_name" >&2; exit 2 ;;
esac
log "PASS"
