#!/bin/sh
# Checks what Windows programs import against what the oldest supported
# Windows has.
#
#   check-imports.sh OBJDUMP ALLOWED PROGRAM...
#
# ALLOWED (allowed-imports.txt) lists the DLLs that are known DLLs on every
# supported Windows (loaded from the system folder only), one name a line, and the functions of them known to exist there, as
# "DLL function" lines. Each program's import table is read with OBJDUMP -p.
# Every DLL that is not listed and every function that is not listed is
# named; the exit code is then 1. A program without an import table fails too.
set -u
objdump=$1
allowed=$2
shift 2

status=0
for program in "$@"; do
  name=$(basename "$program")
  if ! "$objdump" -p "$program" >/dev/null 2>&1; then
    echo "$name: $objdump cannot read it"
    status=1
    continue
  fi
  "$objdump" -p "$program" | awk -v program="$name" -v allowed="$allowed" '
    BEGIN {
      while ((getline line < allowed) > 0) {
        sub(/#.*/, "", line)
        n = split(line, field, " ")
        if (n == 1) dll[toupper(field[1])] = 1
        else if (n == 2) fn[toupper(field[1]) " " field[2]] = 1
      }
    }
    /^The Import Tables/ { inImports = 1; next }
    /^The Export Tables|^PE File Base Relocations|^The Function Table|^The .rsrc Resource/ { inImports = 0 }
    !inImports { next }
    /DLL Name:/ {
      current = $3
      if (!(toupper(current) in dll)) {
        print program ": imports " current ", a DLL that is not a known DLL of every supported Windows (a copy beside the program would be loaded)"
        bad = 1
      }
      next
    }
    current != "" && /^\t[0-9a-f]+\t/ {
      count++
      if ((toupper(current) in dll) && !((toupper(current) " " $NF) in fn)) {
        print program ": imports " $NF " from " current ", which is not on the list of functions the oldest supported Windows has"
        bad = 1
      }
    }
    END {
      if (count == 0) { print program ": no imported function found"; bad = 1 }
      exit bad
    }' || status=1
done
exit $status
