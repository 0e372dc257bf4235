#!/usr/bin/env bash
# The Windows program on a virtual X display: quon.exe starts in a fresh folder, writes
# "quon.ini", shows its main window and, after "Config Comms", the port settings dialog; both are
# captured as PNG files. Given the virtual calculator (a Linux build's quon-calc), "Talk to Calc"
# then opens the server window on COM1, a pseudo-terminal joined to the calculator's by socat;
# the calculator takes the download-mode sequence and fetches a file, byte for byte, and the
# server window is captured too. Then the pseudo-terminal behind COM1 goes away in the middle of
# a get, as an unplugged adapter would: the window must say so (captured) and, once it is back,
# serve again; given the virtual null-modem too (a Linux build's nullmodem), it comes back as a
# line paced at 19200 baud, and a get on it shows the progress bar and the time left moving, read
# back from the window's controls and captured part-way and at the end. Exit ends it all, and the
# settings file must then hold the fifteen keys in order.
# usage: wine-gui-test.sh WINE_RUN PREFIX QUON_EXE WINDOW_DRIVER_EXE SCREENSHOT_DIR [QUON_CALC
#        [NULLMODEM]]
# environment: QUON_LOG_LINES, the build's log_lines.sh
# The LOG_ texts come from the build's log_lines.sh.
# shellcheck disable=SC2154
set -euo pipefail
. "$(dirname "$0")/wait-until.sh"
# shellcheck source=/dev/null
source "${QUON_LOG_LINES:?set it to log_lines.sh in the build folder}"

wine_run=$1 prefix=$2 quon=$3 driver=$4 shots=$5 calc=${6:-} nullmodem=${7:-}
mkdir -p "$shots"
work=$(mktemp -d)
xvfb_pid=
quon_pid=
line_pid=

