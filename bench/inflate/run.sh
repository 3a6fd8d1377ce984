#!/usr/bin/env bash
# Measures InflatePayload against zlib's uncompress on the build machine, on a
# payload-sized corpus of real executables: 32-bit Windows DLLs (the
# payload's kind of file), then ELF programs from /usr/bin, 13,260,800 bytes
# in all. The same comparison under Wine is part of bench/run.sh.
#
#   bench/inflate/run.sh [runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=$root/build/bench/inflate-host
runs=${1:-7}
size=13260800

mkdir -p "$out"
corpus=$out/corpus.bin
if [ ! -s "$corpus" ]; then
  pe=$(find /usr/lib/i386-linux-gnu/wine/i386-windows /usr/i686-w64-mingw32/lib -maxdepth 1 -type f \
         \( -name '*.dll' -o -name '*.exe' \) 2>/dev/null | sort)
  elf=$(find /usr/bin -maxdepth 1 -type f -size +8k | sort | while read -r f; do
          [ "$(head -c 4 "$f" | od -An -tx1 | tr -d ' ')" = 7f454c46 ] && echo "$f"; done)
  # head closes the pipe early on purpose.
  { cat $pe | head -c $((size / 2)); cat $elf | head -c $((size - size / 2)); } > "$corpus" || true
fi
[ "$(stat -c %s "$corpus")" -eq $size ] || { echo "corpus is short: not enough executables" >&2; exit 1; }

cmake -S "$here" -B "$out/host" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out/host" -j2 >/dev/null
bench=$out/host/inflate_bench
echo "== host ($(uname -m), zlib $(grep -m1 -o '"[0-9.]*"' /usr/include/zlib.h | tr -d '"'))"
"$bench" compress "$corpus" "$out/corpus.zlib"
"$bench" time "$out/corpus.zlib" $size "$runs"
"$bench" peak payload "$out/corpus.zlib" $size
"$bench" peak zlib "$out/corpus.zlib" $size

