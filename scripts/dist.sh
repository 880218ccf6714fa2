#!/usr/bin/env bash
# Builds the release into dist/:
#   morvane-quote-VERSION-win32.zip   the five files and README.txt
#   morvane-quote-VERSION-setup.exe   the Windows installer
#   SHA256SUMS                        of both
# from an optimised, stripped build of its own (build/dist-win32, without
# the tests). The version comes from cmake/version.cmake.
set -euo pipefail
cd "$(dirname "$0")/.."

usage="usage: scripts/dist.sh"
case ${1:-} in
  "") ;;
  -h|--help) echo "$usage"; exit 0 ;;
  *) echo "dist: unknown argument '$1'; $usage" >&2; exit 2 ;;
esac

build_dir=build/dist-win32
out_dir=dist

scripts/setup.sh
for tool in makensis zip; do
  if ! command -v "$tool" >/dev/null; then
    echo "dist: $tool is missing; run scripts/setup.sh as root to install it" >&2
    exit 1
  fi
done

version=$(cmake -P cmake/version.cmake)
zip_name="morvane-quote-$version-win32.zip"
setup_name="morvane-quote-$version-setup.exe"

# CMAKE_BUILD_TYPE Release (the preset's) optimises and strips.
cmake --preset win32 -B "$build_dir" -DMQ_BUILD_TESTS=OFF >/dev/null
cmake --build "$build_dir" -j "${MQ_JOBS:-$(nproc 2>/dev/null || echo 2)}" --target mq_release

mkdir -p "$out_dir"
cp "$build_dir/release/$zip_name" "$build_dir/release/$setup_name" "$out_dir/"
(cd "$out_dir" && sha256sum "$zip_name" "$setup_name" >SHA256SUMS)

echo "dist: Morvane Quote $version in $out_dir/:"
(cd "$out_dir" && ls -l "$zip_name" "$setup_name" SHA256SUMS | awk '{ printf "  %-36s %9d bytes\n", $NF, $5 }')
