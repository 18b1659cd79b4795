#!/usr/bin/env bash
# Creates and ends the Wine prefix of one test run.
#   wine-prefix.sh start PREFIX   fresh prefix with the test drives, persistent wineserver
#   wine-prefix.sh stop PREFIX    ends the prefix's wineserver
# Drives made for the tests (links in dosdevices, types in HKLM\Software\Wine\Drives):
#   A: floppy, D: CD-ROM, N: network; each points at a folder under PREFIX/../media.
set -euo pipefail
cmd=$1
prefix=$(realpath -m "$2")
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver

case "$cmd" in
start)
  # A prefix left over by an interrupted run is thrown away.
  "$server" -k >/dev/null 2>&1 || true
  media="$(dirname "$prefix")/media"
  # Tests make files read-only for everyone with chattr +i; one that ended
  # early may have left such a file behind.
  for d in "$prefix/drive_c" "$media"; do
    [ -d "$d" ] && chattr -R -i "$d" >/dev/null 2>&1 || true
  done
  rm -rf "$prefix"
  rm -rf "$media"
  mkdir -p "$prefix" "$media"/{floppy,cdrom,network}
  # Start the server first with closed stdio: a server that inherited a pipe
  # would keep the pipe open and the reader (CTest) would wait forever.
  "$server" -p </dev/null >/dev/null 2>&1
  "$wine" wineboot -i </dev/null >"$prefix.boot.log" 2>&1
  # The server is persistent, so it never ends by itself: end it (it saves
  # the registry) and wait until it has gone.
  "$server" -k || true
  "$server" -w || true
  # For the tests, a volume whose first bytes cannot be read (as on a damaged
  # disk): reading a process's own memory file at offset 0 fails.
  mkdir -p "$media/unreadable/Disk 2"
  ln -sfn /proc/self/mem "$media/unreadable/Disk 2/user.001"
  ln -sfn "$media/floppy"  "$prefix/dosdevices/a:"
  ln -sfn "$media/cdrom"   "$prefix/dosdevices/d:"
  ln -sfn "$media/network" "$prefix/dosdevices/n:"
  "$server" -p </dev/null >/dev/null 2>&1
  for d in a:floppy d:cdrom n:network; do
    "$wine" reg add 'HKLM\Software\Wine\Drives' /v "${d%%:*}:" /t REG_SZ /d "${d#*:}" /f </dev/null >>"$prefix.boot.log" 2>&1
  done
  # Every Windows has the key of the shared-library counts; a fresh Wine
  # prefix does not.
  "$wine" reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs' /f </dev/null >>"$prefix.boot.log" 2>&1
  # Windows not managed by an X window manager: Xvfb has none, and hiding a
  # managed window waits two seconds for one (every dialog that closes).
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >>"$prefix.boot.log" 2>&1
  # No debugger for a program that crashes: Wine's could wait at its crash
  # dialog until the test's time-out. Without a configured one Wine still
  # starts its own, so that one is told to show no dialog: the program ends
  # at once with its exception code.
  for key in 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
             'HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug'; do
    "$wine" reg delete "$key" /v Debugger /f </dev/null >>"$prefix.boot.log" 2>&1 || true
  done
  "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >>"$prefix.boot.log" 2>&1
  # The drive types are read when the server starts.
  "$server" -k
  "$server" -w || true
  "$server" -p </dev/null >/dev/null 2>&1
  # Start the prefix's services (services.exe, rpcss, ...) now, away from any
  # pipe: started by the first test program, they would inherit its output
  # pipe and CTest would wait for them until the time-out.
  "$wine" wineboot </dev/null >>"$prefix.boot.log" 2>&1 || true
  ;;
stop)
  "$server" -k >/dev/null 2>&1 || true
  ;;
*)
  echo "usage: $0 start|stop PREFIX" >&2
  exit 2
  ;;
esac
