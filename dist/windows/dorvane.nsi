; The installer of Dorvane for Windows: the programs and the palette file in Program Files\Dorvane,
; a Start-menu shortcut, and an uninstaller in the system's list of installed programs that leaves
; nothing behind. makensis is given VERSION, STAGE (the files to install) and OUTFILE.
; A 64-bit installer, like the programs it installs.
Target amd64-unicode
!include "MUI2.nsh"

Name "Dorvane ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Dorvane"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Dorvane"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Dorvane"
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "${STAGE}/dorvane.exe"
  File "${STAGE}/dorvane-render.exe"
  File "${STAGE}/pelds.pal"
  File "${STAGE}/README.txt"
  File "${STAGE}/LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\Dorvane.lnk" "$INSTDIR\dorvane.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Dorvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Dorvane authors"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\dorvane.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  Delete "$SMPROGRAMS\Dorvane.lnk"
  Delete "$INSTDIR\dorvane.exe"
  Delete "$INSTDIR\dorvane-render.exe"
  Delete "$INSTDIR\pelds.pal"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
