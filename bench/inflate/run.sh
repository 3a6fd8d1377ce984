#!/usr/bin/env bash
# Measures InflatePayload against zlib's uncompress on a payload-sized corpus
# of real executables: 32-bit Windows DLLs (the payload's kind of file), then
# ELF programs from /usr/bin, 13,260,800 bytes in all.
#
#   bench/inflate/run.sh [--wine] [runs]
#
# --wine also builds the benchmark for 64-bit Windows and runs it under Wine
# in a prefix of its own (this machine's Wine runs 64-bit programs only).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=$root/build/c-host/bench_inflate
wine=false
if [ "${1:-}" = --wine ]; then wine=true; shift; fi
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

if $wine; then
  cmake -S "$here" -B "$out/win64" -DCMAKE_BUILD_TYPE=Release \
        --toolchain "$root/cmake/mingw-x86_64.cmake" >/dev/null
  cmake --build "$out/win64" -j2 >/dev/null
  export WINEPREFIX=/tmp/mwn-bench-wine WINEDEBUG=-all
  wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
  if [ ! -d "$WINEPREFIX/drive_c" ]; then
    "$wine64" wineboot -i >/dev/null 2>&1 || true
  fi
  rm -f "$WINEPREFIX/dosdevices/z:"  # keep the host's file system out of reach
  cp "$out/win64/inflate_bench.exe" "$out/corpus.zlib" "$WINEPREFIX/drive_c/"
  echo "== Windows x86_64 under Wine"
  for args in "time C:\\corpus.zlib $size $runs" "peak payload C:\\corpus.zlib $size" \
              "peak zlib C:\\corpus.zlib $size"; do
    # shellcheck disable=SC2086
    "$wine64" 'C:\inflate_bench.exe' $args | tr -d '\r'
  done
  wineserver -k
fi