cleanup() {
  [[ -n $quon_pid ]] && kill "$quon_pid" 2>/dev/null || true
  [[ -n $line_pid ]] && kill "$line_pid" 2>/dev/null || true
  rm -f "$prefix-x11/ports/com1"
  WINEPREFIX=$prefix-x11 wineserver -k 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_until 60 "Xvfb's display number" test -s "$work/display"
export DISPLAY=:$(cat "$work/display")
export QUON_WINE_DISPLAY=x11

run() { "$wine_run" "$prefix" "$@"; }

# Whether a line of list ID in window TITLE holds TEXT.
shows_item() { run "$driver" items "$1" "$2" | tr -d '\r' | grep -qF -- "$3"; }

# Waits until a line of list ID in window TITLE holds TEXT.
wait_for_item() {
  local title=$1 id=$2 text=$3
  wait_until 120 "\"$title\" showing \"$text\"" shows_item "$title" "$id" "$text" && return 0
  echo "wine-gui-test: list $id holds:" >&2
  run "$driver" items "$title" "$id" >&2
  return 1
}

# The position and maximum of progress bar ID in window TITLE.
progress() { run "$driver" progress "$1" "$2" | tr -d '\r'; }

# Whether progress bar ID of window TITLE stands part-way through a file of SIZE bytes and
# field FIELD_ID holds a line; says so when it does.
part_way() {
  local title=$1 id=$2 field=$3 size=$4 position maximum
  read -r position maximum <<<"$(progress "$title" "$id")"
  ((maximum == size && position > 0 && position < maximum)) &&
    [[ -n $(run "$driver" items "$title" "$field" | tr -d '\r') ]] &&
    echo "wine-gui-test: part-way: bar at $position of $maximum, time left" \
      "$(run "$driver" items "$title" "$field" | tr -d '\r')"
}

# Waits until progress bar ID of window TITLE stands part-way, as part_way says.
wait_for_progress() {
  wait_until 120 "the bar part-way" part_way "$@" && return 0
  echo "wine-gui-test: the bar stands at $(progress "$1" "$2")" >&2
  return 1
}

# COM1 and the calculator's device, joined by socat, or by the null-modem paced at BAUD.
start_line() {
  local baud=${1:-}
  rm -f "$work/line-ready"
  if [[ -n $baud ]]; then
    "$nullmodem" --baud "$baud" --link-a "$prefix-x11/ports/com1" --link-b "$work/calc" \
      --ready-file "$work/line-ready" >/dev/null 2>>"$work/line.log" &
  else
    socat PTY,link="$prefix-x11/ports/com1",raw,echo=0 PTY,link="$work/calc",raw,echo=0 \
      2>>"$work/line.log" &
  fi
  line_pid=$!
  wait_until 60 "the line's devices" line_up "$baud"
}

line_up() { [[ -e $work/calc && -e $prefix-x11/ports/com1 && (-z $1 || -e $work/line-ready) ]]; }

# Crops the window at "x y width height" out of a shot of the whole display.
capture() {
  local name=$1 x y w h
  read -r x y w h <<<"$2"
  import -display "$DISPLAY" -window root "$work/root.png"
  convert "$work/root.png" -crop "${w}x${h}+${x}+${y}" +repage "$shots/$name"
  echo "wine-gui-test: $shots/$name"
}

cd "$work"
run "$quon" &
quon_pid=$!

main=$(run "$driver" wait Quon 60)
capture quon-main.png "$main"
run "$driver" click Quon 1017
port=$(run "$driver" wait "Config Comms port")
capture quon-port-settings.png "$port"
run "$driver" click "Config Comms port" 2
run "$driver" gone "Config Comms port"

if [[ -x $calc ]]; then
  head -c 3000 /dev/urandom >orvo1.obj
  mkdir -p "$prefix-x11/ports"
  start_line
  run "$driver" click Quon 1021
  timeout 30 "$calc" download-mode "$work/calc"
  server=$(run "$driver" wait "Orvo Server Status")
  timeout 60 "$calc" get "$work/calc" orvo1.obj --expect orvo1.obj
  # For the picture: the window's log and status fields show the get once the line is idle.
  wait_for_item "Orvo Server Status" 1026 "$LOG_FileTransmissionComplete"
  wait_for_item "Orvo Server Status" 1029 "$LOG_CommsLineIdle"
  capture quon-server.png "$server"

  head -c 8000000 /dev/urandom >big.obj
  timeout 60 "$calc" get "$work/calc" big.obj >"$work/unplugged-get.log" 2>&1 &
  get_pid=$!
  wait_for_item "Orvo Server Status" 1029 "$LOG_CommsLineBusy"
  kill "$line_pid"
  wait "$line_pid" || true
  line_pid=
  lost="${LOG_SerialPortLost}COMM 1 (COM1)"
  wait_for_item "Orvo Server Status" 1029 "$lost"
  wait_for_item "Orvo Server Status" 1026 "ERROR : Lost carrier during transfer"
  capture quon-server-lost.png "$server"
  wait "$get_pid" || true
  if [[ -x $nullmodem ]]; then start_line 19200; else start_line; fi
  timeout 30 "$calc" download-mode "$work/calc"
  wait_for_item "Orvo Server Status" 1026 "${LOG_SerialPortBack}COMM 1 (COM1)"
  if [[ -x $nullmodem ]]; then
    # 30000 bytes at 1920 a second: long enough to watch the bar (1065) and the time left (1066).
    head -c 30000 /dev/urandom >paced.obj
    timeout 60 "$calc" get "$work/calc" paced.obj --expect paced.obj >"$work/paced-get.log" 2>&1 &
    get_pid=$!
    wait_for_progress "Orvo Server Status" 1065 1066 30000
    capture quon-server-progress.png "$server"
    wait "$get_pid"
    wait_for_item "Orvo Server Status" 1029 "$LOG_CommsLineIdle"
    [[ $(progress "Orvo Server Status" 1065) == "30000 30000" ]] ||
      { echo "wine-gui-test: the bar ends at $(progress "Orvo Server Status" 1065)" >&2; exit 1; }
    wait_for_item "Orvo Server Status" 1066 "0:00"
    capture quon-server-done.png "$server"
  else
    timeout 60 "$calc" get "$work/calc" orvo1.obj --expect orvo1.obj
  fi
  run "$driver" click "Orvo Server Status" 2
  run "$driver" gone "Orvo Server Status"
else
  echo "wine-gui-test: no virtual calculator given; the server window is not tried"
fi

run "$driver" click Quon 2
wait "$quon_pid"
quon_pid=

expected='[sysmtemfilelocations]
system=orvo1.obj
part1=orvo2.obj
part2=orvo3.obj
part3=orvo4.obj
part4=orvo5.obj
part6=orvocasb.obj
part7=orvocas2b.obj
[serial]
baud=9600
length=8
parity=None
port=COMM 1
stopbits=1
protocol=Xmodem1k-zkcrc
[misc]
conversion=0
strip_zeros=0'
if [[ "$(tr -d '\r' <quon.ini)" != "$expected" ]]; then
  echo "wine-gui-test: quon.ini is not the first-run file:" >&2
  cat quon.ini >&2
  exit 1
fi
echo "wine-gui-test: quon.ini holds the fifteen keys"
