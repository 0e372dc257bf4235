# Installs Debian packages for the set-up scripts, which source this file.
#
#   install_packages NAME NEEDED... [-- WANTED...]
#
# Does nothing but look when all are installed. Otherwise it refreshes the package lists once and
# installs what is missing; an index that cannot be fetched (a mirror in the middle of a sync) is
# named and passed over, since the packages usually still come from the rest. A needed package
# that cannot be installed ends the set-up; a wanted one is left out, and
# `not_installed[PACKAGE]` holds why. One line (prefixed with NAME) says what was installed. Run
# by another user than root it installs nothing: one line names what is missing, and a missing
# needed package ends the set-up.

declare -A not_installed=()

install_packages() {
  local name=$1
  shift
  local -a needed=() wanted=()
  local p kind=needed
  for p in "$@"; do
    if [[ $p == -- ]]; then
      kind=wanted
    elif ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      if [[ $kind == needed ]]; then needed+=("$p"); else wanted+=("$p"); fi
    fi
  done
  if ((${#needed[@]} + ${#wanted[@]} == 0)); then
    return 0
  fi
  if ((EUID != 0)); then
    for p in "${wanted[@]}"; do not_installed[$p]="only root installs packages"; done
    if ((${#needed[@]})); then
      echo "$name: missing ${needed[*]}${wanted[*]:+ (wanted: ${wanted[*]})}; only root installs packages: run it as root" >&2
      return 1
    fi
    echo "$name: left out ${wanted[*]}: only root installs packages"
    return 0
  fi

  export DEBIAN_FRONTEND=noninteractive
  local log
  log=$(mktemp /tmp/quon-setup-XXXXXX.log)
  if ! apt-get update -qq >"$log" 2>&1; then
    local failed
    failed=$(grep -oE 'Failed to fetch [^ ]+' "$log" | sed 's/^Failed to fetch //' | sort -u | paste -sd ' ')
    echo "$name: apt-get update could not fetch ${failed:-all indexes}; going on with the rest"
  fi

  local -a installed=() notes=()
  if ((${#needed[@]})); then
    if ! apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=300 "${needed[@]}" >"$log" 2>&1; then
      tail -n 20 "$log" >&2
      echo "$name: could not install ${needed[*]} (full log: $log)" >&2
      return 1
    fi
    installed+=("${needed[@]}")
  fi
  for p in "${wanted[@]}"; do
    if apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=300 "$p" >"$log" 2>&1; then
      installed+=("$p")
    else
      not_installed[$p]=$(grep '^E: ' "$log" | tail -n 1 | sed 's/^E: //; s/\.$//')
      notes+=("$p could not be installed (${not_installed[$p]})")
    fi
  done
  rm -f "$log"
  local summary="installed ${installed[*]:-nothing}"
  ((${#notes[@]})) && summary+="; $(IFS=';'; echo "${notes[*]}")"
  echo "$name: $summary"
}
