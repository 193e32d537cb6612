; The Windows installer: per user, no administrator rights, a Start-menu shortcut that starts
; Tallyvolt in the user's profile folder (where it looks for tallyvolt.ini), and an uninstaller
; that removes the program and never the user's settings or logs.
; makensis -DVERSION=1.0 -DSOURCE=<folder with the .exe files> -DOUTFILE=<setup.exe> tallyvolt.nsi
Unicode true
; 64-bit: the installer runs where only 64-bit programs do (Debian's wine64 among them).
Target amd64-unicode
SetCompressor /SOLID lzma

Name "Tallyvolt ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Tallyvolt"
InstallDirRegKey HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tallyvolt" "InstallLocation"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tallyvolt"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Tallyvolt"
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File "${SOURCE}\tallyvolt.exe"
    File "${SOURCE}\tallyvolt-report.exe"
    File "${SOURCE}\readme.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The shortcut's working folder is the profile folder: the settings file lives there.
    CreateDirectory "$SMPROGRAMS\Tallyvolt"
    SetOutPath "$PROFILE"
    CreateShortcut "$SMPROGRAMS\Tallyvolt\Tallyvolt.lnk" "$INSTDIR\tallyvolt.exe" "" \
        "$INSTDIR\tallyvolt.exe" 0
    ; The instructions the About box names.
    CreateShortcut "$SMPROGRAMS\Tallyvolt\Tallyvolt readme.lnk" "$INSTDIR\readme.txt"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tallyvolt"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tallyvolt.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    ; Only what the installer put there: settings and logs stay where the user keeps them.
    Delete "$INSTDIR\tallyvolt.exe"
    Delete "$INSTDIR\tallyvolt-report.exe"
    Delete "$INSTDIR\readme.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Tallyvolt\Tallyvolt.lnk"
    Delete "$SMPROGRAMS\Tallyvolt\Tallyvolt readme.lnk"
    RMDir "$SMPROGRAMS\Tallyvolt"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
