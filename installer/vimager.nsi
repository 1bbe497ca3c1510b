; Setup of VELT Imager Support, built with makensis from installer/CMakeLists.txt.
; Defines from the build: VERSION_MAJOR, VERSION_MINOR, VERSION_RELEASE, VERSION_BUILD,
; CONTENTS (what is installed where, shared with the MSI package), VIMAGER_EXE, PRINTERS_DLL and
; OUTFILE; VPRINTER_EXE when the printer-side tool is part of the build; AMD64 for the test setup
; around the 64-bit build.
;
; Switches: /S silent, /D=<folder> (last, unquoted) install folder, /PRINTERTOOL also installs
; vprinter.exe, /NOPRINTERS leaves the printers' keys alone. The uninstaller takes /S; it ends
; with exit code 3010 when files in use are left for the next restart.

!ifdef AMD64
Target amd64-unicode
!else
Unicode true
!endif
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; The files' times would make every build differ.
SetDateSave off

!ifndef VERSION_MAJOR | VERSION_MINOR | VERSION_RELEASE | VERSION_BUILD | CONTENTS | VIMAGER_EXE | PRINTERS_DLL | OUTFILE
  !error "build this script through CMake: version, contents, programs and output file are missing"
!endif
!include "${CONTENTS}"

!define VERSION "${VERSION_MAJOR}.${VERSION_MINOR}.${VERSION_RELEASE}.${VERSION_BUILD}"
!define SHORTCUT_FOLDER "$SMPROGRAMS\${MENU_FOLDER}"
!define SHORTCUT "${SHORTCUT_FOLDER}\${PRODUCT}.lnk"
!define PROGRAM "$INSTDIR\${PROGRAM_FILE}"
!define TOOL "$INSTDIR\${TOOL_FILE}"
!define IDM_EXIT1 201
!define SYNCHRONIZE 0x00100000
!define WAIT_OBJECT_0 0

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES32\${INSTALL_FOLDER}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

; The outermost folder this installation created; the uninstaller removes the empty ones up to it.
Var CreatedFolder

!define MUI_ICON "${__FILEDIR__}/../app/vimager.ico"
!define MUI_UNICON "${__FILEDIR__}/../app/vimager.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_FINISHPAGE_TEXT_LARGE
!define MUI_FINISHPAGE_TEXT "${PRODUCT} now starts in the notification area at every logon, and the installed printers send their print jobs to it (unless you left that out).$\r$\n$\r$\nAn administrator changes how they deliver them with Tools > Fill registry."
; Unticked: the next logon starts it anyway. A start straight from this elevated setup would be
; elevated too, deaf to the printers: the shell starts it, as the logged-on user.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now (as the logged-on user)"
!define MUI_FINISHPAGE_RUN_FUNCTION StartAsLoggedOnUser

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${MAKER}"

; A running instance holds vimager.exe open: ask it to end the way File > Exit does.
; Only the instance of this session is reachable; for those of other sessions see
; MOVE_ASIDE_IF_IN_USE and the /REBOOTOK deletes of the uninstaller.
!macro DEFINE_CLOSE_PROGRAM PREFIX SILENT_ANSWER
Function ${PREFIX}CloseProgram
  ${Do}
    FindWindow $0 "TMainForm" "${PRODUCT}"
    ${If} $0 = 0
      ${ExitDo}
    ${EndIf}
    StrCpy $1 0
    System::Call "user32::GetWindowThreadProcessId(p r0, *i .r1) i"
    System::Call "kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2"
    System::Call "user32::PostMessage(p r0, i ${WM_COMMAND}, p ${IDM_EXIT1}, p 0) i"
    StrCpy $3 ${WAIT_OBJECT_0}
    ${If} $2 <> 0
      System::Call "kernel32::WaitForSingleObject(p r2, i 15000) i .r3"
      System::Call "kernel32::CloseHandle(p r2)"
    ${Else}
      Sleep 2000
    ${EndIf}
    ${If} $3 <> ${WAIT_OBJECT_0}
      MessageBox MB_ABORTRETRYIGNORE|MB_ICONEXCLAMATION "${PRODUCT} is still running. End it with File > Exit, then choose Retry." /SD ${SILENT_ANSWER} IDRETRY next IDIGNORE ignore
      Abort
      ignore:
        ${ExitDo}
      next:
    ${EndIf}
  ${Loop}
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_PROGRAM "" IDABORT
!insertmacro DEFINE_CLOSE_PROGRAM "un." IDIGNORE

; A copy running in another session (a terminal server) cannot be overwritten but can be
; moved aside; the moved file goes at the next restart, and nothing waits for that.
!macro MOVE_ASIDE_IF_IN_USE FILE
  ${If} ${FileExists} "${FILE}"
    ClearErrors
    Delete "${FILE}"
    ${If} ${Errors}
      StrCpy $1 0
      ${Do}
        IntOp $1 $1 + 1
        Delete "${FILE}.old$1"
      ${LoopWhile} ${FileExists} "${FILE}.old$1"
      Rename "${FILE}" "${FILE}.old$1"
      Delete /REBOOTOK "${FILE}.old$1"
      SetRebootFlag false
    ${EndIf}
  ${EndIf}
