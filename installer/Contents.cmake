# What both packages install, in one place: installer/CMakeLists.txt writes it into the NSIS
# script's defines (contents.nsh) and into the MSI source (vimager.wxs), so they cannot drift.
set(PRODUCT "VELT Imager Support")
set(MAKER "VELT Korvel")
# Below the 32-bit program files folder.
set(INSTALL_FOLDER "${MAKER}\\${PRODUCT}")
set(PROGRAM_FILE "vimager.exe")
# Optional in both packages: the printer-side tool.
set(TOOL_FILE "vprinter.exe")
# The Start menu shortcut, for all users: <common Programs>\<MENU_FOLDER>\<PRODUCT>.lnk.
set(MENU_FOLDER "${MAKER}")
# Start at every logon, in resident mode: "<folder>\vimager.exe" without an argument.
set(RUN_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Run")
set(RUN_VALUE "${PRODUCT}")
# The uninstall entry shows these; the NSIS setup registers under UNINSTALL_KEY, Windows Installer
# under the MSI's product code.
set(UNINSTALL_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\${PRODUCT}")
set(ICON_FILE "${CMAKE_SOURCE_DIR}/app/vimager.ico")
# The MSI's identity for good: every version carries it, so that each replaces the one before.
set(UPGRADE_CODE "6E1F3C52-8B0D-4A57-9C3E-2F4D7A18B9C6")
