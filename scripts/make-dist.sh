#!/usr/bin/env bash
# Writes what is shipped (the build's "dist" target runs it):
#
#   make-dist.sh OBJCOPY DIST PROGRAM...
#
# DIST/<program>              stripped copy of each program
# DIST/debug/<program>.debug  its debug information, named in the stripped
#                             copy's debug link (gdb: symbol-file, or put it
#                             beside the program)
# DIST/listing.txt            name, size in bytes and SHA-256 of each program
# DIST is made anew each time.
set -euo pipefail
objcopy=$1
dist=$2
shift 2

rm -rf "$dist"
mkdir -p "$dist/debug"
listing="$dist/listing.txt"
printf '# name size sha256\n' >"$listing"
for program in "$@"; do
  name=$(basename "$program")
  "$objcopy" --only-keep-debug "$program" "$dist/debug/$name.debug"
  # The debug link takes the debug file's name and checksum; run beside it.
  (cd "$dist/debug" && "$objcopy" --strip-all --add-gnu-debuglink="$name.debug" "$program" "../$name")
  printf '%s %s %s\n' "$name" "$(stat -c %s "$dist/$name")" "$(sha256sum "$dist/$name" | cut -d ' ' -f 1)" >>"$listing"
done
