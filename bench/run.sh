#!/usr/bin/env bash
# The speed and responsiveness benchmark of the updater under Wine:
#
#   bench/run.sh [runs]          (runs per measurement, default 5)
#
# Builds what it needs, makes a Wine prefix of its own whose D: is a
# generated tree of about 20,000 folders and 160,000 entries holding five old
# copies of Mwn.exe, then measures, alternating, `runs` times each: the
# updater's run from OK to "Done!" (with WM_NULL answer times), a bare
# FindFirstFile walk of C:\ and D:\, and `cmd /c dir /s /b` of C:\ and D:\.
# Then, on a small D: of three old copies, the updater with a 13 MB payload
# against the same updater with a tiny one: the peak working set of each, and
# the worst WM_NULL answer over the 13 MB updater's whole run (inflation and
# the replacement of the copies included). Last, the inflation of that
# payload against a single-shot inflate. Prints each figure against its goal.
#
# Work files go to build/bench. MWN_BENCH_DISPLAY picks the Xvfb display
# (default 70), MWN_BENCH_PREFIX the Wine prefix (default build/bench/prefix),
# and MWN_BENCH_SOURCE another source tree whose updater is measured (built
# in its own build/bench), for trying a change before it is made here.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
runs=${1:-5}
out=$root/build/bench
source=${MWN_BENCH_SOURCE:-$root}
updaters=$source/build/bench
display=:${MWN_BENCH_DISPLAY:-70}
image_size=13260800
copies=5

[ -x "$root/scripts/install-deps.sh" ] && "$root/scripts/install-deps.sh"
# shellcheck source=../tests/e2e/wine_env.sh
source "$root/tests/e2e/wine_env.sh"

# --- the architecture Wine can run here, natively ---------------------------
# (32-bit Wine under qemu's emulation would measure qemu, not the program.)
if /usr/lib/wine/wine --version >/dev/null 2>&1 && ! grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
  arch=i686 loader=/usr/lib/wine/wine dlls=/usr/lib/i386-linux-gnu/wine/i386-windows
else
  # The kernel cannot execute 32-bit x86 code: the same sources for x86_64.
  arch=x86_64 loader=/usr/lib/wine/wine64 dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
fi
toolchain=$root/cmake/mingw-$arch.cmake
wineserver=/usr/lib/wine/wineserver
say() { printf '%s\n' "$*" >&2; }

# --- builds ----------------------------------------------------------------
build() {  # <dir> <source> <targets> [cmake options]
  local dir=$1 source=$2 targets=$3
  shift 3
  cmake -S "$source" -B "$dir" --toolchain "$toolchain" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  # shellcheck disable=SC2086
  cmake --build "$dir" -j2 --target $targets >/dev/null
}
say "building for $arch in $out and $updaters"
mkdir -p "$out"
build "$updaters/tiny" "$source" "MwnUpdate MwnSample"
new_copy=$updaters/tiny/src/sample/bin/Mwn.exe
# The 13 MB payload: the sample (for its version resource) followed by real
# executables, Windows DLLs of the same architecture, as an overlay.
corpus=$out/corpus/Mwn.exe
if [ ! -s "$corpus" ] || [ "$new_copy" -nt "$corpus" ]; then
  mkdir -p "$(dirname "$corpus")"
  # head closes the pipe early on purpose.
  { cat "$new_copy"; find "$dlls" -maxdepth 1 -type f -name '*.dll' | sort | xargs cat; } |
    head -c $image_size >"$corpus" || true
fi
[ "$(stat -c %s "$corpus")" -eq $image_size ] || { say "too few DLLs in $dlls for the payload"; exit 1; }
# The large-payload updater; its sample, version 1.0.0.0, is the old copy.
build "$updaters/large" "$source" "MwnUpdate MwnSample" -DMWN_REPLACEMENT="$corpus" -DMWN_SAMPLE_VERSION=1.0.0.0
old_copy=$updaters/large/src/sample/bin/Mwn.exe
build "$out/tools" "$here" "mwn_walk mwn_probe inflate_bench" -DMWN_SOURCE_DIR="$source"
build "$out/launcher" "$root" mwn_limited

