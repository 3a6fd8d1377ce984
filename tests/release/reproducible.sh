#!/usr/bin/env bash
# Two builds of MwnUpdate.exe from the same sources, each from a copy in a
# folder of its own, with build folders of different names, a minute or so
# apart, in different time zones, as different users and with different
# umasks, give the same bytes; the PE time stamp is SOURCE_DATE_EPOCH.
set -euo pipefail
repo=$(realpath "$(dirname "$0")/../..")
scratch=$(mktemp -d /tmp/mwn-reproducible.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
SOURCE_DATE_EPOCH=$(git -C "$repo" log -1 --format=%ct)
export SOURCE_DATE_EPOCH

# build <name> <umask> <variable=value>...: copies the working tree (what a
# commit would hold) to <name>/src and builds the updater in <name>/build-<name>.
build() {
  local name=$1 dir=$scratch/$1 mask=$2
  shift 2
  mkdir -p "$dir/src"
  (cd "$repo" && git ls-files -z --cached --others --exclude-standard |
    tar --null -T - --ignore-failed-read -cf -) | tar -C "$dir/src" -xf -
  (
    umask "$mask"
    env "$@" cmake -S "$dir/src" -B "$dir/build-$name" -G "Unix Makefiles" \
      --toolchain "$dir/src/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
    env "$@" cmake --build "$dir/build-$name" --target MwnUpdate -j2 >/dev/null
  )
  cp "$dir/build-$name/src/app/MwnUpdate.exe" "$scratch/$name.exe"
}

build a 022 TZ=UTC USER=builder LOGNAME=builder HOME="$scratch/a"
build second-checkout 077 TZ=Pacific/Kiritimati USER=release LOGNAME=release HOME="$scratch/second-checkout"
sha256sum "$scratch/a.exe" "$scratch/second-checkout.exe"
if ! cmp -s "$scratch/a.exe" "$scratch/second-checkout.exe"; then
  echo "FAILED: the two builds differ (offset, octal bytes):" >&2
  cmp -l "$scratch/a.exe" "$scratch/second-checkout.exe" | head -n 20 >&2
  exit 1
fi

u32_at() {
  od -An -tu4 -j "$2" -N 4 "$1" | tr -d ' '
}
pe_header=$(u32_at "$scratch/a.exe" 60)
stamp=$(u32_at "$scratch/a.exe" $((pe_header + 8)))
[ "$stamp" = "$SOURCE_DATE_EPOCH" ] || {
  echo "FAILED: the PE time stamp is $stamp, not SOURCE_DATE_EPOCH $SOURCE_DATE_EPOCH" >&2
  exit 1
}
echo "reproducible: identical, PE time stamp $stamp"
