; The setup program of BrenvaldorFlash for 64-bit Windows, built by scripts/package-windows:
;   makensis -DVERSION=1.4.1148 -DSTAGE=<folder of the files> -DICON=<.ico> -DSIZE_KB=<n> -DOUTFILE=<setup.exe> BrenvaldorFlash.nsi
; Installs the window, the command line, the guides, the demo firmware, the licence and a readme to
; Program Files\BrenvaldorFlash, with a Start-menu entry and an uninstaller that Add or Remove
; Programs lists. /S installs and uninstalls silently. The uninstaller removes the files it
; installed and nothing else: the settings file and the user's backups stay.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define PRODUCT "BrenvaldorFlash"
!define PUBLISHER "The BrenvaldorFlash developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
Icon "${ICON}"
UninstallIcon "${ICON}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}, MIT License"

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles
LicenseData "${STAGE}/LICENSE.txt"

; The files of the program folder, said once for installing and removing.
!macro ProgramFiles Action
    !insertmacro ${Action} "BrenvaldorFlash.exe"
    !insertmacro ${Action} "brenvaldor.exe"
    !insertmacro ${Action} "BrenvaldorFlashHelp_EN.pdf"
    !insertmacro ${Action} "BrenvaldorFlashHelp_DE.pdf"
    !insertmacro ${Action} "BrenvaldorFlashHelp_SV.pdf"
    !insertmacro ${Action} "demo-firmware.hex"
    !insertmacro ${Action} "LICENSE.txt"
    !insertmacro ${Action} "README.txt"
!macroend
!macro InstallFile Name
    File "${STAGE}/${Name}"
!macroend
!macro RemoveFile Name
    Delete "$INSTDIR\${Name}"
!macroend

Function .onInit
    SetRegView 64
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

Section "Install"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    !insertmacro ProgramFiles InstallFile
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\BrenvaldorFlash.exe" "" "$INSTDIR\BrenvaldorFlash.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\BrenvaldorFlash.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    !insertmacro ProgramFiles RemoveFile
    Delete "$INSTDIR\Uninstall.exe"
    ; Only when empty: whatever the user put there stays.
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
