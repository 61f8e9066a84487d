; The Windows installer: both programs for the current user, without administrator rights,
; a Start-menu entry, an uninstaller, and (ticked by default) .wpt files opening in Trelka.
;
;   makensis -DVERSION=1.0.0 -DPROGRAMS=folder-with-the-exes -DOUTFILE=setup.exe trelka.nsi
;
; 64-bit, like the programs it installs.
Target amd64-unicode
Unicode true
SetCompressor /SOLID lzma

!include "MUI2.nsh"

Name "Trelka"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Trelka"
InstallDirRegKey HKCU "Software\Trelka" "InstallDir"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Trelka"
!define WPT_CLASS "Trelka.wpt"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1049 "ProductName" "Trelka"
VIAddVersionKey /LANG=1049 "FileDescription" "Trelka setup"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "LegalCopyright" "Trelka developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\trelka.exe"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Section "Trelka" SecPrograms
  SectionIn RO
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${PROGRAMS}\trelka.exe"
  File "${PROGRAMS}\trelka-batch.exe"
  File "${PROGRAMS}\README.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Trelka.lnk" "$INSTDIR\trelka.exe"
  WriteRegStr HKCU "Software\Trelka" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Trelka"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\trelka.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Открывать файлы .wpt в Trelka" SecAssociation
  WriteRegStr HKCU "Software\Classes\.wpt" "" "${WPT_CLASS}"
  WriteRegStr HKCU "Software\Classes\${WPT_CLASS}" "" "Файл Wpt"
  WriteRegStr HKCU "Software\Classes\${WPT_CLASS}\DefaultIcon" "" "$INSTDIR\trelka.exe,0"
  WriteRegStr HKCU "Software\Classes\${WPT_CLASS}\shell\open\command" "" '"$INSTDIR\trelka.exe" "%1"'
  WriteRegStr HKCU "Software\Classes\Applications\trelka.exe\shell\open\command" "" '"$INSTDIR\trelka.exe" "%1"'
  ; SHCNE_ASSOCCHANGED: Explorer picks up the new icon and verb at once.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Trelka.lnk"
  Delete "$INSTDIR\trelka.exe"
  Delete "$INSTDIR\trelka-batch.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The association is removed only where it is still ours.
  ReadRegStr $0 HKCU "Software\Classes\.wpt" ""
  StrCmp $0 "${WPT_CLASS}" 0 +2
    DeleteRegKey HKCU "Software\Classes\.wpt"
  DeleteRegKey HKCU "Software\Classes\${WPT_CLASS}"
  DeleteRegKey HKCU "Software\Classes\Applications\trelka.exe"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\Trelka"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
