; The Windows installer: the window, the command line and their data files for the user who
; installs (no administrator rights needed), a Start menu entry, and an uninstaller listed in
; Windows' Apps and Features.
;   makensis -DVERSION=0.1.0 -DRELEASE=<folder of the release> -DOUTFILE=<setup.exe> quillmark10.nsi
Unicode true
Target amd64-unicode ; a 64-bit program, installed by a 64-bit installer
!include "MUI2.nsh"

Name "Quillmark10 ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quillmark10"
InstallDirRegKey HKCU "Software\Quillmark10" "InstallDir"
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmark10"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\quillmark10.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Quillmark10"
    SetRegView 64
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File "${RELEASE}\quillmark10.exe"
    File "${RELEASE}\qmk10.exe"
    File "${RELEASE}\keynames"
    File "${RELEASE}\qmk10.txt"
    File "${RELEASE}\quillmark10.txt"
    SetOutPath "$INSTDIR\help"
    File /r "${RELEASE}\help\*.*"
    SetOutPath "$INSTDIR\demo"
    File /r "${RELEASE}\demo\*.*"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\Quillmark10.lnk" "$INSTDIR\quillmark10.exe"
    WriteRegStr HKCU "Software\Quillmark10" "InstallDir" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quillmark10"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillmark10.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The program's own folder of settings and archives (in the user's data folder) is the user's:
; the uninstaller leaves it.
Section "Uninstall"
    SetRegView 64
    SetShellVarContext current
    Delete "$SMPROGRAMS\Quillmark10.lnk"
    Delete "$INSTDIR\quillmark10.exe"
    Delete "$INSTDIR\qmk10.exe"
    Delete "$INSTDIR\keynames"
    Delete "$INSTDIR\qmk10.txt"
    Delete "$INSTDIR\quillmark10.txt"
    RMDir /r "$INSTDIR\help"
    RMDir /r "$INSTDIR\demo"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    DeleteRegKey HKCU "Software\Quillmark10"
SectionEnd
