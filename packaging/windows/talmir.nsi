; The TALMIR installer: installs the portable folder's files into Program
; Files, adds Start-menu entries for the tool and its demo, and registers an
; uninstaller that removes every file it installed. /S installs and
; uninstalls silently. Built by deploy.sh, which passes VERSION, NSH_DIR (the
; generated file lists), OUTFILE and ICON.
; A 64-bit installer for a 64-bit program (it also runs where only a 64-bit
; wine is installed).
Target amd64-unicode

Name "TALMIR ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES64\TALMIR"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TALMIR"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "TALMIR"
    !include "${NSH_DIR}\install-files.nsh"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "$SMPROGRAMS\TALMIR"
    CreateShortcut "$SMPROGRAMS\TALMIR\TALMIR.lnk" "$INSTDIR\talmir.exe"
    CreateShortcut "$SMPROGRAMS\TALMIR\TALMIR (демо).lnk" "$INSTDIR\talmir.exe" "--demo"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "TALMIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "TALMIR developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\talmir.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    !include "${NSH_DIR}\uninstall-files.nsh"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"

    Delete "$SMPROGRAMS\TALMIR\TALMIR.lnk"
    Delete "$SMPROGRAMS\TALMIR\TALMIR (демо).lnk"
    RMDir "$SMPROGRAMS\TALMIR"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
