#!/usr/bin/env bash
# The README's pictures of the server window, taken from a real run in the middle of a get: the
# desktop program (build/default) on Xvfb, then quon.exe (build/windows64) under Wine on Xvfb,
# each serving the virtual calculator (quon-calc) over the virtual null-modem paced at 19200 baud.
# Beside the pictures, pictures.sha256 records the sources that draw the window, so that a change
# to the window shows up as stale pictures.
#
# usage: pictures.sh [--out DIR]   makes server-window-qt.png, server-window-wine.png and
#                                  pictures.sha256 in DIR (docs/images)
#        pictures.sh --check       fails when docs/images was made from other window sources
# Exit status 77 when a tool or a build it needs is not here.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/wait-until.sh

# The sources that draw the server window, on either backend.
window_sources() {
  printf '%s\n' server/server_window.* server/status_panel.* server/server_resources.* \
    server/win32/* ui/dialog_template.* ui/dialog_units.* ui/qt/* ui/win32/* | LC_ALL=C sort
}
source_hashes() { window_sources | xargs sha256sum; }

usage="usage: pictures.sh [--out DIR] | --check"
if [[ ${1:-} == --help ]]; then
  echo "$usage"
  exit 0
fi

recorded=docs/images/pictures.sha256
if [[ ${1:-} == --check ]]; then
  if [[ ! -f $recorded ]]; then
    echo "pictures: $recorded is missing: run scripts/pictures.sh" >&2
    exit 1
  fi
  # By content, so that a file renamed as it was leaves the pictures as they are.
  changed=$(awk 'NR == FNR { old[$1] = $2; next }
                 { now[$1] = 1; if (!($1 in old)) { print $2; new++ } }
                 END { if (!new) for (h in old) if (!(h in now)) print old[h] " gone" }' \
    "$recorded" <(source_hashes) | LC_ALL=C sort | paste -sd ' ' -)
  if [[ -n $changed ]]; then
    echo "pictures: docs/images is stale, the window's sources changed ($changed): run scripts/pictures.sh" >&2
    exit 1
  fi
  echo "pictures: docs/images is up to date with the window's sources"
  exit 0
fi

out=docs/images
if [[ ${1:-} == --out && -n ${2:-} ]]; then
  out=$2
elif (($#)); then
  echo "$usage" >&2
  exit 2
fi

not_run() {
  echo "pictures: not run: $*"
  exit 77
}
for tool in Xvfb xdotool import convert wine; do
  command -v "$tool" >/dev/null || not_run "$tool is missing (scripts/setup.sh, scripts/setup-windows.sh)"
done
[[ -f build/default/CMakeCache.txt ]] || not_run "build/default is not configured (cmake --preset default)"
[[ -f build/windows64/CMakeCache.txt ]] || not_run "build/windows64 is not configured (cmake --preset windows64)"
prefix=$root/build/windows64/wineprefix-pictures
# One run at a time per tree: they would build at once and share the Wine prefix and its COM1.
exec 9>"$prefix.lock"
flock 9
# Pictures of the sources that are recorded, not of older programs; scripts/package.sh may build
# in the same trees beside us.
build() { flock "build/$1/.build.lock" nice -n 10 cmake --build "build/$1" --target "${@:2}" >/dev/null; }
build default quon quon-calc nullmodem || { echo "pictures: build/default does not build" >&2; exit 1; }
build windows64 quon window-driver || { echo "pictures: build/windows64 does not build" >&2; exit 1; }

quon_qt=$root/build/default/app/quon
calc=$root/build/default/tools/quon_calc/quon-calc
nullmodem=$root/build/default/tools/nullmodem/nullmodem
quon_exe=$root/build/windows64/app/quon.exe
driver=$root/build/windows64/app/win32/tests/window-driver.exe
wine_run=$root/scripts/wine-run.sh
# Control ids, from the resource headers.
resource_id() { sed -n "s/.* $2 = \([0-9]*\);/\1/p" "$1"; }
talk_to_calc=$(resource_id app/resources.h IDC_TALK_TO_CALC)
progress_bar=$(resource_id server/server_resources.h IDC_PROGRESS)
export QUON_WINE_ARCH=win64

mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d /tmp/quon-pictures-XXXXXX)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  if [[ -d $prefix-x11 ]]; then WINEPREFIX=$prefix-x11 wineserver -k 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "pictures: $*" >&2
  exit 1
}

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
wait_until 30 "Xvfb" test -s "$work/display" || exit 1
DISPLAY=:$(<"$work/display")
export DISPLAY

# 30000 bytes take 16 s at 1920 a second: the picture is taken at block 12, two fifths in.
served=$work/calculator
mkdir "$served"
head -c 30000 /dev/urandom >"$served/orvo2.obj"
size=30000
shot_at_block=12

line_pid=
start_line() {
  if [[ -n $line_pid ]]; then
    kill "$line_pid"
    wait "$line_pid" || true
  fi
  rm -f "$work/line-ready"
  "$nullmodem" --baud 19200 --link-a "$1" --link-b "$work/calc" --ready-file "$work/line-ready" \
    >/dev/null 2>>"$work/line.log" &
  line_pid=$!
  pids+=("$line_pid")
  wait_until 30 "the null-modem" test -e "$work/line-ready" || exit 1
}

get() {
  "$calc" --baud 19200 get "$work/calc" orvo2.obj --expect "$served/orvo2.obj" --verbose \
    >"$work/get.log" 2>&1 &
  get_pid=$!
  pids+=("$get_pid")
}

# A picture in the middle of the get: the calculator must still be receiving once it is taken.
still_getting() {
  kill -0 "$get_pid" 2>/dev/null || fail "the get ended before the $1 picture was taken: $(tail -1 "$work/get.log")"
}

# A palette PNG of a few kilobytes; convert takes the arguments after the two names first.
small_png() {
  convert "$1" "${@:3}" -strip PNG8:"$2"
  if command -v optipng >/dev/null; then optipng -quiet -o5 "$2"; fi
  echo "pictures: $(basename "$2"): $(stat -c %s "$2") bytes"
}

# The desktop program. Without a window manager its windows have no frames and keep the places
# Qt gives them; "Talk to Calc" is at dialog units (7, 34), 51 x 14, at base units 6 x 13.
cd "$served"
printf '[serial]\ndevice1=%s\nbaud=19200\n' "$work/line-pc" >quon.ini
start_line "$work/line-pc"
QT_QPA_PLATFORM=xcb "$quon_qt" >"$work/quon.log" 2>&1 &
qt_pid=$!
pids+=("$qt_pid")
main=$(timeout 30 xdotool search --sync --name '^Quon$' | head -1) || fail "the main window did not open"
xdotool mousemove --window "$main" 48 66 click 1
server=$(timeout 30 xdotool search --sync --name '^Orvo Server Status$' | head -1) ||
  fail "the server window did not open"
timeout 30 "$calc" --baud 19200 download-mode "$work/calc" >/dev/null || fail "no download-mode sequence"
get
wait_until 120 "block $shot_at_block on Qt" grep -q "block $shot_at_block: " "$work/get.log" || exit 1
import -window "$server" "$work/qt.png"
still_getting Qt
# Frameless, it needs an edge of its own on a light page.
small_png "$work/qt.png" "$work/server-window-qt.png" -bordercolor '#a0a0a0' -border 1
wait "$get_pid" || fail "the get on Qt failed: $(tail -1 "$work/get.log")"
kill "$qt_pid"
wait "$qt_pid" || true

# The same under Wine, whose window-driver reads the progress bar back from the window.
export QUON_WINE_DISPLAY=x11
run() { "$wine_run" "$prefix" "$@"; }
# Made first: making the prefix clears its folder, links to the ports included.
run --prepare
start_line "$prefix-x11/ports/com1"
printf '[serial]\nport=COMM 1\nbaud=19200\n' >quon.ini
run "$quon_exe" >"$work/quon-exe.log" 2>&1 &
pids+=($!)
run "$driver" wait Quon 60 >/dev/null || fail "quon.exe showed no main window"
run "$driver" click Quon "$talk_to_calc"
timeout 30 "$calc" --baud 19200 download-mode "$work/calc" >/dev/null ||
  fail "no download-mode sequence from quon.exe"
rect=$(run "$driver" wait "Orvo Server Status" 60 | tr -d '\r') || fail "quon.exe showed no server window"
get
bar_part_way() {
  local position maximum
  read -r position maximum <<<"$(run "$driver" progress "Orvo Server Status" "$progress_bar" | tr -d '\r')"
  ((maximum == size && position >= shot_at_block * 1024 && position < maximum))
}
wait_until 120 "quon.exe's bar past block $shot_at_block" bar_part_way || exit 1
import -display "$DISPLAY" -window root "$work/root.png"
still_getting Wine
read -r x y w h <<<"$rect"
convert "$work/root.png" -crop "${w}x${h}+${x}+${y}" +repage "$work/wine.png"
small_png "$work/wine.png" "$work/server-window-wine.png"
wait "$get_pid" || fail "the get under Wine failed: $(tail -1 "$work/get.log")"

mv "$work"/server-window-*.png "$out"
cd "$root"
source_hashes >"$out/pictures.sha256"
echo "pictures: made in $out"
