#!/usr/bin/env bash
# A Windows installer under Wine, in a prefix of its own of the installer's architecture
# (QUON_WINE_ARCH, as for wine-run.sh): the silent install puts the programs into Program Files
# with a Start-menu entry, an uninstall entry and "Serve with Quon" on folders in Explorer; the
# installed programs answer --version with the installer's build, and quon.exe, started as that
# entry starts it, serves the folder and writes "quon.ini" there; the silent uninstall then
# removes all that the installer put in place. Given the other build's installer too, that one
# must refuse to install while this one is installed.
# usage: check-windows-installer.sh INSTALLER.exe PREFIX [OTHER_INSTALLER.exe]
set -euo pipefail

installer=$(realpath "$1")
prefix=$(realpath -m "$2")
other=${3:+$(realpath "$3")}
wine_run=$(dirname "$(realpath "$0")")/wine-run.sh
. "$(dirname "$(realpath "$0")")/wait-until.sh"
work=$(mktemp -d /tmp/quon-check-installer-XXXXXX)
# Wine would otherwise copy the Start-menu entry into this machine's desktop menu.
export WINEDLLOVERRIDES=winemenubuilder.exe=d

program_dir=$prefix/drive_c/Program\ Files/Quon
menu_entry=$prefix/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Quon.lnk
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quon'
folder_verb='HKLM\Software\Classes\Directory\shell\Quon'
background_verb='HKLM\Software\Classes\Directory\Background\shell\Quon'

run() { "$wine_run" "$prefix" "$@"; }
fail() {
  echo "check-windows-installer: $*" >&2
  exit 1
}
cleanup() {
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

run --prepare
[[ ! -e $program_dir ]] || fail "$program_dir is there before the install"

run "$installer" /S || fail "the installer failed"
for file in quon.exe quon-xfer.exe quon-help.html README.txt LICENSE.txt uninstall.exe; do
  [[ -f $program_dir/$file ]] || fail "not installed: $file"
done
[[ -f $menu_entry ]] || fail "no Start-menu entry"
run reg query "$uninstall_key" /v UninstallString >/dev/null 2>&1 || fail "no uninstall entry"

bits=${QUON_WINE_ARCH:-win32}
bits=${bits#win}
for program in quon quon-xfer; do
  answer=$(run "C:\\Program Files\\Quon\\$program.exe" --version | tr -d '\r')
  [[ $answer == "$program "*" ($bits-bit Windows)" ]] ||
    fail "the installed $program.exe answers --version with: $answer"
done

if [[ -n $other ]]; then
  if run "$other" /S; then fail "$(basename "$other") installed beside $(basename "$installer")"; fi
  if run reg query "$uninstall_key" /v DisplayName /reg:$((96 - bits)) >/dev/null 2>&1; then
    fail "$(basename "$other") left an uninstall entry"
  fi
fi

# Explorer runs the entry's command with the folder in place of %1 or %V.
for verb in "$folder_verb" "$background_verb"; do
  run reg query "$verb" /ve 2>/dev/null | grep -q 'Serve with Quon' ||
    fail "no \"Serve with Quon\" at $verb"
  run reg query "$verb\command" /ve 2>/dev/null | tr -d '\r' |
    grep -qE '"C:\\Program Files\\Quon\\quon\.exe" "%(1|V)"$' || fail "$verb runs something else"
done
served="$work/calc files"
mkdir "$served"
cd "$work"
run 'C:\Program Files\Quon\quon.exe' "Z:${served//\//\\}" \
  >"$work/quon.log" 2>&1 &
# Looked at once a round only: the file is replaced whole and may be missing for a moment.
wait_until 120 "quon.ini from the installed quon.exe in the folder it was given" \
  grep -qs 'port=COMM 1' "$served/quon.ini" || fail "$(cat "$work/quon.log")"
[[ ! -e $work/quon.ini ]] || fail "the installed quon.exe wrote quon.ini where it was started"
run taskkill /f /im quon.exe >/dev/null 2>&1
wait
cd /

run 'C:\Program Files\Quon\uninstall.exe' /S || fail "the uninstaller failed"
# The uninstaller carries on from a copy of itself in the temporary folder.
gone() { [[ ! -e $1 ]]; }
wait_until 120 "the uninstaller's end" gone "$program_dir" ||
  fail "left behind in Program Files: $(ls "$program_dir")"
[[ ! -e $menu_entry ]] || fail "left behind: the Start-menu entry"
if run reg query "$uninstall_key" >/dev/null 2>&1; then fail "left behind: the uninstall entry"; fi
for verb in "$folder_verb" "$background_verb"; do
  if run reg query "$verb" >/dev/null 2>&1; then fail "left behind: $verb"; fi
done
echo "check-windows-installer: $(basename "$installer") installs, runs and uninstalls cleanly"
