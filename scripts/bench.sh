#!/usr/bin/env bash
# make bench: packs a generated payload with spdpack and installs it with the
# real setup.exe under Wine, against the same files packed and installed by
# an NSIS installer (makensis; the installer with /S), a Windows Installer
# package (wixl; msiexec /qn) and a zip archive (zip; unzip), and prints the
# table of what was measured and draws the times.
#
#   scripts/bench.sh BUILD
#
# Uses BUILD/host (spdpack, bench_payload, bench_decode) and BUILD/x86_64
# (setup.exe, e2e_bench_driver.exe). Everything it writes goes below
# BUILD/bench:
#   payload/       the payload: 256 MiB in 2,000 files (fixed seed)
#   bench.toml     the manifest; stage/ setup.exe and the uninstaller it packs
#   disk/          spdpack's output (three volumes), the CD-ROM D: of the prefix
#   KalvorinNsis.exe  makensis's output (bench/peers/Kalvorin.nsi)
#   payload.wxs    wixl-heat's component list of the payload; Kalvorin.msi
#                  wixl's output (bench/peers/Kalvorin.wxs)
#   payload.zip    zip's output; unzipped/ what unzip made of it
#   prefix/        the Wine prefix (prefix.clean: a copy restored before each install)
#   runs.txt       every single measurement; results.md the table
#   times.svg      the chart of the install and pack times (gnuplot)
# BENCH_RUNS (default 5) sets the runs of each timed command; the table shows
# medians. The three installers take turns within each run, so that a
# neighbour that slows the machine for a while slows all of them. The
# machine's load is shown with the table: other work running at the same
# time slows every wall-clock time.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-build}")
bench="$build/bench"