# --- the Wine prefix, with nothing of the host's file system in reach -------
export WINEPREFIX=${MWN_BENCH_PREFIX:-$out/prefix} WINELOADER=$loader WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=$display
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do [ -S "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
kill -0 "$xvfb" 2>/dev/null || { say "Xvfb could not start on $display (in use? set MWN_BENCH_DISPLAY)"; exit 1; }
wine() { "$loader" "$@"; }
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
  say "making the Wine prefix"
  wine wineboot -i >/dev/null 2>&1
fi
# The drives are read when the prefix's services start: set them first.
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w
for letter in "$WINEPREFIX"/dosdevices/?:; do
  [ "$(basename "$letter")" = c: ] || rm -f "$letter"
done
# The user's shell folders are links to the host's home: plain folders instead.
find "$WINEPREFIX/drive_c" -type l | while read -r link; do rm "$link" && mkdir "$link"; done

tree=$out/tree
if [ ! -f "$tree/.complete" ]; then
  say "generating the tree"
  rm -rf "$tree"
  "$here/make_tree.sh" "$tree/d" $(for _ in $(seq $copies); do echo "$old_copy"; done)
  touch "$tree/.complete"
fi
# The small D: of a few copies, for the runs with the 13 MB payload.
small_places=("Apps" "Users/Shared/Marlowen" "Old/Marlowen 1.0")
small_copies=${#small_places[@]}
reset_copies() {
  find "$tree/d" -name Mwn.exe -exec cp "$old_copy" {} \;
  local place
  for place in "${small_places[@]}"; do
    mkdir -p "$tree/small/$place"
    cp "$old_copy" "$tree/small/$place/Mwn.exe"
  done
}
ln -sfn "$tree/d" "$WINEPREFIX/dosdevices/d:"

"$wineserver" -p  # one server for the whole benchmark
# Keeps Wine's wait for each closed window (no window manager) out of the figures.
wine_unmanaged_windows
bin=$WINEPREFIX/drive_c/bench
mkdir -p "$bin"
cp "$out/tools/mwn_walk.exe" "$out/tools/mwn_probe.exe" "$out/tools/inflate/inflate_bench.exe" "$bin/"
# The updater runs as a user's program: the probe that starts it gets a
# standard user's token from mwn_limited, and passes it on.
cp "$out/launcher/tests/e2e/mwn_limited.exe" "$bin/"
cp "$updaters/tiny/src/app/MwnUpdate.exe" "$bin/MwnUpdate.exe"
cp "$updaters/large/src/app/MwnUpdate.exe" "$bin/MwnUpdateLarge.exe"
cp "$updaters/large/src/app/MwnUpdate_payload/payload.zlib" "$bin/payload.zlib"
cd "$WINEPREFIX/drive_c"

# --- the walk: updater, bare walk, cmd dir, alternating ---------------------
field() { awk -v key="$1" '{ for (i = 1; i < NF; i++) if ($i == key) print $(i + 1) }'; }
median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v goal="$2" 'BEGIN { print (v <= goal) ? "met" : "MISSED" }'; }

updater_ms="" walk_ms="" dir_ms="" start_ms="" worst="" p99=""
run_updater() {
  reset_copies
  local line
  line=$(wine 'C:\bench\mwn_limited.exe' 'C:\bench\mwn_probe.exe' run 'C:\bench\MwnUpdate.exe' |
    tr -d '\r')
  say "  updater: $line"
  [ "$(field updated <<<"$line")" = $copies ] || { say "the updater did not update the $copies copies"; exit 1; }
  updater_ms+=" $(field run_ms <<<"$line")" worst+=" $(field worst_ms <<<"$line")" p99+=" $(field p99_ms <<<"$line")"
}
run_walk() {
  local line
  line=$(wine 'C:\bench\mwn_walk.exe' 'C:\' 'D:\' | tr -d '\r')
  say "  walk:    $line"
  [ "$(field copies <<<"$line")" -eq $copies ] || { say "the walk found the wrong number of copies"; exit 1; }
  walk_ms+=" $(field ms <<<"$line")"
}
run_dir() {
  local output found
  output=$(wine 'C:\bench\mwn_probe.exe' time cmd /c dir /s /b 'C:\Mwn.exe' 'D:\Mwn.exe' 2>/dev/null | tr -d '\r')
  found=$(grep -c '\\Mwn.exe$' <<<"$output" || true)
  say "  dir:     $(tail -n 1 <<<"$output") ($found copies)"
  [ "$found" -eq $copies ] || { say "cmd dir found the wrong number of copies"; exit 1; }
  dir_ms+=" $(tail -n 1 <<<"$output" | field ms)"
  start_ms+=" $(wine 'C:\bench\mwn_probe.exe' time cmd /c rem | tr -d '\r' | field ms)"
}

say "warming the caches"
run_walk >/dev/null 2>&1
walk_ms=""
steps=(run_updater run_walk run_dir)
for round in $(seq "$runs"); do
  say "round $round of $runs"
  for turn in 0 1 2; do "${steps[(round + turn) % 3]}"; done
done

# --- the large payload against the tiny one, on a small D: ------------------
# Memory, and the responsiveness of a whole run with the 13 MB payload: the
# inflation, and the replacement of the copies with 13 MB images.
ln -sfn "$tree/small" "$WINEPREFIX/dosdevices/d:"
peak_large="" peak_tiny="" worst_large=""
for _ in 1 2 3; do
  for updater in MwnUpdate MwnUpdateLarge; do
    reset_copies
    line=$(wine 'C:\bench\mwn_limited.exe' 'C:\bench\mwn_probe.exe' run "C:\\bench\\$updater.exe" |
      tr -d '\r')
    say "  $updater on a small D: $line"
    [ "$(field updated <<<"$line")" = $small_copies ] || { say "the updater did not update the $small_copies copies"; exit 1; }
    if [ $updater = MwnUpdate ]; then
      peak_tiny+=" $(field peak_kib <<<"$line")"
    else
      peak_large+=" $(field peak_kib <<<"$line")" worst_large+=" $(field worst_ms <<<"$line")"
    fi
  done
done
ln -sfn "$tree/d" "$WINEPREFIX/dosdevices/d:"
reset_copies

# --- inflation: InflatePayload against a single-shot inflate ----------------
inflation=$(wine 'C:\bench\inflate_bench.exe' time 'C:\bench\payload.zlib' $image_size 9 | tr -d '\r')
say "$inflation"
inflate_ms=$(grep -m1 '^  InflatePayload ' <<<"$inflation" | awk '{ print $2 }')
single_ms=$(grep -m1 '^  uncompress ' <<<"$inflation" | awk '{ print $2 }')

# --- the report ----------------------------------------------------------------
u=$(median <<<"$updater_ms") w=$(median <<<"$walk_ms") d=$(median <<<"$dir_ms") s=$(median <<<"$start_ms")
worst_all=$(tr ' ' '\n' <<<"$worst" | grep . | sort -g | tail -n 1)
worst_large_all=$(tr ' ' '\n' <<<"$worst_large" | grep . | sort -g | tail -n 1)
p99_median=$(median <<<"$p99")
pl=$(median <<<"$peak_large") pt=$(median <<<"$peak_tiny")
image_kib=$((image_size / 1024))
peak_goal=$(awk -v i=$image_kib 'BEGIN { printf "%d", 1.3 * i + 8192 }')
row() { printf '  %-52s %10s   goal %-8s %s\n' "$1" "$2" "$3" "$4"; }
echo
echo "MwnUpdate benchmark ($arch under $("$loader" --version), $runs runs each, medians)"
echo "  tree: $(find "$tree/d" -mindepth 1 -type d | wc -l) folders and $(find "$tree/d" -mindepth 1 | wc -l) entries on D:, $copies copies; C: is Wine's own"
echo "  updater, OK to \"Done!\", C: and D:                 $u ms   (runs:$updater_ms)"
echo "  bare FindFirstFile walk of C:\\ and D:\\             $w ms   (runs:$walk_ms)"
echo "  cmd /c dir /s /b C:\\Mwn.exe D:\\Mwn.exe             $d ms   (runs:$dir_ms; starting cmd alone: $s ms)"
row "updater / bare walk" "$(ratio "$u" "$w")" "<= 1.05" "$(verdict "$(ratio "$u" "$w")" 1.05)"
row "updater / cmd dir" "$(ratio "$u" "$d")" "<= 0.7" "$(verdict "$(ratio "$u" "$d")" 0.7)"
row "worst WM_NULL answer during the run (ms, all runs)" "$worst_all" "<= 50" "$(verdict "$worst_all" 50)"
row "99th-percentile WM_NULL answer (ms, median of runs)" "$p99_median" "" ""
row "worst WM_NULL answer, 13 MB payload, $small_copies replaced (ms)" "$worst_large_all" "<= 50" "$(verdict "$worst_large_all" 50)"
row "InflatePayload / single-shot inflate ($inflate_ms / $single_ms ms)" "$(ratio "$inflate_ms" "$single_ms")" "<= 1.1" "$(verdict "$(ratio "$inflate_ms" "$single_ms")" 1.1)"
row "peak working set, 13 MB payload (KiB)" "$pl" "<= $peak_goal" "$(verdict "$pl" "$peak_goal")"
row "  the same with a tiny payload: Wine's own share (KiB)" "$pt" "" ""
row "  the payload's share: the difference (KiB)" "$((pl - pt))" "<= $((image_kib * 13 / 10))" "$(verdict $((pl - pt)) $((image_kib * 13 / 10)))"
