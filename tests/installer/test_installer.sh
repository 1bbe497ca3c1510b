#!/usr/bin/env bash
# The setup program in the test prefix: a silent install, the installed program started as a
# logon starts it and given a job, a reinstall over the running program, a silent uninstall
# that must take away what the installer put there and leave the spooler's files and the
# printers' keys alone; an upgrade and an uninstall while a copy is in use out of the
# installer's reach; an install into a folder of the administrator's choice.
# Usage: test_installer.sh SETUP PROBE BINDIR WITH_PRINTER_TOOL (run by ctest from scripts/test)
set -uo pipefail

setup=$1 probe=$2 bin=$3 with_tool=$4

# Without the project's prefix, wine would install into the user's own.
if [ -z "${WINEPREFIX:-}" ] || [ ! -f "$WINEPREFIX/.vimager-ready" ]; then
    echo "the project's Wine prefix is not set up: run this test through scripts/test" >&2
    exit 1
fi
# Shortcuts in the Start menu would otherwise become menu entries of the Linux desktop.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"
unset VELTLOGD

drive_c=$WINEPREFIX/drive_c
version=$(basename "$setup" .exe)
version=${version#vimager-setup-}
work=$(mktemp -d "$PWD/installer-test.XXXXXX")
log=$work/wine.log
started=$SECONDS

run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VELT Imager Support'
printer_root='HKLM\SOFTWARE\VELT Korvel'
session_key='HKLM\System\CurrentControlSet\Control\Session Manager'
default_dir='C:\Program Files (x86)\VELT Korvel\VELT Imager Support'
menu_dir="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VELT Korvel"
shortcut_win='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\VELT Korvel\VELT Imager Support.lnk'
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

# The registry snapshot without the installer's own entries: its Run value and its
# registration (both in the 32-bit view, Wow6432Node in a 64-bit export).
without_installer_entries() {
    awk '
        /^\[/ { skip = ($0 == "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VELT Imager Support]")
                inrun = ($0 == "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run]") }
        skip { next }
        inrun && index($0, "\"VELT Imager Support\"=") == 1 { next }
        { print }' "$1" | cat -s
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

# Everything the test set up, and anything a failed run left installed, goes again.
cleanup() {
    local pid
    for pid in ${program_pids:-}; do probe end "$pid" || true; done
    for dir in "$default_dir" 'C:\Shop Apps\VELT\Imager'; do
        [ -e "$(unix_path "$dir")/uninstall.exe" ] && { probe uninstall 60000 || true; }
    done
    quiet_wine reg delete "$run_key" /v "VELT Imager Support" /f /reg:32
    quiet_wine reg delete "$uninstall_key" /f /reg:32
    # Whatever a faulty uninstaller left behind, in folders that were not there before.
    local made
    for made in "./Program Files (x86)/VELT Korvel" "./ProgramData/Microsoft/Windows/Start Menu/Programs/VELT Korvel" \
        "./Shop Apps"; do
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
    # Every NSIS uninstaller leaves its copy in the temporary folder to the next restart.
    [ -n "${no_pending_before:-}" ] && quiet_wine reg delete "$session_key" /v PendingFileRenameOperations /f /reg:64
    find "$drive_c/users" -maxdepth 3 -ipath '*/temp/~nsu*.tmp' -newer "$work/started" -exec rm -rf {} + 2>/dev/null
    if [ "$failed" -eq 0 ]; then rm -rf "$work"; else echo "wine output kept in $log"; fi
}
touch "$work/started"
trap cleanup EXIT

prepare() {
    if reg_value "$printer_root" MyPath 32 >/dev/null; then
        echo "the prefix has an install base folder (MyPath) set: this test needs the default" >&2
        exit 1
    fi
    reg_value_absent "$session_key" PendingFileRenameOperations 64 && no_pending_before=1
    if reg_key_exists "$printer_root" 64; then
        quiet_wine reg export "$printer_root" "$work/printers.backup.reg" /reg:64 /y || exit 1
    fi
    printers_prepared=1
    local p
    for p in 1 2; do
        quiet_wine reg add "$printer_root\\VELT Imager $p" /v Todo /d SealQueue /f /reg:64
        quiet_wine reg add "$printer_root\\VELT Imager $p" /v "Transfer mode" /t REG_DWORD /d 1 /f /reg:64
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

# What an installation in folder $1 must show; $2 is 1 when the printer-side tool belongs to it.
check_installed() {
    local dir=$1 tool=$2 label=$3
    local udir
    udir=$(unix_path "$dir")
    check "$label: vimager.exe is the program of this build" cmp -s "$udir/vimager.exe" "$bin/vimager.exe"
    check "$label: the uninstaller is in the install folder" test -f "$udir/uninstall.exe"
    if [ "$tool" = 1 ]; then
        check "$label: the printer-side tool is installed" cmp -s "$udir/vprinter.exe" "$bin/vprinter.exe"
    else
        check "$label: the printer-side tool is not installed" test ! -e "$udir/vprinter.exe"
    fi

    if probe shortcut "$shortcut_win"; then
        check "$label: the Start menu shortcut starts the installed program" \
            test "$(said target)" = "$dir\\vimager.exe"
        check "$label: the Start menu shortcut passes no argument" test -z "$(said arguments)"
    else
        fail "$label: the Start menu shortcut exists"
    fi

    local value
    value=$(reg_value "$run_key" "VELT Imager Support" 32)
    check "$label: the logon start runs the installed program without an argument" \
        test "$value" = "\"$dir\\vimager.exe\""
    check "$label: nothing is added to the 64-bit Run key" reg_value_absent "$run_key" "VELT Imager Support" 64

    local expected=(
        "DisplayName=VELT Imager Support"
        "DisplayVersion=$version"
        "Publisher=VELT Korvel"
        "InstallLocation=$dir"
        "UninstallString=\"$dir\\uninstall.exe\""
        "QuietUninstallString=\"$dir\\uninstall.exe\" /S"
        "NoModify=0x1"
        "NoRepair=0x1"
    )
    local entry
    for entry in "${expected[@]}"; do
        value=$(reg_value "$uninstall_key" "${entry%%=*}" 32)
        check "$label: registered ${entry%%=*} is ${entry#*=}" test "$value" = "${entry#*=}"
    done
}

# The spooler's and the printers' things are as the test left them.
check_untouched() {
    local label=$1 f
    for f in xLead.xml undef.txt; do
        check "$label: $f is unchanged" cmp -s "$base_dir/$f" "$work/kept/$f"
    done
    check "$label: the old activity log is unchanged" cmp -s "$log_dir/$old_log" "$work/kept/$old_log"
    reg_dump "$printer_root" 64 >"$work/printers.now"
    check "$label: the printer keys are unchanged" cmp -s "$work/printers.before" "$work/printers.now"
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

echo "== setup: $setup"
prepare
snapshot before

echo "== silent install into the default folder"
quiet_wine "$setup" /S
check "install: the setup program ends with 0" test $? -eq 0
check_installed "$default_dir" 0 install
snapshot installed
file_changes before installed >"$work/changes"
default_unix=$(unix_path "$default_dir")
{
    grep -qx './Program Files (x86)/VELT Korvel' "$work/files.before" || echo "+./Program Files (x86)/VELT Korvel"
    echo "+./Program Files (x86)/VELT Korvel/VELT Imager Support"
    echo "+./Program Files (x86)/VELT Korvel/VELT Imager Support/uninstall.exe"
    echo "+./Program Files (x86)/VELT Korvel/VELT Imager Support/vimager.exe"
    grep -qx './ProgramData/Microsoft/Windows/Start Menu/Programs/VELT Korvel' "$work/files.before" ||
        echo "+./ProgramData/Microsoft/Windows/Start Menu/Programs/VELT Korvel"
    echo "+./ProgramData/Microsoft/Windows/Start Menu/Programs/VELT Korvel/VELT Imager Support.lnk"
} | LC_ALL=C sort >"$work/changes.expected"
LC_ALL=C sort -o "$work/changes" "$work/changes"
check "install: exactly the program, the uninstaller and the shortcut are added to drive C" \
    cmp -s "$work/changes" "$work/changes.expected" || diff "$work/changes.expected" "$work/changes"
check "install: the registry gains only the Run value and the registration" \
    cmp -s <(without_installer_entries "$work/hklm.installed") <(without_installer_entries "$work/hklm.before")
check "install: nothing is written for the current user" cmp -s "$work/hkcu.before" "$work/hkcu.installed"
check_untouched install

echo "== the installed program, started as at logon, takes a job"
if logon run "$default_dir"; then
    first_pid=$pid
    printf '[Device]\r\nDeviceName=VELT Imager 1\r\n' >"$work/jobs/job1.ini"
    if probe notify "$(win_path "$work/jobs/job1.ini")"; then
        check "run: the installed program answers the job notice" test "$(said exe)/$(said reply)" = "$default_dir\\vimager.exe/1"
    else
        fail "run: the job notice reaches the installed program"
    fi
    check "run: the job is moved into printer 1's lead folder from xLead.xml" wait_for 10 lead_has_job lead1
    check "run: the job is logged in the spooler folder" \
        grep -qF "Got $(win_path "$work/jobs/job1.ini")" "$log_dir"/vimg*.txt
fi

echo "== reinstall with the printer-side tool while the program runs"
quiet_wine "$setup" /S /PRINTERTOOL
check "reinstall: the setup program ends with 0" test $? -eq 0
if [ -n "${first_pid:-}" ]; then
    check "reinstall: the running program was asked to end" probe wait-exit "$first_pid" 0
fi
check_installed "$default_dir" "$with_tool" reinstall
snapshot reinstalled
check "reinstall: the registry gains only the Run value and the registration" \
    cmp -s <(without_installer_entries "$work/hklm.reinstalled") <(without_installer_entries "$work/hklm.before")

if logon rerun "$default_dir"; then
    second_pid=$pid
    if [ "$with_tool" = 1 ]; then
        quiet_wine "$default_unix/vprinter.exe" --printer 2 --folder "$(win_path "$work/jobs")" --mode message
        check "rerun: the installed printer-side tool delivers a job" test $? -eq 0
        check "rerun: that job is moved into printer 2's lead folder" wait_for 10 lead_has_job lead2
    fi
fi

echo "== silent uninstall while the program runs"
if probe uninstall 60000; then
    check "uninstall: the registered quiet uninstall ends with 0" test "$(said exit)" = 0
    check "uninstall: the test waited for the uninstaller's copy in the temporary folder" \
        test "$(said descendants)" -ge 1
else
    fail "uninstall: the registered quiet uninstall runs to its end"
fi
if [ -n "${second_pid:-}" ]; then
    check "uninstall: the running program was asked to end" probe wait-exit "$second_pid" 0
fi
check "uninstall: the install folder is gone" test ! -e "$default_unix"
check "uninstall: the Start menu shortcut is gone" test ! -e "$menu_dir/VELT Imager Support.lnk"
check "uninstall: the logon start is gone" reg_value_absent "$run_key" "VELT Imager Support" 32
check "uninstall: the registration is gone" reg_key_absent "$uninstall_key" 32
check_untouched uninstall
snapshot uninstalled
file_changes before uninstalled | grep -Ev '^\+\./ProgramData/VELT Korvel/SealQueue/vimg[0-9]{8}\.txt$' >"$work/changes"
check "uninstall: drive C is as before the install (but for today's activity log)" test ! -s "$work/changes" ||
    cat "$work/changes"
check "uninstall: the software registry is as before the install" cmp -s "$work/hklm.before" "$work/hklm.uninstalled"
check "uninstall: the current user's registry is as before the install" cmp -s "$work/hkcu.before" "$work/hkcu.uninstalled"

echo "== an upgrade and an uninstall while a copy runs in another session"
quiet_wine "$setup" /S /PRINTERTOOL
check "in use: the first install ends with 0" test $? -eq 0
# Suspended, the program has its file open and no window: the installer cannot reach it.
if probe hold "$default_dir\vimager.exe" && held_pid=$(said pid) && [ -n "$held_pid" ]; then
    program_pids="${program_pids:-} $held_pid"
    quiet_wine "$setup" /S
    check "in use: the upgrade ends with 0" test $? -eq 0
    check "in use: the new program is in place" cmp -s "$default_unix/vimager.exe" "$bin/vimager.exe"
    check "in use: the copy in use is moved aside" test -f "$default_unix/vimager.exe.old1"
    if [ "$with_tool" = 1 ]; then
        check "in use: an upgrade without /PRINTERTOOL takes the tool away" test ! -e "$default_unix/vprinter.exe"
    fi
    if probe uninstall 60000; then
        check "in use: the uninstall asks for a restart (3010)" test "$(said descendant-exit)" = 3010
    else
        fail "in use: the registered quiet uninstall runs to its end"
    fi
    pending=$(reg_value "$session_key" PendingFileRenameOperations 64)
    echo "pending: $pending" >>"$log"
    check "in use: the copy in use goes at the next restart" \
        grep -qiF 'VELT Imager Support\vimager.exe.old1' <<<"$pending"
    check "in use: the install folder goes at the next restart" \
        grep -qiF 'Program Files (x86)\VELT Korvel\VELT Imager Support\\0' <<<"$pending"
    if ! grep -qxF './Program Files (x86)/VELT Korvel' "$work/files.before"; then
        check "in use: the maker's folder the installer made goes at the next restart" \
            grep -qiF 'Program Files (x86)\VELT Korvel\\0' <<<"$pending"
    fi
    check "in use: the logon start is gone" reg_value_absent "$run_key" "VELT Imager Support" 32
    check "in use: the registration is gone" reg_key_absent "$uninstall_key" 32
    check "in use: the Start menu shortcut is gone" test ! -e "$menu_dir/VELT Imager Support.lnk"
    probe end "$held_pid"
else
    fail "in use: the installed program can be held in use"
fi
# What the restart would do.
rm -rf "$default_unix"
grep -qxF './Program Files (x86)/VELT Korvel' "$work/files.before" || rm -rf "$drive_c/Program Files (x86)/VELT Korvel"

echo "== a folder of the administrator's choice, below one that exists"
mkdir -p "$drive_c/Shop Apps"
echo keep >"$drive_c/Shop Apps/keep.txt"
custom_dir='C:\Shop Apps\VELT\Imager'
# /D= must come last and unquoted, blanks and all.
if probe run 60000 "$(win_path "$setup")" /S "/D=$custom_dir"; then
    check "custom: the setup program ends with 0" test "$(said exit)" = 0
else
    fail "custom: the setup program runs to its end"
fi
check_installed "$custom_dir" 0 custom
check "custom: nothing goes to the default folder" test ! -e "$default_unix"
# The deployment's way to wait: run a copy of the uninstaller with _?= (last, unquoted).
cp "$(unix_path "$custom_dir")/uninstall.exe" "$work/vimager-uninstall.exe"
if probe run 60000 "$(win_path "$work/vimager-uninstall.exe")" /S "_?=$custom_dir"; then
    check "custom: the uninstaller copy run with _?= ends with 0" test "$(said exit)" = 0
else
    fail "custom: the uninstaller copy run with _?= runs to its end"
fi
check "custom: the uninstaller is gone from the install folder" test ! -e "$(unix_path "$custom_dir")/uninstall.exe"
check "custom: the folders the installer made are gone" test ! -e "$drive_c/Shop Apps/VELT"
check "custom: the folder that was there before stays with its file" test -f "$drive_c/Shop Apps/keep.txt"
check "custom: the logon start is gone" reg_value_absent "$run_key" "VELT Imager Support" 32
check "custom: the registration is gone" reg_key_absent "$uninstall_key" 32
check_untouched custom
snapshot custom
file_changes before custom |
    grep -Ev -e '^\+\./ProgramData/VELT Korvel/SealQueue/vimg[0-9]{8}\.txt$' -e '^\+\./Shop Apps(/keep\.txt)?$' >"$work/changes"
check "custom: drive C is as before the install (but for the test's own files)" test ! -s "$work/changes" ||
    cat "$work/changes"
check "custom: the software registry is as before the install" cmp -s "$work/hklm.before" "$work/hklm.custom"

echo "installer test: $((SECONDS - started)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
