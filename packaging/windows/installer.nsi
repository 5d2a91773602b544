; The installer of クラス分けシステム for Windows, built by scripts/build-windows.sh
; with Debian's makensis. It installs for the current user only, into
; %LOCALAPPDATA%\Programs\classdiv, so that no administrator rights are needed
; (school PCs are locked down): the two programs in the Start menu, varmesto in
; "Open with" for CSV files, and an uninstaller in Settings → Apps.
;
; Defined by the build: VERSION, STAGE (the folder of the ZIP), ICON,
; UNINSTALL_LIST (the Delete and RMDir lines for exactly the files installed)
; and OUTFILE.

; A 64-bit installer for the 64-bit programs (and Wine's 64-bit prefix of the tests).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define PRODUCT "クラス分けシステム"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\classdiv"
!define OPEN_WITH_KEY "Software\Classes\Applications\varmesto.exe"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\classdiv"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1041 "FileDescription" "${PRODUCT} のインストーラー"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "クラス分けシステムの開発者"

!include "MUI2.nsh"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "クラス分けシステム ${VERSION} をこのパソコンのあなたのユーザーにインストールします。$\r$\n$\r$\n管理者の権限は要りません。スタートメニューに「クラス分け」と「クラス分け（固定画面）」が入り、CSV ファイルの「プログラムから開く」にも出ます。$\r$\n$\r$\n続けるには [次へ] を押してください。"
!define MUI_FINISHPAGE_RUN "$INSTDIR\varmesto.exe"
!define MUI_FINISHPAGE_RUN_TEXT "クラス分けシステムを起動する"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\はじめにお読みください.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "「はじめにお読みください」を開く"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Section "クラス分けシステム" Main
  SectionIn RO
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\クラス分け.lnk" "$INSTDIR\varmesto.exe" "" "$INSTDIR\varmesto.exe" 0 \
    SW_SHOWNORMAL "" "クラス分けシステム"
  CreateShortcut "$SMPROGRAMS\クラス分け（固定画面）.lnk" "$INSTDIR\lintoraq.exe" "" "$INSTDIR\lintoraq.exe" 0 \
    SW_SHOWNORMAL "" "クラス分けシステム (窓の大きさが固定)"

  ; "Open with" for .csv: the program named, and listed for the extension.
  WriteRegStr HKCU "${OPEN_WITH_KEY}" "FriendlyAppName" "クラス分け"
  WriteRegStr HKCU "${OPEN_WITH_KEY}\shell\open\command" "" '"$INSTDIR\varmesto.exe" "%1"'
  WriteRegStr HKCU "${OPEN_WITH_KEY}\SupportedTypes" ".csv" ""
  WriteRegStr HKCU "Software\Classes\.csv\OpenWithList\varmesto.exe" "" ""
  ; Workbooks too: the program reads .xlsx and .ods rosters directly.
  WriteRegStr HKCU "${OPEN_WITH_KEY}\SupportedTypes" ".xlsx" ""
  WriteRegStr HKCU "${OPEN_WITH_KEY}\SupportedTypes" ".ods" ""
  WriteRegStr HKCU "Software\Classes\.xlsx\OpenWithList\varmesto.exe" "" ""
  WriteRegStr HKCU "Software\Classes\.ods\OpenWithList\varmesto.exe" "" ""

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\varmesto.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\クラス分け.lnk"
  Delete "$SMPROGRAMS\クラス分け（固定画面）.lnk"
  DeleteRegKey HKCU "${OPEN_WITH_KEY}"
  DeleteRegKey HKCU "Software\Classes\.csv\OpenWithList\varmesto.exe"
  DeleteRegKey HKCU "Software\Classes\.xlsx\OpenWithList\varmesto.exe"
  DeleteRegKey HKCU "Software\Classes\.ods\OpenWithList\varmesto.exe"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; Only what was installed: a result or conditions file saved in examples
  ; keeps its folder. The settings under Software\classdiv stay as well.
!include "${UNINSTALL_LIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
