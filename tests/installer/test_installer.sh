#!/usr/bin/env bash
# The setup program in the test prefix: a silent install that points the printers at the
# program as the Tools menu does, the installed program started as a logon starts it and given
# jobs, a reinstall over the running program, a silent uninstall that must take away what the
# installer put there and leave the spooler's files and the rest of the printers' keys alone; an
# upgrade and an uninstall while a copy is in use out of the installer's reach; an install into a
# folder of the administrator's choice that leaves the printers alone.
# Usage: test_installer.sh SETUP PROBE BINDIR WITH_PRINTER_TOOL (run by ctest from scripts/test)
set -uo pipefail

setup=$1 probe=$2 bin=$3 with_tool=$4

here=$(dirname "${BASH_SOURCE[0]}")
source "$here/lib.sh"
version=$(basename "$setup" .exe)
version=${version#vimager-setup-}
version=${version%-x64-test}

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VELT Imager Support'
session_key='HKLM\System\CurrentControlSet\Control\Session Manager'
menu_dir="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VELT Korvel"
shortcut_win='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\VELT Korvel\VELT Imager Support.lnk'

# The registry snapshot without the installer's own entries: its Run value and its
# registration (both in the 32-bit view, Wow6432Node in a 64-bit export), and the printers'
# values that point them at the program.
without_installer_entries() {
    grep -Ev "$pointing_values" "$1" | awk '
        /^\[/ { skip = ($0 == "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VELT Imager Support]")
                inrun = ($0 == "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run]") }
        skip { next }
        inrun && index($0, "\"VELT Imager Support\"=") == 1 { next }
        { print }' | cat -s
}

# Everything the test set up, and anything a failed run left installed, goes again.
cleanup() {
    end_programs
    for dir in "$default_dir" 'C:\Shop Apps\VELT\Imager'; do
        [ -e "$(unix_path "$dir")/uninstall.exe" ] && { probe uninstall 60000 || true; }
    done
    quiet_wine reg delete "$run_key" /v "VELT Imager Support" /f /reg:32
    quiet_wine reg delete "$uninstall_key" /f /reg:32
    # Every NSIS uninstaller leaves its copy in the temporary folder to the next restart.
    [ -n "${no_pending_before:-}" ] && quiet_wine reg delete "$session_key" /v PendingFileRenameOperations /f /reg:64
    find "$drive_c/users" -maxdepth 3 -ipath '*/temp/~nsu*.tmp' -newer "$work/started" -exec rm -rf {} + 2>/dev/null
    # Whatever a faulty uninstaller left behind, in folders that were not there before.
    restore_prepared "./Program Files (x86)/VELT Korvel" "./ProgramData/Microsoft/Windows/Start Menu/Programs/VELT Korvel" \
        "./Shop Apps"
}
trap cleanup EXIT

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

echo "== setup: $setup"
prepare
snapshot before

echo "== silent install into the default folder"
quiet_wine "$setup" /S
check "install: the setup program ends with 0" test $? -eq 0
check_installed "$default_dir" 0 install
snapshot installed
file_changes before installed >"$work/changes"
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
check_pointed "$default_dir" install

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
    check_agrees_with_tools "$pid" run
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
    probe_failed "uninstall: the registered quiet uninstall runs to its end"
fi
if [ -n "${second_pid:-}" ]; then
    check "uninstall: the running program was asked to end" probe wait-exit "$second_pid" 0
fi
check "uninstall: the install folder is gone" test ! -e "$default_unix"
check "uninstall: the Start menu shortcut is gone" test ! -e "$menu_dir/VELT Imager Support.lnk"
check "uninstall: the logon start is gone" reg_value_absent "$run_key" "VELT Imager Support" 32
check "uninstall: the registration is gone" reg_key_absent "$uninstall_key" 32
check_untouched uninstall
check_printers_as_before uninstall
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
        probe_failed "in use: the registered quiet uninstall runs to its end"
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

echo "== a folder of the administrator's choice, below one that exists, the printers left alone"
mkdir -p "$drive_c/Shop Apps"
echo keep >"$drive_c/Shop Apps/keep.txt"
custom_dir='C:\Shop Apps\VELT\Imager'
# /D= must come last and unquoted, blanks and all.
if probe run 60000 "$(win_path "$setup")" /S /NOPRINTERS "/D=$custom_dir"; then
    check "custom: the setup program ends with 0" test "$(said exit)" = 0
else
    probe_failed "custom: the setup program runs to its end"
fi
check_installed "$custom_dir" 0 custom
check "custom: nothing goes to the default folder" test ! -e "$default_unix"
check_printers_as_before "custom, /NOPRINTERS"
# The deployment's way to wait: run a copy of the uninstaller with _?= (last, unquoted).
cp "$(unix_path "$custom_dir")/uninstall.exe" "$work/vimager-uninstall.exe"
if probe run 60000 "$(win_path "$work/vimager-uninstall.exe")" /S "_?=$custom_dir"; then
    check "custom: the uninstaller copy run with _?= ends with 0" test "$(said exit)" = 0
else
    probe_failed "custom: the uninstaller copy run with _?= runs to its end"
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

finish "installer test"