# Wine needs an X display for the setup program: a private Xvfb.
if [ "${2:-}" != "--on-display" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" --on-display
fi

runs=${BENCH_RUNS:-5}
bench_started=$(date +%s)
cores=$(nproc)
spdpack="$build/host/spdpack/spdpack"
setup="$build/x86_64/setup/setup.exe"
driver="$build/x86_64/tests/e2e/e2e_bench_driver.exe"
uninstaller="$build/x86_64/uninstaller/UnScr.exe"
prefix="$bench/prefix"
say() { printf 'bench: %s\n' "$*" >&2; }

cmake --build "$build/host" --target spdpack bench_payload bench_decode >/dev/null
for f in "$setup" "$driver" "$uninstaller" "$spdpack"; do
  [ -f "$f" ] || { say "missing $f: build first (make BUILD=${1:-build} host x86_64)"; exit 1; }
done
for tool in makensis wixl wixl-heat zip unzip gnuplot; do
  command -v "$tool" >/dev/null || { say "missing $tool: run scripts/bootstrap.sh bench"; exit 1; }
done
mkdir -p "$bench"
: >"$bench/runs.txt"

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
load() { cut -d' ' -f1-3 /proc/loadavg; }
# Runs a command as a whole process: "elapsed_s cpu_s max_rss_kib" into the file $1.
timed() {
  local out=$1
  shift
  /usr/bin/time -o "$out.t" -f '%e %U %S %M' "$@" >"$out.log" 2>&1 || { cat "$out.log" >&2; return 1; }
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$out.t" >"$out"
}

# 1. The payload and the manifest.
say "generating the payload"
rm -rf "$bench/payload" "$bench/stage"
"$build/host/bench/bench_payload" "$bench/payload" >"$bench/payload.txt"
mkdir -p "$bench/stage"
cp "$setup" "$bench/stage/setup.exe"
cp "$uninstaller" "$bench/stage/UnScr.exe"  # packed into _setup.spd
manifest() {
  cat <<EOF
display_name      = "Kalvorin"
default_subfolder = "Kalvorin"
setup_id          = "{6B2D3E10-5A7C-4B1E-9F30-2C4D5E6F7081}"
compression_level = 6
uninstaller       = "stage/UnScr.exe"
setup_program     = "stage/setup.exe"
$1
[[files]]
source    = "payload"
base      = "Destination"
recursive = true
EOF
}

# 2. Three volumes: a first build tells the length of the setup data.
manifest "" >"$bench/bench.toml"
rm -rf "$bench/probe"
"$spdpack" build "$bench/bench.toml" -o "$bench/probe" >"$bench/probe.log" 2>&1
length=$(sed -n 's/.* \([0-9]*\) bytes of setup data.*/\1/p' "$bench/probe.log")
disk1=$(( $(stat -c %s "$bench/probe/setup.exe") + $(stat -c %s "$bench/probe/_setup.spd") ))
volume=$(( disk1 + (length + 2) / 3 + 4096 ))
manifest "[volumes]
size   = $volume
layout = \"flat\"
" >"$bench/bench.toml"
rm -rf "$bench/probe"

# 3. Packing: spdpack, makensis, wixl and zip -6 -r in turn, the same files.
# wixl packs what a component list names; wixl-heat makes it once, as the
# manifest is written once for spdpack.
(cd "$bench" && find payload -type f | sort |
  wixl-heat --prefix payload/ --directory-ref INSTALLDIR --component-group Payload \
    --var var.PayloadDir --win64 >payload.wxs)
say "packing, $runs runs each of spdpack (-j $cores), makensis, wixl and zip -6 -r (load $(load))"
load_before=$(load)
for i in $(seq "$runs"); do
  rm -rf "$bench/disk"
  timed "$bench/spdpack.$i" "$spdpack" build "$bench/bench.toml" -o "$bench/disk" -j "$cores"
  rm -f "$bench/KalvorinNsis.exe"
  timed "$bench/makensis.$i" makensis -V2 -DPAYLOAD="$bench/payload" -DOUTFILE="$bench/KalvorinNsis.exe" \
    "$root/bench/peers/Kalvorin.nsi"
  rm -f "$bench/Kalvorin.msi"
  (cd "$bench" && timed "$bench/wixl.$i" wixl -a x64 -D PayloadDir=payload -D Win64=yes -o Kalvorin.msi \
    "$root/bench/peers/Kalvorin.wxs" payload.wxs)
  rm -f "$bench/payload.zip"
  (cd "$bench" && timed "$bench/zip.$i" zip -6 -r -q payload.zip payload)
  echo "spdpack $(cat "$bench/spdpack.$i") | makensis $(cat "$bench/makensis.$i") | wixl $(cat "$bench/wixl.$i")" \
    "| zip $(cat "$bench/zip.$i") | load $(load)" >>"$bench/runs.txt"
done
volumes=$(find "$bench/disk" -maxdepth 1 -name 'user.*' | wc -l)
data_bytes=$(find "$bench/disk" -maxdepth 1 -name 'user.*' -printf '%s\n' | awk '{ s += $1 } END { print s }')
zip_bytes=$(stat -c %s "$bench/payload.zip")
nsis_bytes=$(stat -c %s "$bench/KalvorinNsis.exe")
msi_bytes=$(stat -c %s "$bench/Kalvorin.msi")
"$spdpack" inspect "$bench/disk" >"$bench/inspect.txt"
# The largest file's expanded and stored sizes.
read -r largest_expanded largest_stored < <(awk '/Winterbilder\.pak/ { print $4, $5 }' "$bench/inspect.txt")

# 4. unzip of the same archive.
say "unzip, $runs runs"
for i in $(seq "$runs"); do
  rm -rf "$bench/unzipped"
  timed "$bench/unzip.$i" unzip -q "$bench/payload.zip" -d "$bench/unzipped"
  echo "unzip $(cat "$bench/unzip.$i") | load $(load)" >>"$bench/runs.txt"
done
rm -rf "$bench/unzipped"

# 5. Installing: setup.exe, the NSIS installer and the MSI package in turn,
# each from the CD-ROM D: of a fresh prefix: setup.exe driven from Install to
# its finish page, the NSIS installer with /S, msiexec /i with /qn. Each is
# started by the driver inside Wine and timed from its start to its end.
say "creating the Wine prefix"
export KALVORIN_WINEPREFIX="$prefix" WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
server=/usr/lib/wine/wineserver
stop_wine() { "$server" -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT
"$root/scripts/wine-prefix.sh" start "$prefix" >"$bench/prefix.log" 2>&1
cp "$bench/disk/"* "$bench/KalvorinNsis.exe" "$bench/Kalvorin.msi" "$bench/media/cdrom/"
"$server" -k
"$server" -w
rm -rf "$prefix.clean"
cp -a "$prefix" "$prefix.clean"
# A fresh copy of the prefix, its server and services started (as on a
# machine where Wine runs already): what is timed is the setup program.
fresh_prefix() {
  "$server" -k >/dev/null 2>&1 || true
  "$server" -w
  rm -rf "$prefix"
  cp -a "$prefix.clean" "$prefix"
  "$server" -p </dev/null >/dev/null 2>&1
  /usr/lib/wine/wine64 wineboot </dev/null >>"$bench/prefix.log" 2>&1 || true
}
install_run() {
  "$root/scripts/wine-run.sh" "$driver" 'D:\setup.exe' "$@" </dev/null 2>&1 | tr -d '\r' | iconv -f CP1252 -t UTF-8
}
# A program that installs without a window, waited for by the driver.
silent_run() {
  "$root/scripts/wine-run.sh" "$driver" --silent "$@" </dev/null 2>&1 | tr -d '\r' | iconv -f CP1252 -t UTF-8
}
target="$prefix/drive_c/Program Files/Kalvorin"
payload_files=$(find "$bench/payload" -type f | wc -l)
payload_bytes=$(find "$bench/payload" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
fail() {
  say "FAILED: $*"
  exit 1
}
# Every installation put every file of the payload below Program Files, at
# its length; the first of each installer, with the payload's bytes.
# (Unscr.log is setup.exe's uninstall log.)
check_installed() {
  local who=$1 i=$2 files bytes
  files=$(find "$target" -type f ! -name Unscr.log 2>/dev/null | wc -l)
  bytes=$(find "$target" -type f ! -name Unscr.log -printf '%s\n' 2>/dev/null | awk '{ s += $1 } END { print s + 0 }')
  [ "$files" = "$payload_files" ] && [ "$bytes" = "$payload_bytes" ] ||
    fail "$who, run $i: $files files of $bytes bytes in $target; the payload has $payload_files files of $payload_bytes bytes"
  if [ "$i" = 1 ]; then
    diff -rq --exclude=Unscr.log "$bench/payload" "$target" >"$bench/diff.$who.txt" ||
      { head "$bench/diff.$who.txt" >&2; fail "$who: the installed files differ from the payload"; }
  fi
}
say "installing, $runs runs of D:\\setup.exe, D:\\KalvorinNsis.exe /S and msiexec /i D:\\Kalvorin.msi /qn under Wine, in turn"
for i in $(seq "$runs"); do
  fresh_prefix
  install_run >"$bench/install.$i.log" || { cat "$bench/install.$i.log" >&2; fail "setup.exe, run $i"; }
  check_installed setup.exe "$i"
  echo "install $(awk '/^elapsed_ms/ { e = $2 } /^peak_working_set/ { p = $2 } /^peak_before_install/ { b = $2 } END { print e / 1000, p, b }' "$bench/install.$i.log") | load $(load)" >>"$bench/runs.txt"

  fresh_prefix
  silent_run 'D:\KalvorinNsis.exe' /S >"$bench/nsis.$i.log" ||
    { cat "$bench/nsis.$i.log" >&2; fail "the NSIS installer, run $i"; }
  check_installed nsis "$i"
  echo "nsis $(awk '/^elapsed_ms/ { e = $2 } /^left_running/ { l = $2 } END { print e / 1000, l }' "$bench/nsis.$i.log") | load $(load)" >>"$bench/runs.txt"

  fresh_prefix
  silent_run 'C:\windows\system32\msiexec.exe' /i 'D:\Kalvorin.msi' /qn >"$bench/msiexec.$i.log" ||
    { cat "$bench/msiexec.$i.log" >&2; fail "msiexec, run $i"; }
  check_installed msiexec "$i"
  echo "msiexec $(awk '/^elapsed_ms/ { e = $2 } /^left_running/ { l = $2 } END { print e / 1000, l }' "$bench/msiexec.$i.log") | load $(load)" >>"$bench/runs.txt"
done
# One more, watched: the status line and the memory over time.
fresh_prefix
install_run --phases >"$bench/install.phases.log" || true
stop_wine
load_after=$(load)

# 6. The block decode path against a bare uncompress() of the same blocks:
# CPU time per pass, and the instructions of one pass, which callgrind counts
# the same whatever else the machine does.
say "block decode benchmark"
"$build/host/bench/bench_decode" --benchmark_repetitions=$(( runs < 3 ? 3 : runs )) \
  --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null >"$bench/decode.csv"
decode_ms() { awk -F, -v n="\"$1_median\"" '$1 == n { print $4 }' "$bench/decode.csv"; }  # cpu_time
bare_ms=$(decode_ms BareUncompress)
ours_ms=$(decode_ms BlockDecode)
bare_ir=; ours_ir=
if command -v valgrind >/dev/null; then
  say "counting the instructions of one decode pass with callgrind"
  "$build/host/bench/bench_decode" --save "$bench/blocks.bin"
  # Valgrind reads no DWARF 5: a copy without debugging information.
  strip -g -o "$bench/bench_decode.nodebug" "$build/host/bench/bench_decode"
  instructions() {
    valgrind --tool=callgrind --callgrind-out-file="$bench/callgrind.$1" --toggle-collect='*Pass*' \
      "$bench/bench_decode.nodebug" --pass "$1" "$bench/blocks.bin" >/dev/null 2>&1
    sed -n 's/^totals: //p' "$bench/callgrind.$1"
  }
  bare_ir=$(instructions bare)
  ours_ir=$(instructions block)
fi

# 7. The table.
field() { awk -v k="$2" '{ print $k }' "$bench/$1"; }
med() { local what=$1 k=$2; for i in $(seq "$runs"); do field "$what.$i" "$k"; done | median; }
runs_med() { awk -v w="$1" -v k="$2" '$1 == w { print $k }' "$bench/runs.txt" | median; }
runs_max() { awk -v w="$1" -v k="$2" '$1 == w { print $k }' "$bench/runs.txt" | sort -g | tail -n 1; }
spd_s=$(med spdpack 1); spd_cpu=$(med spdpack 2)
nsis_pack_s=$(med makensis 1); nsis_pack_cpu=$(med makensis 2)
wixl_s=$(med wixl 1); wixl_cpu=$(med wixl 2)
zip_s=$(med zip 1); zip_cpu=$(med zip 2)
unzip_s=$(med unzip 1)
spd_peak_kib=$(for i in $(seq "$runs"); do field "spdpack.$i" 3; done | sort -g | tail -n 1)
inst_s=$(runs_med install 2)
inst_peak=$(runs_max install 3)
inst_base=$(runs_max install 4)
nsis_s=$(runs_med nsis 2)
msi_s=$(runs_med msiexec 2)
MiB=1048576
verdict() { awk "BEGIN { print ($1) ? \"met\" : \"not met\" }"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
mb() { awk -v b="$1" 'BEGIN { printf "%.1f MiB", b / 1048576 }'; }
secs() { awk -v s="$1" 'BEGIN { printf "%.2f s", s }'; }

nsis_ratio=$(ratio "$inst_s" "$nsis_s")
msi_ratio=$(ratio "$inst_s" "$msi_s")
install_ratio=$(ratio "$inst_s" "$unzip_s")
pack_ratio=$(ratio "$spd_s" "$zip_s")
size_ratio=$(ratio "$data_bytes" "$zip_bytes")
if [ -n "$ours_ir" ]; then
  decode_ratio=$(ratio "$bare_ir" "$ours_ir")
  decode_what="instructions per pass (callgrind), CPU time per pass"
  decode_ours="$ours_ir; ${ours_ms} ms"
  decode_bare="$bare_ir; ${bare_ms} ms"
  decode_time_ratio=" (time: $(ratio "$bare_ms" "$ours_ms"))"
else
  decode_ratio=$(ratio "$bare_ms" "$ours_ms")
  decode_what="CPU time per pass"
  decode_ours="${ours_ms} ms"
  decode_bare="${bare_ms} ms"
  decode_time_ratio=
fi
inst_limit=$(( largest_expanded + largest_stored + 16 * MiB ))
spd_limit_kib=$(( (64 + 8 * cores) * 1024 ))

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
mem=$(awk '/^MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)
nsis_version=$(makensis -VERSION)
wixl_version=$(wixl --version)
{
  echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $cpu, $cores cores, $mem RAM, Linux $(uname -r),"
  echo "$(. /etc/os-release && echo "$PRETTY_NAME"), $(/usr/lib/wine/wine64 --version 2>/dev/null), zlib $(dpkg-query -W -f='${Version}' zlib1g 2>/dev/null),"
  echo "NSIS ${nsis_version#v}, wixl $wixl_version, $(zip -v | sed -n 's/^This is \(Zip [0-9.]*\).*/\1/p'), $(unzip -v | sed -n '1s/^\(UnZip [0-9.]*\).*/\1/p'); load average $load_before before, $load_after after."
  echo "Payload: $(cat "$bench/payload.txt"); $volumes volumes of setup data. Medians of $runs runs."
  echo
  echo "| Measure | Kalvorin | Peer | Ratio | Goal | |"
  echo "|---|---|---|---|---|---|"
  echo "| Install time: setup.exe against the NSIS installer with /S (under Wine, from the program's start to its end) | $(secs "$inst_s") | $(secs "$nsis_s") | $nsis_ratio | ≤ 1.0 | $(verdict "$nsis_ratio <= 1.0") |"
  echo "| Install time: setup.exe against msiexec /i /qn of the MSI package | $(secs "$inst_s") | $(secs "$msi_s") | $msi_ratio | | |"
  echo "| Install time: setup.exe against unzip | $(secs "$inst_s") | $(secs "$unzip_s") | $install_ratio | | |"
  echo "| Pack time (wall; CPU): spdpack -j $cores against makensis | ${spd_s} s; ${spd_cpu} s | ${nsis_pack_s} s; ${nsis_pack_cpu} s | $(ratio "$spd_s" "$nsis_pack_s") | | |"
  echo "| Pack time (wall; CPU): spdpack against wixl | ${spd_s} s; ${spd_cpu} s | ${wixl_s} s; ${wixl_cpu} s | $(ratio "$spd_s" "$wixl_s") | | |"
  echo "| Pack time (wall; CPU): spdpack against zip -6 -r | ${spd_s} s; ${spd_cpu} s | ${zip_s} s; ${zip_cpu} s | $pack_ratio | ≤ 0.6 on $cores cores | $(verdict "$pack_ratio <= 0.6") |"
  echo "| Size: the setup data ($volumes volumes) against zip's archive | $data_bytes bytes | $zip_bytes bytes | $size_ratio | ≤ 1.01 | $(verdict "$size_ratio <= 1.01") |"
  echo "| Size: the setup data against the NSIS installer (the whole program) | $data_bytes bytes | $nsis_bytes bytes | $(ratio "$data_bytes" "$nsis_bytes") | | |"
  echo "| Size: the setup data against the MSI package (the whole package) | $data_bytes bytes | $msi_bytes bytes | $(ratio "$data_bytes" "$msi_bytes") | | |"
  echo "| Block decode speed against bare uncompress ($decode_what) | $decode_ours | $decode_bare | $decode_ratio$decode_time_ratio | ≥ 0.9 | $(verdict "$decode_ratio >= 0.9") |"
  echo "| setup.exe peak working set (Wine's own before Install: $(mb "$inst_base")) | $(mb "$inst_peak") | largest file $(mb "$largest_stored") stored + $(mb "$largest_expanded") expanded + 16 MiB = $(mb "$inst_limit") | | ≤ | $(verdict "$inst_peak <= $inst_limit") |"
  echo "| spdpack peak memory, -j $cores | $(mb $(( spd_peak_kib * 1024 ))) | 64 MiB + 8 MiB × $cores = $(mb $(( spd_limit_kib * 1024 ))) | | ≤ | $(verdict "$spd_peak_kib <= $spd_limit_kib") |"
} >"$bench/results.md"

# 8. The chart: install and pack times of the four, side by side.
cat >"$bench/times.dat" <<DATA
Step "Kalvorin (setup.exe; spdpack)" "NSIS (installer /S; makensis)" "Windows Installer (msiexec; wixl)" "zip (unzip; zip)"
Install $inst_s $nsis_s $msi_s $unzip_s
Pack $spd_s $nsis_pack_s $wixl_s $zip_s
DATA
gnuplot <<PLOT
set terminal svg size 900,540 dynamic font "sans,14" background rgb "white"
set output "$bench/times.svg"
set title "Installing and packing 256 MiB in 2,000 files (medians of $runs runs)"
set ylabel "seconds (wall clock)"
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.9 border rgb "black"
set boxwidth 0.95 relative
set xrange [-0.6:1.6]
set yrange [0:*]
set offsets 0, 0, graph 0.08, 0
set grid ytics
set key top left Left reverse box opaque
set xtics nomirror scale 0 font "sans,15"
set ytics nomirror
set border 3
# Bar j (0 to 3) of group x is centred at x + (j - 1.5) / 5 (four bars, a gap of one).
plot "$bench/times.dat" using 2:xtic(1) title columnheader lc rgb "#1f5fa8", \
  "" using 3 title columnheader lc rgb "#e08a1e", \
  "" using 4 title columnheader lc rgb "#3b9a3b", \
  "" using 5 title columnheader lc rgb "#8a8a8a", \
  for [j=0:3] "" using (\$0 + (j - 1.5) / 5.0):(column(j + 2)):(sprintf("%.1f s", column(j + 2))) \
    every ::1 with labels offset 0, 0.8 font "sans,12" notitle
PLOT

cat "$bench/results.md"
echo
echo "The last install of setup.exe, watched (time since start, resident memory, status line):"
awk '/ ms / && NF > 7 { if ($0 !~ /Installiere/ || ++n % 250 == 1) print }' "$bench/install.phases.log"
echo "Every measurement: $bench/runs.txt"
echo "The chart of the times: $bench/times.svg"
elapsed=$(( $(date +%s) - bench_started ))
echo "The benchmark ran for $(( elapsed / 60 )) min $(( elapsed % 60 )) s."
