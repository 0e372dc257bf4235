#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of our own, making the prefix on first use.
# usage: wine-run.sh PREFIX PROGRAM [ARGS...]    (the program's exit status is passed on)
#        wine-run.sh PREFIX --prepare           (only make the prefix)
#
# QUON_WINE_ARCH (win32 or win64) chooses the architecture of a prefix when it is made: win32
# runs under Wine's 32-bit loader, win64 under wine64, which also works on a kernel that refuses
# 32-bit programs. A prefix remembers its architecture, and so does the variant for the X server
# below, so later calls need not say it again; without either, win32. The prefix is quiet and
# headless: windows go to Wine's null display driver unless
# QUON_WINE_DISPLAY=x11 picks the X server in DISPLAY, with an 800x600 virtual desktop (then a
# second prefix beside the first is used, since the driver is fixed per prefix). COM1 ... COM9 are mapped to links in PREFIX/ports
# that test scripts point at pseudo-terminals. Wine would also give every serial device it finds
# a COM number of its own (COM10 for /dev/ttyS0, on these machines the system console): Wine runs
# in a mount namespace of its own in which those devices are /dev/null, so that no COM port of
# the prefix can reach a real serial device. QUON_32BIT_STANDIN stands in for Wine's 32-bit
# loader, as in scripts/runs-32-bit.sh.
set -euo pipefail

prefix=$1
shift
arch=${QUON_WINE_ARCH:-}
[[ -z $arch && -f $prefix/.quon-ready ]] && arch=$(<"$prefix/.quon-ready")
arch=${arch:-win32}
case $arch in
  win32) loader=${QUON_32BIT_STANDIN:-/usr/lib/wine/wine} ;;
  win64) loader=/usr/lib/wine/wine64 ;;
  *)
    echo "wine-run: QUON_WINE_ARCH must be win32 or win64, not $arch" >&2
    exit 2
    ;;
esac
if [[ ${QUON_WINE_DISPLAY:-null} == x11 ]]; then
  prefix=$prefix-x11
else
  unset DISPLAY
fi

export WINEPREFIX=$prefix
export WINEARCH=$arch
export WINELOADER=$loader
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

# Runs a command where this machine's serial devices are /dev/null (a user namespace stands in
# for root's rights where we have none). Wine's server starts from the first Wine process that
# needs it, so every Wine process starts so.
confined=(unshare --mount --propagation private)
((EUID == 0)) || confined+=(--map-root-user)
confined+=(-- bash -c '
  for device in /dev/ttyS* /dev/ttyUSB* /dev/ttyACM*; do
    [[ -c $device ]] && mount --bind /dev/null "$device"
  done
  exec "$@"' confined)

# A new prefix takes Wine half a minute, and a build needs several (the tests', the GUI test's,
# the installer check's): each is a copy of one fresh prefix of its architecture, made once
# beside them.
pristine=$(dirname "$prefix")/wine-pristine-$arch
make_pristine() {
  [[ -f $pristine/.quon-pristine ]] && return
  exec 8>"$pristine.lock"
  flock 8
  if [[ ! -f $pristine/.quon-pristine ]]; then
    rm -rf "$pristine"
    (
      export WINEPREFIX=$pristine
      unset DISPLAY
      "${confined[@]}" "$loader" wineboot -i
      wineserver -w
    ) >"$pristine.log" 2>&1
    touch "$pristine/.quon-pristine"
  fi
  flock -u 8
  exec 8>&-
}

make_prefix() {
  local display_driver=$1
  # A half-made prefix is made again; anything else in the way is not ours to delete.
  if [[ -d $WINEPREFIX && -n $(ls -A "$WINEPREFIX") && ! -f $WINEPREFIX/system.reg &&
    ! -d $WINEPREFIX/ports ]]; then
    echo "wine-run: $WINEPREFIX is not a Wine prefix; give an empty or new folder" >&2
    exit 2
  fi
  rm -rf "$WINEPREFIX"
  make_pristine
  cp -a "$pristine" "$WINEPREFIX"
  mkdir -p "$WINEPREFIX/ports"
  local reg=$WINEPREFIX/quon.reg
  {
    echo 'REGEDIT4'
    echo
    echo '[HKEY_LOCAL_MACHINE\Software\Wine\Ports]'
    for n in 1 2 3 4 5 6 7 8 9; do
      echo "\"COM$n\"=\"$(sed 's/\\/\\\\/g' <<<"$WINEPREFIX/ports/com$n")\""
    done
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\Drivers]'
    echo "\"Graphics\"=\"$display_driver\""
    if [[ $display_driver == x11 ]]; then
      # One virtual desktop, in which Wine draws the windows' frames as Windows does.
      echo
      echo '[HKEY_CURRENT_USER\Software\Wine\Explorer]'
      echo '"Desktop"="Default"'
      echo '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]'
      echo '"Default"="800x600"'
      # Wine's own symbol font for the caption buttons, which fontconfig does not list.
      if [[ -f /usr/share/wine/fonts/marlett.ttf ]]; then
        echo
        echo '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Fonts]'
        echo '"Marlett (TrueType)"="Z:\\usr\\share\\wine\\fonts\\marlett.ttf"'
      fi
    fi
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\WineDbg]'
    echo '"ShowCrashDialog"=dword:00000000'
  } >"$reg"
  "${confined[@]}" "$loader" regedit /S "$("${confined[@]}" "$loader" winepath -w "$reg")" >"$WINEPREFIX.log" 2>&1
  # Stop the session so that the next start maps the ports from the registry.
  wineserver -k || true
  wineserver -w
  echo "$arch" >"$WINEPREFIX/.quon-ready"
}

if [[ ! -f $WINEPREFIX/.quon-ready ]]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [[ ! -f $WINEPREFIX/.quon-ready ]]; then
    if [[ ${QUON_WINE_DISPLAY:-null} == x11 ]]; then make_prefix x11; else make_prefix null; fi
  fi
  flock -u 9
  exec 9>&-
fi

[[ $1 == --prepare ]] && exit 0

# Keep one session alive between the many short test programs, and start it detached from our
# output: Wine's own processes would otherwise hold a caller's pipes open until they exit.
if "${confined[@]}" wineserver -p15 </dev/null >/dev/null 2>&1; then
  "${confined[@]}" "$loader" cmd /c exit </dev/null >/dev/null 2>&1
fi
exec "${confined[@]}" "$loader" "$@"
