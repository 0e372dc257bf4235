#!/usr/bin/env bash
# quon-server.exe finds its port by itself under Wine. A stand-in serial device map (a registry key
# that QUON_DEVICE_ROOT names) lists a built-in COM1 and one USB adapter, COM5, a pseudo-terminal
# joined by socat to the virtual calculator's (a Linux build's quon-calc). quon-xfer.exe lists the
# map; the server says it chose COM5, says which folder it serves and serves a get there. The
# adapter is unplugged and comes back as COM6, where the server must serve again. In a folder whose
# quon.ini sets device1=com7, the server serves COM7 instead; with device1=COM200, which has no
# device behind it, it says why it cannot open it. (Wine gives each /dev/ttyS* a COM port of its
# own from COM10 on, and a PC has ttyS0 to ttyS3 at least, so that COM12 may be taken.)
# usage: wine-port-choice-test.sh WINE_RUN PREFIX QUON_SERVER_EXE QUON_XFER_EXE QUON_CALC
# environment: QUON_LOG_LINES, the build's log_lines.sh
# The LOG_ texts come from the build's log_lines.sh.
# shellcheck disable=SC2154
set -euo pipefail
. "$(dirname "$0")/wait-until.sh"
# shellcheck source=/dev/null
source "${QUON_LOG_LINES:?set it to log_lines.sh in the build folder}"

wine_run=$1 prefix=$2 server=$3 xfer=$4 calc=$5
if [[ ! -x $calc ]]; then
  echo "wine-port-choice-test: no virtual calculator at $calc (build the default preset)" >&2
  exit 77
fi
work=$(mktemp -d)
key='HKEY_CURRENT_USER\Software\QuonTests\PortChoice'
server_pid=
line_pid=

run() { "$wine_run" "$prefix" "$@"; }

cleanup() {
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
  [[ -n $line_pid ]] && kill "$line_pid" 2>/dev/null || true
  rm -f "$prefix/ports/com5" "$prefix/ports/com6" "$prefix/ports/com7"
  run reg delete "$key" /f >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "wine-port-choice-test: $*" >&2
  if [[ -f $work/server.log ]]; then
    echo "--- quon-server.exe said:" >&2
    cat "$work/server.log" >&2
  fi
  exit 1
}

# COMn and the calculator's device, joined by socat: the adapter plugged in.
plug() {
  socat PTY,link="$prefix/ports/com$1",raw,echo=0 PTY,link="$work/calc",raw,echo=0 \
    2>>"$work/line.log" &
  line_pid=$!
  wait_until 60 "socat's COM$1" test -e "$work/calc" -a -e "$prefix/ports/com$1" ||
    fail "socat made no COM$1"
}

unplug() {
  kill "$line_pid"
  wait "$line_pid" 2>/dev/null || true
  line_pid=
}

said() { tr -d '\r' <"$work/server.log" | grep -qF -- "$1"; }

wait_for_line() { wait_until 120 "\"$1\"" said "$1" || fail "the server never said \"$1\""; }

serve_a_get() {
  timeout 30 "$calc" download-mode "$work/calc" || fail "no download-mode bytes on $1"
  timeout 60 "$calc" get "$work/calc" orvo1.obj --expect "$work/served/orvo1.obj" ||
    fail "the get on $1 failed"
}

run reg add "$key" /v '\Device\Serial0' /d COM1 /f >/dev/null
run reg add "$key" /v '\Device\VCP0' /d COM5 /f >/dev/null
export QUON_DEVICE_ROOT=$key

listing=$(run "$xfer" --list-ports | tr -d '\r')
[[ $listing == $'COM5  USB serial adapter, \\Device\\VCP0\nCOM1  serial port, \\Device\\Serial0' ]] ||
  fail "quon-xfer.exe --list-ports said: $listing"

mkdir "$work/served"
head -c 3000 /dev/urandom >"$work/served/orvo1.obj"
plug 5
(cd "$work/served" && exec "$wine_run" "$prefix" "$server") >"$work/server.log" 2>&1 &
server_pid=$!
wait_for_line "COMM 1 is COM5 (the only USB serial adapter)"
wait_for_line "$LOG_ServingTheFolder"
serve_a_get COM5

unplug
wait_for_line "${LOG_SerialPortLost}COMM 1 (COM5)"
run reg delete "$key" /v '\Device\VCP0' /f >/dev/null
run reg add "$key" /v '\Device\VCP1' /d COM6 /f >/dev/null
plug 6
wait_for_line "${LOG_SerialPortBack}COMM 1 (COM6)"
serve_a_get COM6
kill "$server_pid"
wait "$server_pid" 2>/dev/null || true
server_pid=

unplug

# Named in quon.ini, COM7 wins over the lone adapter; a name with no device behind it is refused
# with the reason.
mkdir "$work/chosen"
printf '[serial]\r\ndevice1=com7\r\n' >"$work/chosen/quon.ini"
plug 7
(cd "$work/chosen" && exec "$wine_run" "$prefix" "$server") >"$work/server.log" 2>&1 &
server_pid=$!
wait_for_line "COMM 1 is com7 (device1 in quon.ini)"
cp "$work/served/orvo1.obj" "$work/chosen/"
serve_a_get COM7
kill "$server_pid"
wait "$server_pid" 2>/dev/null || true
server_pid=

printf '[serial]\r\ndevice1=COM200\r\n' >"$work/chosen/quon.ini"
status=0
(cd "$work/chosen" && exec "$wine_run" "$prefix" "$server") >"$work/server.log" 2>&1 || status=$?
[[ $status == 1 ]] || fail "with device1=COM200 the server ended with status $status, not 1"
tr -d '\r' <"$work/server.log" |
  grep -qF "$LOG_CantOpenSerialPort COM200 (COMM 1): no such device" ||
  fail "with device1=COM200 the server did not say why COM200 would not open"
echo "wine-port-choice-test: COM5 chosen and served, COM6 after the unplug, device1=com7 served," \
  "device1=COM200 refused as no such device"
