#!/usr/bin/env bash
# Installs, only when missing, the Debian packages the three builds and the tests need
# (with the argument bench, also those of make bench).
# Safe to run again: packages already present are left alone.
set -euo pipefail

PACKAGES=(
  cmake ninja-build make g++ clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-i686-dev mingw-w64-x86-64-dev
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  wine64 xvfb xauth x11-utils imagemagick file locales
  googletest zlib1g-dev libtomlplusplus-dev libcli11-dev
)
# `bootstrap.sh bench`: also what make bench compares with and measures by.
if [ "${1:-}" = "bench" ]; then
  PACKAGES+=(zip unzip libbenchmark-dev time valgrind nsis wixl gnuplot-nox)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# Wine takes the user's language from LANG only when the host has that
# locale: the tests run as German (and some as French or English) users.
ensure_locales() {
  local loc
  for loc in de_DE fr_FR en_US; do
    if ! locale -a 2>/dev/null | grep -qi "^${loc}\.utf-\?8$"; then
      echo "bootstrap: generating locale ${loc}.UTF-8"
      ${SUDO:-} localedef -i "$loc" -f UTF-8 "${loc}.UTF-8"
    fi
  done
}
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi

if [ ${#missing[@]} -eq 0 ]; then
  ensure_locales
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
ensure_locales
