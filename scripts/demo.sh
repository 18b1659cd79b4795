#!/usr/bin/env bash
# make demo: packs the sample screensaver with spdpack, installs it with
# setup.exe under Wine in a fresh prefix, runs it, removes it again through
# its Uninstall entry and saves a screenshot at each step.
#
#   scripts/demo.sh BUILD
#
# Uses the builds in BUILD: host/spdpack/spdpack, x86_64/setup/setup.exe,
# x86_64/sample/kalvorin_sample.scr, x86_64/uninstaller/UnScr.exe and the driver
# x86_64/tests/e2e/e2e_demo_driver.exe. Writes BUILD/demo:
#   stage/        the manifest sample/sample.toml with the files it names
#   disk/         the packed setup (setup.exe, user.spd, _setup.spd, ...)
#   prefix/       the Wine prefix; the disk is inserted as CD-ROM D:
#   screenshots/  NN-step.png, one per step
#   driver.log    what the driver did
# With DISPLAY set the windows appear on that display; otherwise the demo
# runs on its own Xvfb. The exit code is 0 only when the installation and
# the removal both ended well and nothing unexpected is left.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-build}")
demo="$build/demo"
prefix="$demo/prefix"

# The part that needs an X display: re-entered under xvfb-run when none is set.
if [ "${2:-}" != "--on-display" ]; then
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$0" "$build" --on-display --managed
  fi
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" --on-display
fi
managed="${3:-}"

setup="$build/x86_64/setup/setup.exe"
sample="$build/x86_64/sample/kalvorin_sample.scr"
driver="$build/x86_64/tests/e2e/e2e_demo_driver.exe"
spdpack="$build/host/spdpack/spdpack"

say() { printf 'demo: %s\n' "$*"; }

desk="$build/x86_64/fixtures/desk.cpl"

for f in "$setup" "$driver" "$spdpack" "$sample" "$desk"; do
  if [ ! -f "$f" ]; then
    say "missing $f: build first (make BUILD=${1:-build} build)"
    exit 1
  fi
done

rm -rf "$demo/stage" "$demo/disk" "$demo/screenshots" "$demo/driver.log"
mkdir -p "$demo/stage" "$demo/disk" "$demo/screenshots"

# 1. The setup data: the sample and the project's uninstaller UnScr.exe
# (packed into _setup.spd), packed by spdpack.
uninstaller="$build/x86_64/uninstaller/UnScr.exe"
if [ ! -f "$uninstaller" ]; then
  say "missing $uninstaller: build first (make BUILD=${1:-build} build)"
  exit 1
fi
cp "$root/sample/sample.toml" "$root/sample/Liesmich.txt" "$demo/stage/"
cp "$sample" "$demo/stage/Kalvorin.scr"
cp "$setup" "$demo/stage/setup.exe"
cp "$uninstaller" "$demo/stage/UnScr.exe"
say "packing the sample: $spdpack build sample.toml -o $demo/disk"
(cd "$demo/stage" && "$spdpack" build sample.toml -o "$demo/disk")
"$spdpack" inspect "$demo/disk" >"$demo/inspect.txt" || { say "spdpack inspect found a fault:"; cat "$demo/inspect.txt"; exit 1; }

# 2. A fresh prefix with the test drives; the disk becomes CD-ROM D:.
export KALVORIN_WINEPREFIX="$prefix"
stop_wine() { "$root/scripts/wine-prefix.sh" stop "$prefix" || true; }
trap stop_wine EXIT
say "creating the Wine prefix $prefix"
"$root/scripts/wine-prefix.sh" start "$prefix" >"$demo/prefix.log" 2>&1
media="$demo/media/cdrom"
cp -r "$demo/disk/." "$media/"
# Read-only files, as on a real CD (Wine reports them FILE_ATTRIBUTE_READONLY).
find "$media" -type f -exec chmod a-w {} +

# 3. Installation, screensaver and removal, driven step by step. Wine has no
# display control panel: a small stand-in makes the installed screensaver the
# active one, as Windows' desk.cpl does. Wine's output goes to files: its
# background processes would keep a pipe open.
say "running D:\\setup.exe (screenshots in $demo/screenshots)"
status=0
"$root/scripts/wine-run.sh" "$driver" 'D:\setup.exe' "$demo/screenshots" ${managed:+"$managed"} \
  --desk "$desk" </dev/null >"$demo/driver.log" 2>&1 || status=$?
tr -d '\r' <"$demo/driver.log" | iconv -f WINDOWS-1252 -t UTF-8
count=$(find "$demo/screenshots" -name '*.png' | wc -l)
if [ "$status" -ne 0 ]; then
  say "FAILED: the installation or the removal did not end cleanly (driver exit code $status)"
  say "$count screenshots in $demo/screenshots, the driver's log in $demo/driver.log"
  exit 1
fi
say "installed, shown and removed again: $count screenshots in $demo/screenshots"
