#!/usr/bin/env bash
# release.sh [cmake configure options, e.g. -DMWN_REPLACEMENT=/path/to/Mwn.exe]
# Builds the release into build/release/: MwnUpdate.exe (signed when any
# MWN_SIGN* variable is set; see scripts/sign.sh), build-record.json (what
# went into it) and SHA256SUMS (of both). The image's time stamp is
# SOURCE_DATE_EPOCH, by default the commit's time, so that anyone can build
# the same bytes from the same commit.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "release: $*" >&2
  exit 1
}

signing=false
for name in $(compgen -v MWN_SIGN || true); do
  if [ -n "${!name}" ]; then signing=true; fi
done
if $signing; then bash scripts/sign.sh --check; fi

scripts/install-deps.sh
commit=$(git rev-parse HEAD)
tree_clean=true
if [ -n "$(git status --porcelain --untracked-files=normal)" ]; then
  tree_clean=false
  echo "release: the working tree differs from commit $commit; the build record says so" >&2
fi
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
[[ $SOURCE_DATE_EPOCH =~ ^[0-9]+$ ]] || fail "SOURCE_DATE_EPOCH '$SOURCE_DATE_EPOCH' is not a number of seconds."

work=build/release-work
out=build/release
cmake --fresh -G "Unix Makefiles" -S . -B "$work" --toolchain "$PWD/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$work" --target MwnUpdate -j2

cache() {
  sed -n "s/^$1:[A-Z]*=//p" "$work/CMakeCache.txt"
}
compiler=$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")/\1/p' "$work"/CMakeFiles/*/CMakeCXXCompiler.cmake)
replacement=$(cache MWN_REPLACEMENT)
if [ -z "$replacement" ]; then replacement=$work/src/sample/bin/Mwn.exe; fi

rm -rf "$out"
mkdir -p "$out"
unsigned=$out/MwnUpdate.exe
if $signing; then unsigned=$work/MwnUpdate-unsigned.exe; fi
cp "$work/src/app/MwnUpdate.exe" "$unsigned"
if $signing; then bash scripts/sign.sh "$unsigned" "$out/MwnUpdate.exe"; fi

sha256() {
  sha256sum "$1" | cut -d' ' -f1
}

# The file version in the version resource's fixed part, found by its
# signature 0xFEEF04BD; the words that follow are minor, major, build, release.
file_version() {
  local at words
  at=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$1" | head -n1 | cut -d: -f1)
  [ -n "$at" ] || fail "$1 carries no version resource."
  read -r -a words < <(od -An -tu2 -j $((at + 8)) -N 8 "$1")
  echo "${words[1]}.${words[0]}.${words[3]}.${words[2]}"
}

# The Debian package that holds a file, with its version, where there is dpkg.
package_of() {
  local package
  package=$(dpkg -S "$(realpath "$1")" 2>/dev/null | head -n1 | cut -d: -f1) || true
  if [ -n "$package" ]; then
    echo "$package $(dpkg-query -W -f='${Version}' "$package")"
  else
    echo unknown
  fi
}

# header_version <compiler> <header> <macro>...: the macros' values, joined by dots.
header_version() {
  local compiler=$1 header=$2 macro values=()
  shift 2
  for macro in "$@"; do
    values+=("$(echo "#include <$header>" | "$compiler" -E -dM -x c - | sed -n "s/^#define $macro //p" | tr -d '"')")
  done
  (IFS=.; echo "${values[*]}")
}

# header_package <compiler> <header>: the package of the header the compiler finds.
header_package() {
  package_of "$(echo "#include <$2>" | "$1" -E -x c - | sed -n "s|^# [0-9]* \"\(.*/$2\)\".*|\1|p" | head -n1)"
}

json() {
  local text=${1//\\/\\\\}
  printf '"%s"' "${text//\"/\\\"}"
}

host_compiler=$(sed -n "s/^CMAKE_C_COMPILER:[A-Z]*=//p" "$work/src/payload/tool/CMakeCache.txt")
options=()
for option in "$@"; do options+=("$(json "$option")"); done
signer=null
if $signing; then
  timestamp=null
  if [ -n "${MWN_SIGN_TIMESTAMP_URL:-}" ]; then timestamp=$(json "$MWN_SIGN_TIMESTAMP_URL"); fi
  signer="{ \"tool\": $(json "$(osslsigncode --version | head -n1 | sed 's/,.*//')"), \"timestamp_url\": $timestamp }"
fi
cat >"$out/build-record.json" <<EOF
{
  "file": "MwnUpdate.exe",
  "updater_version": $(json "$(cache MWN_UPDATER_VERSION)"),
  "source_commit": $(json "$commit"),
  "source_tree_clean": $tree_clean,
  "source_date_epoch": $SOURCE_DATE_EPOCH,
  "configure_options": [$(IFS=,; echo "${options[*]}")],
  "unsigned_sha256": $(json "$(sha256 "$unsigned")"),
  "signed": $signing,
  "signer": $signer,
  "replacement": {
    "version": $(json "$(file_version "$replacement")"),
    "sha256": $(json "$(sha256 "$replacement")")
  },
  "toolchain": {
    "compiler": $(json "$("$compiler" -dumpversion) ($(package_of "$compiler"))"),
    "mingw_runtime": $(json "$(header_version "$compiler" _mingw.h __MINGW64_VERSION_MAJOR __MINGW64_VERSION_MINOR __MINGW64_VERSION_BUGFIX) ($(package_of "$("$compiler" -print-file-name=crt2.o)"))"),
    "binutils": $(json "$("$(cache CMAKE_LINKER)" -v | sed "s/.* //") ($(package_of "$(cache CMAKE_LINKER)"))"),
    "zlib": $(json "$(header_version "$compiler" zlib.h ZLIB_VERSION) ($(header_package "$compiler" zlib.h))"),
    "payload_compressor_zlib": $(json "$(header_version "$host_compiler" zlib.h ZLIB_VERSION) ($(header_package "$host_compiler" zlib.h))"),
    "cmake": $(json "$(cmake --version | head -n1)")
  }
}
EOF
(cd "$out" && sha256sum MwnUpdate.exe build-record.json >SHA256SUMS)
echo "release: $out"
cat "$out/SHA256SUMS"
