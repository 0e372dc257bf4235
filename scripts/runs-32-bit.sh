#!/usr/bin/env bash
# Whether this machine runs 32-bit x86 programs, found by starting one: Wine's 32-bit loader,
# which the 32-bit Windows build's tests need. Some kernels refuse such programs outright.
# Exits 0 when it runs; otherwise exits 1 and prints why, in a few words, on standard output.
# QUON_NO_32BIT=1 answers as a machine without them would, so that both paths can be tried here.
set -uo pipefail

loader=/usr/lib/wine/wine
if [[ -n ${QUON_NO_32BIT:-} ]]; then
  echo "QUON_NO_32BIT is set"
  exit 1
fi
if [[ ! -x $loader ]]; then
  echo "Wine's 32-bit loader is not installed (wine32:i386)"
  exit 1
fi
if ! error=$("$loader" --version 2>&1 >/dev/null); then
  if [[ $error == *"Exec format error"* ]]; then
    echo "this kernel refuses 32-bit programs"
  else
    echo "Wine's 32-bit loader does not start: ${error%%$'\n'*}"
  fi
  exit 1
fi
