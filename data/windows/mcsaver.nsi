; The per-user installer of the Windows program, made by scripts/package-windows with Debian's
; makensis. No administrator is asked for: the program goes to %LOCALAPPDATA%\Programs\mcsaver,
; its Start-menu entry and its uninstall entry to the current user. The uninstaller removes
; only the files this installer put there; the data folder (%LOCALAPPDATA%\mcsaver) with the
; settings and every backup is never touched.
;   makensis -DVERSION=<version> -DSTAGE=<folder of the zip> -DFILES=<list> -DOUTFILE=<exe> mcsaver.nsi
; The program is 64-bit only, and so is the installer: it also runs under a 64-bit-only Wine.
Target amd64-unicode
; zlib: LZMA would make it 9 MB instead of 13, but takes five times as long to make.
SetCompressor /SOLID zlib
RequestExecutionLevel user

!define APP "MC存档自动保存"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\mcsaver"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\mcsaver"
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  ; The program reads this mark and keeps its data in %LOCALAPPDATA%\mcsaver, not here
  ; (platform/windows/DataFolder.cpp).
  FileOpen $0 "$INSTDIR\installed.txt" w
  FileWrite $0 "由安装程序放置：安装版的设置和备份保存在 %LOCALAPPDATA%\mcsaver，卸载时不会删除。$\r$\n"
  FileClose $0
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\mcsaver.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\mcsaver.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  ; One Delete line for each file installed, listed by scripts/package-windows.
  !include "${FILES}"
  Delete "$INSTDIR\installed.txt"
  Delete "$INSTDIR\uninstall.exe"
  ; Only folders left empty go: whatever the player put there stays.
  RMDir "$INSTDIR\platforms"
  RMDir "$INSTDIR\styles"
  RMDir "$INSTDIR\translations"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${APP}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
