#!/usr/bin/env bash
# Runs a program of the x86_64 Windows build under wine64 inside the test prefix
# of the current build (never the user's own ~/.wine). Used by CTest as the
# cross-compiling emulator and by the demo.
set -u
: "${KALVORIN_WINEPREFIX:?KALVORIN_WINEPREFIX must name the test prefix}"
export WINEPREFIX="$KALVORIN_WINEPREFIX"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Run as a German user unless a test asks for another language.
export LANG="${KALVORIN_LANG:-de_DE.UTF-8}"
exec /usr/lib/wine/wine64 "$@"
