#!/bin/sh
# Checks the shipped files the dist target wrote.
#
#   check-dist.sh OBJDUMP DIST MAX_SETUP_BYTES PROGRAM...
#
# - every PROGRAM (by name) is in DIST, stripped (no debug sections, a debug
#   link) with its debug information in DIST/debug;
# - DIST/listing.txt lists exactly the files in DIST, with their sizes and
#   SHA-256;
# - setup.exe is at most MAX_SETUP_BYTES and carries its manifest (resource
#   type 24, id 1, asking for administrator rights) and its version resource.
set -u
objdump=$1
dist=$2
max=$3
shift 3
status=0
fail() { echo "$*"; status=1; }

# has_resource TYPE ID: the resource directory of $setup (objdump -p,
# one entry a line, types indented by 3 spaces, ids by 5) has TYPE/ID.
has_resource() {
  "$objdump" -p "$setup" | awk -v type="$1," -v id="$2," '
    /^[0-9a-f]+   Entry: ID: / { inType = ($4 == type); next }
    inType && /^[0-9a-f]+     Entry: ID: / && $4 == id { found = 1 }
    END { exit !found }'
}

[ -f "$dist/listing.txt" ] || { echo "no $dist/listing.txt: run make dist"; exit 1; }

for program in "$@"; do
  name=$(basename "$program")
  [ -f "$dist/$name" ] || { fail "$name is not in $dist"; continue; }
  [ -s "$dist/debug/$name.debug" ] || fail "$name: no debug/$name.debug"
  sections=$("$objdump" -h "$dist/$name")
  echo "$sections" | grep -q ' \.debug_' && fail "$name: still has debug sections"
  echo "$sections" | grep -q ' \.gnu_debuglink' || fail "$name: no debug link"
done

# The listing against the folder, both ways.
expected=$(grep -v '^#' "$dist/listing.txt" | sort)
actual=$(cd "$dist" && for f in *; do
  [ -f "$f" ] && [ "$f" != listing.txt ] && printf '%s %s %s\n' "$f" "$(stat -c %s "$f")" "$(sha256sum "$f" | cut -d ' ' -f 1)"
done | sort)
[ "$expected" = "$actual" ] || fail "listing.txt does not match the files:
--- listed
$expected
--- found
$actual"

setup="$dist/setup.exe"
if [ -f "$setup" ]; then
  size=$(stat -c %s "$setup")
  [ "$size" -le "$max" ] || fail "setup.exe has $size bytes, more than $max"
  has_resource 0x000018 0x000001 || fail "setup.exe: no manifest (resource type 24, id 1)"
  grep -aq 'level="requireAdministrator"' "$setup" || fail "setup.exe: the manifest does not ask for administrator rights"
  grep -aq 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$setup" ||
    fail "setup.exe: the manifest does not ask for the common controls 6"
  has_resource 0x000010 0x000001 || fail "setup.exe: no version resource (type 16, id 1)"
else
  fail "no setup.exe in $dist"
fi
exit $status
