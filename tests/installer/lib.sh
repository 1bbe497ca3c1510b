# Sourced by the package tests (test_installer.sh, test_msi.sh): the test prefix, the probe, the
# registry and drive C seen from outside, and the spooler's and printers' things a test prepares.
# Expects $probe and $bin (the build's bin folder) to be set.

# Without the project's prefix, wine would install into the user's own.
if [ -z "${WINEPREFIX:-}" ] || [ ! -f "$WINEPREFIX/.vimager-ready" ]; then
    echo "the project's Wine prefix is not set up: run this test through scripts/test" >&2
    exit 1
fi
# Shortcuts in the Start menu would otherwise become menu entries of the Linux desktop.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"
unset VELTLOGD

drive_c=$WINEPREFIX/drive_c
work=$(mktemp -d "$PWD/package-test.XXXXXX")
log=$work/wine.log
started=$SECONDS
touch "$work/started"

run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
printer_root='HKLM\SOFTWARE\VELT Korvel'
default_dir='C:\Program Files (x86)\VELT Korvel\VELT Imager Support'
default_unix="$drive_c/Program Files (x86)/VELT Korvel/VELT Imager Support"
log_dir="$drive_c/ProgramData/VELT Korvel/SealQueue"
old_log=vimg20200101.txt

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok: $*"; }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
check() {
    local what=$1
    shift
    if "$@"; then
        pass "$what"
    else
        fail "$what"
        return 1
    fi
}
finish() {
    echo "$1: $((SECONDS - started)) s"
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

# The Linux path of a C: path.
unix_path() {
    local rest=${1#?:\\}
    printf '%s/%s' "$drive_c" "${rest//\\//}"
}
win_path() { printf 'Z:%s' "${1//\//\\}"; }

quiet_wine() { wine "$@" </dev/null >>"$log" 2>&1; }

# Runs the probe; its output lands in $work/probe.out without the CRs.
probe() {
    wine "$probe" "$@" </dev/null >"$work/probe.raw" 2>>"$log"
    local rc=$?
    tr -d '\r' <"$work/probe.raw" >"$work/probe.out"
    { echo "probe $*: $rc"; cat "$work/probe.out"; } >>"$log"
    return $rc
}
said() { sed -n "s/^$1 //p" "$work/probe.out"; }
# A failed probe's last word goes with the failure: CI keeps no Wine log.
probe_failed() { fail "$1 (the probe: $(tail -n 1 "$work/probe.out"))"; }

# The data of one registry value as reg.exe shows it; status 1 when it is missing.
reg_value() {
    wine reg query "$1" /v "$2" /reg:"$3" </dev/null >"$work/reg.raw" 2>>"$log" || return 1
    tr -d '\r' <"$work/reg.raw" | awk -v name="$2" '
        { prefix = "    " name "    " }
        index($0, prefix) == 1 {
            rest = substr($0, length(prefix) + 1)
            sub(/^REG_[A-Z_]+    /, "", rest)
            print rest
            found = 1
        }
        END { exit !found }'
}
reg_key_exists() { wine reg query "$1" /reg:"$2" </dev/null >/dev/null 2>&1; }
reg_key_absent() { ! reg_key_exists "$@"; }
reg_value_absent() { ! reg_value "$@" >/dev/null; }
# The key with all its subkeys and values, as text.
reg_dump() {
    rm -f "$work/dump.reg"
    wine reg export "$1" "$work/dump.reg" /reg:"$2" /y </dev/null >>"$log" 2>&1 || return 0
    iconv -f UTF-16 -t UTF-8 "$work/dump.reg" | tr -d '\r'
}

# Every file and folder of drive C (temporary folders aside) and the software registry.
snapshot() {
    (cd "$drive_c" && find . \( -ipath ./windows/temp -o -ipath './users/*/temp' \) -prune -o -print) |
        LC_ALL=C sort >"$work/files.$1"
    reg_dump 'HKLM\Software' 64 >"$work/hklm.$1"
    # Wine keeps its own bookkeeping there as programs run.
    reg_dump 'HKCU\Software' 64 | awk '/^\[/ { skip = index($0, "[HKEY_CURRENT_USER\\Software\\Wine\\") == 1 } !skip' |
        cat -s >"$work/hkcu.$1"
}

# Files added and removed since snapshot $1, as "+path" and "-path" lines.
file_changes() {
    LC_ALL=C comm -3 "$work/files.$1" "$work/files.$2" | sed -e 's/^\t/+/' -e 't' -e 's/^/-/'
}

# Polls for a condition; the limit only keeps a fault from hanging the run.
wait_for() {
    local limit=$1
    shift
    local i
    for ((i = 0; i < limit * 10; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
lead_has_job() { compgen -G "$work/$1/job*.log" >/dev/null; }

# Both printers installed (their keys, with an action and a text option, and nothing pointing
# them anywhere), the spooler's settings with two lead folders, an old activity log.
prepare() {
    if reg_value "$printer_root" MyPath 32 >/dev/null; then
        echo "the prefix has an install base folder (MyPath) set: this test needs the default" >&2
        exit 1
    fi
    if reg_key_exists "$printer_root" 64; then
        quiet_wine reg export "$printer_root" "$work/printers.backup.reg" /reg:64 /y || exit 1
    fi
    printers_prepared=1
    quiet_wine reg delete "$printer_root" /f /reg:64
    local p
    for p in 1 2; do
        quiet_wine reg add "$printer_root\\VELT Imager $p" /v Todo /d SealQueue /f /reg:64
        quiet_wine reg add "$printer_root\\VELT Imager $p\\Defaults" /v "TXT: Enabled" /t REG_DWORD /d 0 /f /reg:64
    done
    reg_dump "$printer_root" 64 >"$work/printers.before"

    # The install base folder holds the spooler's settings and the untranslated-text list.
    base_dir=$(find "$drive_c" -maxdepth 1 -iname 'velt korvel' -print -quit)
    if [ -z "$base_dir" ]; then
        base_dir="$drive_c/VELT Korvel"
        made_base=$base_dir
        mkdir -p "$base_dir"
    fi
    mkdir -p "$work/backup"
    find "$base_dir" -maxdepth 1 \( -iname xlead.xml -o -iname undef.txt \) -exec mv {} "$work/backup/" \;
    mkdir -p "$work/lead1" "$work/lead2" "$work/jobs"
    printf '<?xml version="1.0" encoding="utf-8"?>\r\n<SealQueue>\r\n  <Lead><TempVImg>%s</TempVImg></Lead>\r\n  <Lead2><TempVImg>%s</TempVImg></Lead2>\r\n</SealQueue>\r\n' \
        "$(win_path "$work/lead1")" "$(win_path "$work/lead2")" >"$base_dir/xLead.xml"
    # Sorted and without duplicates: the program's tidying at its end keeps these bytes.
    printf 'Alpha\r\nbeta\r\n' >"$base_dir/undef.txt"

    if [ ! -d "$drive_c/ProgramData/VELT Korvel" ]; then made_data="$drive_c/ProgramData/VELT Korvel"; fi
    mkdir -p "$log_dir"
    log_prepared=1
    printf '08:00:00.000 Got C:\\jobs\\old.ini\r\n' >"$log_dir/$old_log"
    mkdir -p "$work/kept"
    cp -p "$base_dir/xLead.xml" "$base_dir/undef.txt" "$log_dir/$old_log" "$work/kept/"
}

# Puts back what prepare() changed, and removes folders a faulty uninstall left behind.
restore_prepared() {
    local made
    for made in "$@"; do
        [ -f "$work/files.before" ] && ! grep -qxF "$made" "$work/files.before" && rm -rf "$drive_c/${made#./}"
    done
    if [ -n "${printers_prepared:-}" ]; then
        quiet_wine reg delete "$printer_root" /f /reg:64
        [ -f "$work/printers.backup.reg" ] && quiet_wine reg import "$work/printers.backup.reg" /reg:64
    fi
    if [ -n "${made_base:-}" ]; then
        rm -rf "$made_base"
    elif [ -n "${base_dir:-}" ]; then
        rm -f "$base_dir/xLead.xml" "$base_dir/undef.txt"
        local f
        for f in "$work"/backup/*; do
            [ -e "$f" ] && mv "$f" "$base_dir/"
        done
    fi
    if [ -n "${made_data:-}" ]; then
        rm -rf "$made_data"
    elif [ -n "${log_prepared:-}" ]; then
        rm -f "$log_dir/$old_log"
    fi
    if [ "$failed" -eq 0 ]; then rm -rf "$work"; else echo "wine output kept in $log"; fi
}

# The spooler's things are as the test left them.
check_untouched() {
    local label=$1 f
    for f in xLead.xml undef.txt; do
        check "$label: $f is unchanged" cmp -s "$base_dir/$f" "$work/kept/$f"
    done
    check "$label: the old activity log is unchanged" cmp -s "$log_dir/$old_log" "$work/kept/$old_log"
}

pointing_values='^"(Client application|Target window class|Target window title|Transfer mode)"='
# The printer keys but for the values that point the printers at a program.
printers_besides_pointing() { reg_dump "$printer_root" 64 | grep -Ev "$pointing_values"; }

# Both printers send their jobs to the program in folder $1 by job notice, as Tools > Fill
# registry > "Use messages (recommended)" sets them, and nothing else of their keys changed.
check_pointed() {
    local dir=$1 label=$2 p key
    for p in 1 2; do
        key="$printer_root\\VELT Imager $p"
        check "$label: printer $p's client application is the installed program" \
            test "$(reg_value "$key" "Client application" 64)" = "$dir\\vimager.exe"
        check "$label: printer $p sends to the main window" \
            test "$(reg_value "$key" "Target window class" 64)/$(reg_value "$key" "Target window title" 64)" = \
            "TMainForm/VELT Imager Support"
        check "$label: printer $p sends job notices" test "$(reg_value "$key" "Transfer mode" 64)" = 0x1
    done
    check "$label: nothing else of the printer keys changed" \
        cmp -s <(printers_besides_pointing) <(grep -Ev "$pointing_values" "$work/printers.before")
}
check_printers_as_before() {
    reg_dump "$printer_root" 64 >"$work/printers.now"
    check "$1: the printer keys are as before the install" cmp -s "$work/printers.before" "$work/printers.now"
}

# The program that process $1 runs writes, with Tools > Fill registry > "Use messages
# (recommended)", exactly what the package wrote; and a job of the printer side, which follows
# the printer key, reaches it.
check_agrees_with_tools() {
    local pid=$1 label=$2
    reg_dump "$printer_root" 64 >"$work/printers.package"
    if probe fill "$pid"; then
        check "$label: Tools > Fill registry > Use messages finds both printers" \
            test "$(said message)" = "Done for 2 printers!"
        reg_dump "$printer_root" 64 >"$work/printers.tools"
        check "$label: the package wrote what the Tools menu writes" \
            cmp -s "$work/printers.package" "$work/printers.tools" ||
            diff "$work/printers.package" "$work/printers.tools"
    else
        fail "$label: Tools > Fill registry > Use messages runs in the installed program"
    fi
    rm -f "$work"/lead1/job*.log
    quiet_wine "$bin/vprinter.exe" --printer 1 --folder "$(win_path "$work/jobs")"
    check "$label: the printer side delivers a job as the printer key says" test $? -eq 0
    check "$label: the job is moved into printer 1's lead folder" wait_for 10 lead_has_job lead1
}

# Starts the installed program from its Run entry; sets $pid.
logon() {
    pid=
    if probe logon && pid=$(said pid) && [ -n "$pid" ]; then
        program_pids="${program_pids:-} $pid"
        if probe window "$pid" 20000; then
            check "$1: the program started at logon is the installed one" test "$(said exe)" = "$2\\vimager.exe"
            return 0
        fi
    fi
    fail "$1: the program starts from its Run entry and shows its window"
    return 1
}
end_programs() {
    local pid
    for pid in ${program_pids:-}; do probe end "$pid" || true; done
    program_pids=
}
