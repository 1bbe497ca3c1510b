#!/usr/bin/env bash
# The header flags of the built programs, as Windows' own linker sets them for a GUI program:
# terminal-server aware (a terminal server then applies no compatibility redirection to the
# per-session tray program), NX, relocatable (and the whole address space in a 64-bit build),
# and no link time, which would make two builds of one commit differ.
# Usage: test_pe_flags.sh OBJDUMP BITS GUI_EXE DLL...
set -uo pipefail
objdump=$1 bits=$2 exe=$3
shift 3
passed=0 failed=0
check() {
    local what=$1
    shift
    if "$@"; then passed=$((passed + 1)); echo "ok: $what"; else failed=$((failed + 1)); echo "FAIL: $what"; fi
}
has() { grep -qw "$1" "$2"; }

for file in "$exe" "$@"; do
    name=$(basename "$file")
    header=$(mktemp)
    "$objdump" -p "$file" >"$header"
    check "$name: NX compatible" has NX_COMPAT "$header"
    check "$name: dynamic base" has DYNAMIC_BASE "$header"
    if [ "$bits" = 64 ]; then
        check "$name: high-entropy address space" has HIGH_ENTROPY_VA "$header"
    fi
    check "$name: no link time in the header" grep -Eq '^Time/Date[[:space:]]+Thu Jan  1 00:00:00 1970$' "$header"
    if [ "$file" = "$exe" ]; then
        check "$name: terminal-server aware" has TERMINAL_SERVICE_AWARE "$header"
        check "$name: a GUI program" grep -Eq '^Subsystem[[:space:]]+00000002' "$header"
    fi
    rm -f "$header"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