!macroend

; A new explorer.exe hands a path to the shell that already runs, which opens it as the user.
Function StartAsLoggedOnUser
  Exec '"$WINDIR\explorer.exe" "${PROGRAM}"'
FunctionEnd

; Walks up from the install folder to the first folder that already exists.
Function FindCreatedFolder
  StrCpy $CreatedFolder ""
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    ReadRegStr $CreatedFolder HKLM "${UNINSTALL_KEY}" "CreatedFolder"
    Return
  ${EndIf}
  StrCpy $0 $INSTDIR
  ${DoUntil} ${FileExists} "$0\*.*"
    StrCpy $CreatedFolder $0
    ${GetParent} $0 $0
    ${IfThen} $0 == "" ${|} ${ExitDo} ${|}
  ${Loop}
FunctionEnd

Section "${PRODUCT} (required)" SecProgram
  SectionIn RO
  Call FindCreatedFolder
  Call CloseProgram
  SetOutPath "$INSTDIR"
  !insertmacro MOVE_ASIDE_IF_IN_USE "${PROGRAM}"
  File "/oname=${PROGRAM_FILE}" "${VIMAGER_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "${SHORTCUT_FOLDER}"
  CreateShortcut "${SHORTCUT}" "${PROGRAM}" "" "${PROGRAM}" 0

  ; No argument: resident mode, one instance in every session that logs on.
  WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"${PROGRAM}"'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "${PROGRAM},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "CreatedFolder" "$CreatedFolder"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

!ifdef VPRINTER_EXE
Section /o "Printer-side tool (${TOOL_FILE})" SecPrinterTool
  SetOutPath "$INSTDIR"
  !insertmacro MOVE_ASIDE_IF_IN_USE "${TOOL}"
  File "/oname=${TOOL_FILE}" "${VPRINTER_EXE}"
SectionEnd
!endif

; What Tools > Fill registry > "Use messages (recommended)" writes, for every installed printer.
Section "Point the printers at ${PRODUCT}" SecPrinters
  InitPluginsDir
  File "/oname=$PLUGINSDIR\vimager-printers.dll" "${PRINTERS_DLL}"
  System::Call '$PLUGINSDIR\vimager-printers.dll::PointPrintersAt(m "${PROGRAM}") i ?u'
SectionEnd

Section "-Finish"
!ifdef VPRINTER_EXE
  ; A new install without the tool takes away the copy an earlier one left.
  ${IfNot} ${SectionIsSelected} ${SecPrinterTool}
    !insertmacro MOVE_ASIDE_IF_IN_USE "${TOOL}"
  ${EndIf}
!endif
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; After the sections: it selects them by their indexes.
Function .onInit
  SetShellVarContext all
  SetRegView 32
!ifdef VPRINTER_EXE
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/PRINTERTOOL" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecPrinterTool}
  ${EndIf}
!endif
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOPRINTERS" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecPrinters}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 32
FunctionEnd

; Empty folders from the install folder up to the outermost one this installation made.
Function un.RemoveFolders
  StrCpy $1 ""
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "CreatedFolder"
  ${EndIf}
  StrLen $2 $1
  StrCpy $3 $INSTDIR $2
  ${IfThen} $3 != $1 ${|} StrCpy $1 "" ${|}
  StrCpy $0 $INSTDIR
  ${Do}
    ; With files in use the folders can only be left for the restart to remove.
    ${If} ${RebootFlag}
      RMDir /REBOOTOK "$0"
    ${Else}
      RMDir "$0"
      ${IfThen} ${FileExists} "$0\*.*" ${|} ${ExitDo} ${|}
    ${EndIf}
    ${If} $1 == ""
    ${OrIf} $0 == $1
      ${ExitDo}
    ${EndIf}
    ${un.GetParent} $0 $0
    StrLen $3 $0
    ${IfThen} $3 < $2 ${|} ${ExitDo} ${|}
  ${Loop}
FunctionEnd

Section "Uninstall"
  Call un.CloseProgram
  ; Only the printers that still point at this copy.
  InitPluginsDir
  File "/oname=$PLUGINSDIR\vimager-printers.dll" "${PRINTERS_DLL}"
  System::Call '$PLUGINSDIR\vimager-printers.dll::UnpointPrintersFrom(m "${PROGRAM}") i ?u'
  Delete /REBOOTOK "${PROGRAM}"
  Delete /REBOOTOK "${TOOL}"
  Delete /REBOOTOK "${PROGRAM}.old*"
  Delete /REBOOTOK "${TOOL}.old*"
  Delete "$INSTDIR\uninstall.exe"
  Delete "${SHORTCUT}"
  RMDir "${SHORTCUT_FOLDER}"

  ; Another installation may have taken these over since: leave them to it.
  ReadRegStr $0 HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 == '"${PROGRAM}"'
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
  Call un.RemoveFolders
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd

Function un.onUninstSuccess
  ${If} ${RebootFlag}
    MessageBox MB_OK|MB_ICONINFORMATION "Some files of ${PRODUCT} are in use; they are removed at the next restart." /SD IDOK
    SetErrorLevel 3010
  ${EndIf}
FunctionEnd
