#!/usr/bin/env bash
# A second, clean build of the same sources in another folder gives the same bytes: the program
# and the MSI package (and the setup program, which NSIS makes alike too). Prints the hashes.
# Usage: test_reproducible.sh SOURCE_DIR BUILD_DIR TOOLCHAIN_FILE FILE... (files of BUILD_DIR/bin)
set -uo pipefail
source_dir=$1 build_dir=$2 toolchain=$3
shift 3
second=$build_dir/reproduced
rm -rf "$second"
trap 'rm -rf "$second"' EXIT
cmake -S "$source_dir" -B "$second" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DVIMAGER_TESTS=OFF >/dev/null || exit 1
cmake --build "$second" --target vimager installer msi_package >"$second.log" 2>&1 || { cat "$second.log"; exit 1; }
rm -f "$second.log"
passed=0 failed=0
for name in "$@"; do
    first=$(sha256sum <"$build_dir/bin/$name" | cut -d' ' -f1)
    again=$(sha256sum <"$second/bin/$name" | cut -d' ' -f1)
    echo "$name: $first (first build), $again (second build)"
    if [ "$first" = "$again" ]; then
        passed=$((passed + 1)); echo "ok: $name is the same in both builds"
    else
        failed=$((failed + 1)); echo "FAIL: $name differs between the two builds"
        cmp -l "$build_dir/bin/$name" "$second/bin/$name" | head -5
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
