#!/usr/bin/env bash
# The walk end to end: the real updater under Wine on a drive D: whose every
# read of directory entries waits <delay> ms (mwn_delayfs, a FUSE
# passthrough), against the same source built to look ahead nowhere (the
# serial walk), and the bare serial walk (bench/walk), alternating, <runs>
# times each:
#
#   bench/latency/wine.sh [delay-ms] [runs]        (defaults: 5 ms, 3 runs)
#
# Needs root and /dev/fuse (for the mount). Work files go to build/latency.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
delay=${1:-5}
runs=${2:-3}
out=$root/build/latency
places=("Dept 03/Project 11" "Dept 09/Project 24/Part 2" "Archive 1/b1/b0/b1/b1/b0")
say() { printf '%s\n' "$*" >&2; }
# shellcheck source=../../tests/e2e/wine_env.sh
source "$root/tests/e2e/wine_env.sh"
[ -c /dev/fuse ] || { say "no /dev/fuse: the delayed drive cannot be mounted here"; exit 1; }

if wine_native_32bit; then arch=i686; else arch=x86_64; fi
build() {  # <dir> <source> <targets> [cmake options]
  local dir=$1 source=$2 targets=$3
  shift 3
  cmake -S "$source" -B "$dir" --toolchain "$root/cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  # shellcheck disable=SC2086
  cmake --build "$dir" -j2 --target $targets >/dev/null
}
say "building for $arch in $out"
mkdir -p "$out"
# The serial walk: this very source with no look-ahead for any location.
serial_source=$out/serial-source
rm -rf "$serial_source" && mkdir -p "$serial_source"
(cd "$root" && git ls-files -z | xargs -0 cp --parents -t "$serial_source")
sed -i -E 's/(constexpr LookAhead k[A-Za-z]+LookAhead)\{[0-9]+, [0-9]+\}/\1{0, 0}/' "$serial_source/src/update/scan.cpp"
grep -q 'LookAhead{[1-9]' "$serial_source/src/update/scan.cpp" && { say "could not switch the look-ahead off"; exit 1; }
build "$out/new" "$root" "MwnUpdate"
build "$out/serial" "$serial_source" "MwnUpdate"
build "$out/old" "$root" "MwnSample" -DMWN_SAMPLE_VERSION=1.0.0.0
build "$out/tools" "$root/bench" "mwn_walk mwn_probe" -DMWN_SOURCE_DIR="$root"
g++ -O2 -std=c++17 -o "$out/mwn_delayfs" "$here/delayfs.cpp" -lpthread
old_copy=$out/old/src/sample/bin/Mwn.exe

# A file server's shape: departments of projects, some with parts, and three
# deep archive trees; five files in each folder.
tree=$out/tree
if [ ! -f "$tree/.complete" ]; then
  rm -rf "$tree"
  mkdir -p "$tree" && cd "$tree"
  awk 'BEGIN {
    for (d = 1; d <= 12; d++) for (p = 1; p <= 30; p++) {
      printf "Dept %02d/Project %02d\n", d, p
      for (q = 0; q < (d * 7 + p) % 4; q++) printf "Dept %02d/Project %02d/Part %d\n", d, p, q
    }
    for (a = 0; a < 3; a++) for (n = 0; n < 256; n++) {
      path = sprintf("Archive %d", a)
      for (m = n + 1; m > 1; m = int(m / 2)) path = path "/b" (m % 2)
      print path
    }
  }' | xargs -d '\n' mkdir -p
  find . -type d | while read -r folder; do touch "$folder"/{a.doc,b.xls,c.pdf,d.txt,e.dat}; done
  touch .complete
  cd - >/dev/null
fi
say "delayed drive: $(find "$tree" -type d | wc -l) folders, $(find "$tree" -type f | wc -l) files, $delay ms per directory read"

mount_point=$out/mnt
mkdir -p "$mount_point"
"$out/mwn_delayfs" "$tree" "$mount_point" "$delay" &
fs_pid=$!
wine_env_init "$out/prefix"
cleanup() {
  wine_server_stop
  xvfb_stop
  umount -l "$mount_point" 2>/dev/null || true
  kill "$fs_pid" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do mountpoint -q "$mount_point" && break; sleep 0.05; done
mountpoint -q "$mount_point" || { say "the delayed drive did not mount"; exit 1; }
[ -d "$WINEPREFIX/drive_c/windows" ] || wine_prefix_create
wine_server_stop
wine_unmap_drives
wine_map_drive D "$mount_point"
xvfb_start 70 79
wine_unmanaged_windows
bin=$WINEPREFIX/drive_c/bench
mkdir -p "$bin"
cp "$out/tools/mwn_walk.exe" "$out/tools/mwn_probe.exe" "$bin/"
cp "$out/new/src/app/MwnUpdate.exe" "$bin/MwnUpdate.exe"
cp "$out/serial/src/app/MwnUpdate.exe" "$bin/MwnUpdateSerial.exe"
probe=$bin/mwn_probe.exe

field() { awk -v key="$1" '{ for (i = 1; i < NF; i++) if ($i == key) print $(i + 1) }'; }
median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
new_ms="" serial_ms="" walk_ms="" orders="" worst=""
run_updater() {  # <exe name> <variable>
  local place line
  for place in "${places[@]}"; do cp "$old_copy" "$mount_point/$place/Mwn.exe"; done
  line=$(wine_run "$probe" run "C:\\bench\\$1.exe" | tr -d '\r')
  say "  $1: $line"
  [ "$(field updated <<<"$line")" = ${#places[@]} ] || { say "$1 did not update the ${#places[@]} copies"; exit 1; }
  printf -v "$2" '%s %s' "${!2}" "$(field run_ms <<<"$line")"
  orders+=" $(field order <<<"$line")" worst+=" $(field worst_ms <<<"$line")"
}
run_walk() {
  local line
  line=$(wine_run "$bin/mwn_walk.exe" 'C:\' 'D:\' | tr -d '\r')
  say "  walk: $line"
  walk_ms+=" $(field ms <<<"$line")"
}
for round in $(seq "$runs"); do
  say "round $round of $runs"
  if [ $((round % 2)) = 1 ]; then run_updater MwnUpdateSerial serial_ms; run_updater MwnUpdate new_ms; run_walk
  else run_walk; run_updater MwnUpdate new_ms; run_updater MwnUpdateSerial serial_ms; fi
done

serial=$(median <<<"$serial_ms") new=$(median <<<"$new_ms") walk=$(median <<<"$walk_ms")
same=$([ "$(tr ' ' '\n' <<<"$orders" | grep . | sort -u | wc -l)" = 1 ] && echo yes || echo NO)
echo "delayed D: ($delay ms per directory read), medians of $runs: serial updater $serial ms," \
     "look-ahead updater $new ms, bare serial walk of C: and D: $walk ms"
awk -v s="$serial" -v n="$new" 'BEGIN { printf "serial / look-ahead: %.1f (goal >= 4): %s\n", s / n, (s / n >= 4) ? "met" : "MISSED" }'
echo "same copies in the same order in every run: $same; worst WM_NULL answer: $(tr ' ' '\n' <<<"$worst" | sort -g | tail -n 1) ms"
