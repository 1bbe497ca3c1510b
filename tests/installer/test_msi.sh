#!/usr/bin/env bash
# The MSI package in the test prefix, driven as a deployment tool drives Windows Installer
# (msiexec /qn): an older version installed, a major upgrade to this build's that points the
# printers at the program as the Tools menu does, the installed program started as a logon
# starts it and given a job by the printer side through those keys, a repair, a removal that
# must leave drive C, the registry and the printers' keys as before; an install into another
# folder with the printer-side tool and the printers left alone, removed by its product code.
# Usage: test_msi.sh MSI OLDER_MSI PROBE BINDIR UPGRADE_CODE WITH_PRINTER_TOOL (run by ctest)
set -uo pipefail

msi=$1 older=$2 probe=$3 bin=$4 upgrade_code="{$5}" with_tool=$6

here=$(dirname "${BASH_SOURCE[0]}")
source "$here/lib.sh"
version=$(basename "$msi" .msi)
version=${version#vimager-}
version=${version%-x64-test}
# Below a folder that exists: folders Windows Installer makes above INSTALLDIR on the way are not
# its to remove.
custom_dir='C:\Shop Apps\VELT Imager'

msiexec() { quiet_wine msiexec "$@" /qn; }

# The installed products of our upgrade code, one "{code} version" a line.
products() {
    probe products "$upgrade_code" || return 1
    said product
}

# The Start menu shortcut, wherever Windows Installer put it: Wine resolves ProgramMenuFolder to
# the user's Programs folder even for a package installed for all users, Windows to the common one.
shortcut_path() {
    find "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs" "$drive_c/users" \
        -ipath '*/Start Menu/Programs/VELT Korvel/VELT Imager Support.lnk' -print -quit 2>/dev/null
}

cleanup() {
    end_programs
    local code
    for code in $(products | cut -d' ' -f1); do msiexec /x "$code"; done
    local menus
    menus=$(cd "$drive_c" && find . -ipath '*/Start Menu/Programs/VELT Korvel' 2>/dev/null)
    local IFS=$'\n'
    # shellcheck disable=SC2086
    restore_prepared "./Program Files (x86)/VELT Korvel" "./Shop Apps" $menus
}
trap cleanup EXIT

# What an installation of version $2 in folder $1 must show.
check_installed() {
    local dir=$1 expect_version=$2 tool=$3 label=$4 udir code value
    udir=$(unix_path "$dir")
    check "$label: Windows Installer knows exactly one product of ours, version $expect_version" \
        test "$(products | wc -l)/$(products | cut -d' ' -f2)" = "1/$expect_version"
    code=$(products | cut -d' ' -f1)
    check "$label: vimager.exe is the program of this build" cmp -s "$udir/vimager.exe" "$bin/vimager.exe"
    if [ "$tool" = 1 ]; then
        check "$label: the printer-side tool is installed" cmp -s "$udir/vprinter.exe" "$bin/vprinter.exe"
    else
        check "$label: the printer-side tool is not installed" test ! -e "$udir/vprinter.exe"
    fi
    check "$label: nothing else is in the install folder" test "$(ls "$udir" | grep -cv '^vprinter\.exe$')" = 1
    local link
    link=$(shortcut_path)
    if [ -n "$link" ] && probe shortcut "$(printf 'C:\\%s' "${link#"$drive_c"/}" | tr / '\\')"; then
        check "$label: the Start menu shortcut starts the installed program" test "$(said target)" = "$dir\\vimager.exe"
        check "$label: the Start menu shortcut passes no argument" test -z "$(said arguments)"
    else
        fail "$label: the Start menu shortcut exists"
    fi
    check "$label: the logon start runs the installed program without an argument" \
        test "$(reg_value "$run_key" "VELT Imager Support" 32)" = "\"$dir\\vimager.exe\""
    check "$label: nothing is added to the 64-bit Run key" reg_value_absent "$run_key" "VELT Imager Support" 64
    local arp="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$code" entry
    for entry in "DisplayName=VELT Imager Support" "DisplayVersion=$expect_version" "Publisher=VELT Korvel" \
        "InstallLocation=$dir\\" "NoModify=0x1"; do
        value=$(reg_value "$arp" "${entry%%=*}" 32)
        check "$label: registered ${entry%%=*} is ${entry#*=}" test "$value" = "${entry#*=}"
    done
}

# Windows Installer's own folder and keys, which Wine makes at the first install (Windows has
# them from the start), and the 32-bit Run key, which Windows Installer deletes when it removes
# the key's last value; a value of ours left in any of them still shows.
without_installer_frame() {
    grep -Ev -e '^\+\./windows/Installer$' \
        -e '^\[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\]$' \
        -e '^\[HKEY_LOCAL_MACHINE\\Software\\(Classes\\Installer|Microsoft\\Windows\\CurrentVersion\\Installer)(\\(Features|Products|UpgradeCodes|UserData|UserData\\S-1-5-18|UserData\\S-1-5-18\\(Components|Products)))?\]$' "$@" |
        cat -s
}

# Nothing of ours is left: files, registry, Windows Installer's records.
check_removed() {
    local label=$1 snap=$2
    check "$label: Windows Installer knows no product of ours" test -z "$(products)"
    check "$label: the default install folder is gone" test ! -e "$default_unix"
    check "$label: the Start menu shortcut is gone" test -z "$(shortcut_path)"
    check "$label: the logon start is gone" reg_value_absent "$run_key" "VELT Imager Support" 32
    check_untouched "$label"
    check_printers_as_before "$label"
    snapshot "$snap"
    file_changes before "$snap" | without_installer_frame |
        grep -Ev -e '^\+\./ProgramData/VELT Korvel/SealQueue/vimg[0-9]{8}\.txt$' -e '^\+\./Shop Apps(/keep\.txt)?$' \
            >"$work/changes"
    check "$label: drive C is as before the install (but for the test's own files)" test ! -s "$work/changes" ||
        cat "$work/changes"
    check "$label: the software registry is as before the install" \
        cmp -s <(without_installer_frame "$work/hklm.before") <(without_installer_frame "$work/hklm.$snap") ||
        diff <(without_installer_frame "$work/hklm.before") <(without_installer_frame "$work/hklm.$snap") | head -20
    check "$label: the current user's registry is as before the install" cmp -s "$work/hkcu.before" "$work/hkcu.$snap" ||
        diff "$work/hkcu.before" "$work/hkcu.$snap" | head -20
}

echo "== MSI: $msi"
prepare
snapshot before

echo "== silent install of an older version"
msiexec /i "$(win_path "$older")"
check "older: msiexec ends with 0" test $? -eq 0
check_installed "$default_dir" 0.9.0.0 0 older
check_pointed "$default_dir" older

echo "== major upgrade to this build's version"
msiexec /i "$(win_path "$msi")"
check "upgrade: msiexec ends with 0" test $? -eq 0
check_installed "$default_dir" "$version" 0 upgrade
check_untouched upgrade
check_pointed "$default_dir" upgrade

echo "== the installed program, started as at logon, takes the printer side's job"
if logon run "$default_dir"; then
    check_agrees_with_tools "$pid" run
fi
end_programs

echo "== repair"
quiet_wine reg delete "$printer_root\\VELT Imager 2" /v "Transfer mode" /f /reg:64
rm -f "$default_unix/vimager.exe"
quiet_wine reg delete "$run_key" /v "VELT Imager Support" /f /reg:32
# What msiexec /f does, said with properties: Wine's msiexec has no /f for an installed product.
msiexec /i "$(win_path "$msi")" REINSTALL=ALL REINSTALLMODE=omus
check "repair: msiexec ends with 0" test $? -eq 0
check "repair: the program is back" cmp -s "$default_unix/vimager.exe" "$bin/vimager.exe"
check "repair: the logon start is back" \
    test "$(reg_value "$run_key" "VELT Imager Support" 32)" = "\"$default_dir\\vimager.exe\""
check "repair: the printers are left as an administrator set them" \
    reg_value_absent "$printer_root\\VELT Imager 2" "Transfer mode" 64

echo "== silent removal"
msiexec /x "$(win_path "$msi")"
check "remove: msiexec ends with 0" test $? -eq 0
check_removed remove removed

echo "== a folder of the administrator's choice, with the printer-side tool, the printers left alone"
mkdir -p "$drive_c/Shop Apps"
echo keep >"$drive_c/Shop Apps/keep.txt"
msiexec /i "$(win_path "$msi")" "INSTALLDIR=$custom_dir" ADDLOCAL=ALL POINTPRINTERS=0
check "custom: msiexec ends with 0" test $? -eq 0
check_installed "$custom_dir" "$version" "$with_tool" custom
check "custom: nothing goes to the default folder" test ! -e "$default_unix"
check_printers_as_before "custom, POINTPRINTERS=0"
code=$(products | cut -d' ' -f1)
msiexec /x "$code"
check "custom: removal by product code ends with 0" test $? -eq 0
check "custom: the install folder is gone" test ! -e "$(unix_path "$custom_dir")"
check "custom: the folder that was there before stays with its file" test -f "$drive_c/Shop Apps/keep.txt"
check_removed custom custom

finish "MSI test"
