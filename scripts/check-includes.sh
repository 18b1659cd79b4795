#!/bin/sh
# Checks every #include "..." of codec/, framework/, system/, setup/ and
# uninstaller/ below ROOT against the layers: an arrow goes only downwards.
#
#   check-includes.sh ROOT
#
# Each folder is a layer (setup/<folder> by its own name); the table below
# names what each may include, itself and what lies below it. An include
# that the table does not allow, or that names no file of a layer, is
# printed as "file:line: ..." and the exit code is 1. The README's Source
# layout draws the same graph.
set -u
root=${1:?usage: check-includes.sh ROOT}
cd "$root" || exit 2

find codec framework system setup uninstaller -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null | sort |
awk '
BEGIN {
  below["codec"] = "codec"
  below["framework"] = "framework"
  below["framework/compat"] = "framework/compat"
  below["system"] = "system framework codec"
  below["res"] = "res"
  below["context"] = "context"
  below["run"] = "run context res system framework codec"
  below["setupdata"] = "setupdata run context res system framework codec"
  below["install"] = "install setupdata run context res system framework codec"
  below["register"] = "register install setupdata run context res system framework codec"
  below["worker"] = "worker register install setupdata run context res system framework codec"
  below["ui"] = "ui worker run context res framework codec"
  below["app"] = "app ui worker run context res system framework codec"
  below["uninstaller/res"] = "uninstaller/res"
  below["uninstaller"] = "uninstaller system framework codec"
  below["uninstaller/app"] = "uninstaller/app uninstaller uninstaller/res system framework codec"
  status = 0
}
# The layer of a file by its folder ("" when it is none).
function layerOf(path,    folder) {
  folder = path
  sub(/\/[^\/]*$/, "", folder)
  if (folder ~ /^setup\//) { sub(/^setup\//, "", folder); return folder }
  if (folder in below) return folder
  return ""
}
# The layer an include names: by its folder, "uninstaller/app/X.h" for
# instance, or "run/X.h" of the setup program.
function layerNamed(name,    folder) {
  folder = name
  if (folder !~ /\//) return ""
  sub(/\/[^\/]*$/, "", folder)
  if (folder in below) return folder
  return ""
}
function allowed(from, to,    n, list, i) {
  n = split(below[from], list, " ")
  for (i = 1; i <= n; ++i) if (list[i] == to) return 1
  return 0
}
{
  file = $0
  from = layerOf(file)
  if (from == "") next
  line = 0
  while ((getline text < file) > 0) {
    ++line
    if (text !~ /^[ \t]*#[ \t]*include[ \t]*"/) continue
    name = text
    sub(/^[ \t]*#[ \t]*include[ \t]*"/, "", name)
    sub(/".*$/, "", name)
    to = layerNamed(name)
    if (to == "" && name !~ /\// && name !~ /^\.\./) {
      # A bare name: a file beside the including one, of its own layer.
      dir = file
      sub(/\/[^\/]*$/, "", dir)
      if ((getline probe < (dir "/" name)) >= 0) { close(dir "/" name); to = from }
    }
    if (to == "") {
      printf "%s:%d: includes \"%s\", which names no file of a layer\n", file, line, name
      status = 1
    } else if (!allowed(from, to)) {
      printf "%s:%d: includes \"%s\": %s may not include %s (it may include: %s)\n", file, line, name, from, to, below[from]
      status = 1
    }
  }
  close(file)
}
END { exit status }
'
