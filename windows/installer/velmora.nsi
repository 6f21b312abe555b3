; The installers of Velmora Screen Saver, one for each word size: puts
; Velmora.scr into the system folder for programs of its word size, makes it the
; current user's screen saver, offers to open its settings, and registers an
; uninstaller that gives the previous one back.
;   makensis -DVERSION=1.4 -DBITS=64 -DSCREEN_SAVER=path/Velmora.scr -DOUTFILE=Velmora-Setup-1.4-64-bit.exe velmora.nsi
; BITS 32: a 32-bit installer of the 32-bit saver, for 32- and 64-bit Windows.
; BITS 64: a 64-bit installer of the 64-bit saver, for 64-bit Windows only.
; Both the installer and the uninstaller run silently with /S.
!if ${BITS} == 64
  Target amd64-unicode
!else if ${BITS} == 32
  Unicode true
!else
  !error "BITS must be 32 or 64"
!endif
!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh

!define PRODUCT "Velmora Screen Saver"
!define DESKTOP_KEY "Control Panel\Desktop"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The current user's screen saver before the installation.
!define PREVIOUS_KEY "Software\Quorvane Software\${PRODUCT} Setup"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
!if ${BITS} == 64
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION OpenSettings
!define MUI_FINISHPAGE_RUN_TEXT "Open the screen saver's settings"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The saver's full path as the system sees it. For a 64-bit program $SYSDIR is
; the 64-bit system folder; the 32-bit one is SysWOW64 on 64-bit Windows, where
; $SYSDIR of a 32-bit program is redirected.
!macro SaverPath result
  !if ${BITS} == 64
    StrCpy ${result} "$SYSDIR\Velmora.scr"
  !else
    ${If} ${RunningX64}
      StrCpy ${result} "$WINDIR\SysWOW64\Velmora.scr"
    ${Else}
      StrCpy ${result} "$SYSDIR\Velmora.scr"
    ${EndIf}
  !endif
!macroend

Function OpenSettings
  !insertmacro SaverPath $0
  Exec '"$0" /c'
FunctionEnd

Section "Install"
  SetOutPath "$SYSDIR"
  File "/oname=Velmora.scr" "${SCREEN_SAVER}"
  !insertmacro SaverPath $0

  ; Remember the screen saver in use, unless it is this one (a second installation).
  ClearErrors
  ReadRegStr $1 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $1 != $0
    ${If} ${Errors}
      WriteRegStr HKCU "${PREVIOUS_KEY}" "SaverMissing" "1"
    ${EndIf}
    WriteRegStr HKCU "${PREVIOUS_KEY}" "Saver" "$1"
    ClearErrors
    ReadRegStr $2 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${If} ${Errors}
      WriteRegStr HKCU "${PREVIOUS_KEY}" "ActiveMissing" "1"
    ${EndIf}
    WriteRegStr HKCU "${PREVIOUS_KEY}" "Active" "$2"
  ${EndIf}
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$0"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quorvane Software"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$0,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Gives the previous screen saver back, unless the user has chosen another since.
Section "Uninstall"
  !insertmacro SaverPath $0
  ReadRegStr $1 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $1 == $0
    ReadRegStr $1 HKCU "${PREVIOUS_KEY}" "SaverMissing"
    ReadRegStr $2 HKCU "${PREVIOUS_KEY}" "Saver"
    ${If} $1 == "1"
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$2"
    ${EndIf}
    ReadRegStr $1 HKCU "${PREVIOUS_KEY}" "ActiveMissing"
    ReadRegStr $2 HKCU "${PREVIOUS_KEY}" "Active"
    ${If} $1 == "1"
      DeleteRegValue HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "$2"
    ${EndIf}
  ${EndIf}
  DeleteRegKey HKCU "${PREVIOUS_KEY}"
  Delete "$SYSDIR\Velmora.scr"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
