#!/usr/bin/env bash
# Fills <dir> with a folder tree of 20,020 folders (20 x 20 x 49), seven
# empty files in each, and the given copies of Mwn.exe at fixed places deep
# in the tree: 160,165 entries under the root.
#
#   bench/make_tree.sh <dir> <Mwn.exe>...
set -euo pipefail
dir=$1
shift
mkdir -p "$dir"
cd "$dir"
awk 'BEGIN {
  for (a = 1; a <= 20; a++) for (b = 1; b <= 20; b++) for (c = 1; c <= 49; c++)
    printf "Projects %02d/Module_%02d/part-%02d\n", a, b, c
}' | xargs -d '\n' mkdir -p
awk 'BEGIN {
  for (a = 1; a <= 20; a++) {
    top = sprintf("Projects %02d", a)
    for (f = 1; f <= 7; f++) printf "%s/readme_%d.txt\n", top, f
    for (b = 1; b <= 20; b++) {
      mid = sprintf("%s/Module_%02d", top, b)
      for (f = 1; f <= 7; f++) printf "%s/source_%d.cpp\n", mid, f
      for (c = 1; c <= 49; c++) for (f = 1; f <= 7; f++) printf "%s/part-%02d/data_%d.bin\n", mid, c, f
    }
  }
}' | xargs -d '\n' touch
places=("Projects 03/Module_07/part-11" "Projects 09/Module_01/part-49" "Projects 12/Module_20/part-02"
        "Projects 17/Module_13/part-30" "Projects 20/Module_05/part-07")
i=0
for copy in "$@"; do
  cp "$copy" "${places[i % ${#places[@]}]}/Mwn.exe"
  i=$((i + 1))
done
