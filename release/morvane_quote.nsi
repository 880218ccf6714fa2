; The Windows installer of Morvane Quote, built by release/CMakeLists.txt
; (target mq_installer) with makensis. The build defines MQ_VERSION,
; MQ_VERSION_NUMBERS (four numbers), MQ_BIN_DIR (the deliverables),
; MQ_README, MQ_ICON and MQ_OUT_FILE.
;
; Command line: /S (silent), /D=folder (last), /LIVE=0|1 (the gateway,
; default 1), /EXTENDED=0|1 (pre- and after-hours prices, default 0),
; /AUTOSTART=0|1 (the program at log-on, default 0). Anything else is
; refused with exit code 2.

!ifndef MQ_VERSION | MQ_VERSION_NUMBERS | MQ_BIN_DIR | MQ_README | MQ_ICON | MQ_OUT_FILE
  !error "build this script through CMake (target mq_installer)"
!endif

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include WinMessages.nsh

!define PRODUCT "Morvane Quote"
!define PUBLISHER "Morvane Software"
!define PROGRAM "Morvane Quote.exe"
!define GATEWAY "Morvane Quote Gateway.exe"
!define GATEWAY_PORT 8421
!define WINDOW_CLASS "MORQUOTE"
!define SETTINGS_KEY "Software\Morvane\Morvane Quote"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Morvane Quote"
!define UNINSTALLER "Uninstall.exe"
!define MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"
!define GATEWAY_STARTUP_LINK "$SMSTARTUP\Morvane Quote Gateway.lnk"
!define PROGRAM_STARTUP_LINK "$SMSTARTUP\Morvane Quote.lnk"
!define GATEWAY_STATUS_LINK "${MENU_FOLDER}\Morvane Quote Gateway status.url"
!define SYNCHRONIZE 0x00100000
!define EXIT_BAD_OPTION 2

Name "${PRODUCT} ${MQ_VERSION}"
OutFile "${MQ_OUT_FILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${MQ_VERSION}"

!define MUI_ICON "${MQ_ICON}"
!define MUI_UNICON "${MQ_ICON}"
!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion ${MQ_VERSION_NUMBERS}
VIFileVersion ${MQ_VERSION_NUMBERS}
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${MQ_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${MQ_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

; Stops the gateway and the program of this folder, so that their files can
; be replaced or removed; one copy for the installer, one ("un.") for the
; uninstaller.
!macro DEFINE_STOP_RUNNING prefix
Function ${prefix}StopRunning
  ${If} ${FileExists} "$INSTDIR\${GATEWAY}"
    ; Through nsExec the gateway has a standard error to write "none is
    ; running" to, instead of a message box that would stall a silent run.
    nsExec::Exec '"$INSTDIR\${GATEWAY}" --stop'
    Pop $0
  ${EndIf}
  ; The program saves its quotes while its window closes; its files stay in
  ; use until its process has ended, so wait for that.
  StrCpy $2 0
  ${Do}
    FindWindow $0 "${WINDOW_CLASS}"
    ${If} $0 = 0
    ${OrIf} $2 >= 5
      ${ExitDo}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r3'
    System::Call 'user32::PostMessage(p r0, i ${WM_CLOSE}, p 0, p 0)'
    ${If} $3 <> 0
      System::Call 'kernel32::WaitForSingleObject(p r3, i 10000)'
      System::Call 'kernel32::CloseHandle(p r3)'
    ${Else}
      Sleep 1000
    ${EndIf}
    IntOp $2 $2 + 1
  ${Loop}
FunctionEnd
!macroend
!insertmacro DEFINE_STOP_RUNNING ""
!insertmacro DEFINE_STOP_RUNNING "un."

Section "-Stop running copies"
  Call StopRunning
SectionEnd

Section "Morvane Quote" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${MQ_BIN_DIR}/${PROGRAM}"
  File "${MQ_BIN_DIR}/Morvane Quote Nasdaq.mqx"
  File "${MQ_BIN_DIR}/Morvane Quote Utilities.dll"
  File "${MQ_BIN_DIR}/Morvane Quote Help.chm"
  File "/oname=README.txt" "${MQ_README}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\Morvane Quote.lnk" "$INSTDIR\${PROGRAM}"
  CreateShortcut "${MENU_FOLDER}\Morvane Quote Help.lnk" "$INSTDIR\Morvane Quote Help.chm"
SectionEnd

Section "Live quotes" SecLive
  SetOutPath "$INSTDIR"
  File "${MQ_BIN_DIR}/${GATEWAY}"
  ; An internet shortcut opens the gateway's status page in the browser.
  WriteINIStr "${GATEWAY_STATUS_LINK}" "InternetShortcut" "URL" "http://127.0.0.1:${GATEWAY_PORT}/"
  ; A proxy the user chose stays; only a store without one gets the gateway.
  ReadRegStr $0 HKCU "${SETTINGS_KEY}" "Proxy"
  ${If} $0 == ""
    WriteRegStr HKCU "${SETTINGS_KEY}" "Proxy" "127.0.0.1"
    WriteRegDWORD HKCU "${SETTINGS_KEY}" "Port" ${GATEWAY_PORT}
  ${EndIf}
SectionEnd

; The gateway's command line says so; written last, with the Startup entry.
Section /o "Pre- and after-hours prices" SecExtended
SectionEnd

; Its Startup entry is written last, where both options are known.
Section /o "Start Morvane Quote at log-on" SecAutostart
SectionEnd

; Last: an option left out now takes away what an earlier install of it put
; there; then the gateway starts and the entry is written with the size.
Section "-Finish"
  Delete "${PROGRAM_STARTUP_LINK}"
  ${If} ${SectionIsSelected} ${SecLive}
    StrCpy $1 ""
    ${If} ${SectionIsSelected} ${SecExtended}
      StrCpy $1 "--session extended"
    ${EndIf}
    ${If} ${SectionIsSelected} ${SecAutostart}
      ; One entry for both: the gateway starts Morvane Quote once it
      ; listens, so that the first refresh never finds it missing.
      CreateShortcut "${GATEWAY_STARTUP_LINK}" "$INSTDIR\${GATEWAY}" '$1 --start-ticker "$INSTDIR\${PROGRAM}"'
    ${Else}
      CreateShortcut "${GATEWAY_STARTUP_LINK}" "$INSTDIR\${GATEWAY}" "$1"
    ${EndIf}
    Exec '"$INSTDIR\${GATEWAY}" $1'
  ${Else}
    Delete "${GATEWAY_STARTUP_LINK}"
    Delete "${GATEWAY_STATUS_LINK}"
    Delete "$INSTDIR\${GATEWAY}"
    ${If} ${SectionIsSelected} ${SecAutostart}
      CreateShortcut "${PROGRAM_STARTUP_LINK}" "$INSTDIR\${PROGRAM}"
    ${EndIf}
  ${EndIf}

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${MQ_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "The tray program, its plug-in, its page-fetch library and its help."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecLive} "The gateway for live quotes: starts at log-on and becomes the proxy unless one is set."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecExtended} "With Live quotes: before and after the regular session, the latest pre-market or after-hours trade where the source states one."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecAutostart} "Starts Morvane Quote whenever a user logs on; with Live quotes, once the gateway listens."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; Refuses the whole command line when any word of it is not an option of
; this installer, so a mistyped option never installs something unasked.
Function CheckOptions
  ${GetParameters} $R0
  ${Do}
    StrCpy $1 $R0 1
    ${If} $1 == " "
      StrCpy $R0 $R0 "" 1
      ${Continue}
    ${EndIf}
    ${If} $R0 == ""
      ${ExitDo}
    ${EndIf}
    StrCpy $2 1
    ${Do}
      StrCpy $1 $R0 1 $2
      ${If} $1 == ""
      ${OrIf} $1 == " "
        ${ExitDo}
      ${EndIf}
      IntOp $2 $2 + 1
    ${Loop}
    StrCpy $3 $R0 $2
    StrCpy $R0 $R0 "" $2
    StrCpy $4 $3 3
    ${If} $4 S== "/D="
      ${ExitDo}  ; the folder runs to the end of the line
    ${EndIf}
    ; NSIS itself knows /S and /NCRC in capitals only.
    ${If} $3 S== "/S"
    ${OrIf} $3 S== "/NCRC"
      ${Continue}
    ${EndIf}
    ${Select} $3
      ${Case4} "/LIVE=0" "/LIVE=1" "/AUTOSTART=0" "/AUTOSTART=1"
      ${Case2} "/EXTENDED=0" "/EXTENDED=1"
      ${CaseElse}
        MessageBox MB_OK|MB_ICONSTOP "Unknown option $\"$3$\".$\n$\nOptions: /S, /LIVE=0|1, /EXTENDED=0|1, /AUTOSTART=0|1, /D=folder (last)." /SD IDOK
        SetErrorLevel ${EXIT_BAD_OPTION}
        Quit
    ${EndSelect}
  ${Loop}
FunctionEnd

Function .onInit
  SetShellVarContext all
  Call CheckOptions
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/LIVE=" $0
  ${IfNot} ${Errors}
  ${AndIf} $0 == "0"
    !insertmacro UnselectSection ${SecLive}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/EXTENDED=" $0
  ${IfNot} ${Errors}
  ${AndIf} $0 == "1"
    !insertmacro SelectSection ${SecExtended}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/AUTOSTART=" $0
  ${IfNot} ${Errors}
  ${AndIf} $0 == "1"
    !insertmacro SelectSection ${SecAutostart}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  Call un.StopRunning
  Delete "$INSTDIR\${PROGRAM}"
  Delete "$INSTDIR\Morvane Quote Nasdaq.mqx"
  Delete "$INSTDIR\Morvane Quote Utilities.dll"
  Delete "$INSTDIR\Morvane Quote Help.chm"
  Delete "$INSTDIR\${GATEWAY}"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  Delete "${MENU_FOLDER}\Morvane Quote.lnk"
  Delete "${MENU_FOLDER}\Morvane Quote Help.lnk"
  Delete "${GATEWAY_STATUS_LINK}"
  RMDir "${MENU_FOLDER}"
  Delete "${GATEWAY_STARTUP_LINK}"
  Delete "${PROGRAM_STARTUP_LINK}"

  ; The symbols and quotes are the user's: only a yes removes them, and a
  ; silent uninstall keeps them.
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Also remove your Morvane Quote settings (symbols, stored quotes, update interval and proxy)?" \
    /SD IDNO IDNO keep_settings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Morvane"
keep_settings:
  ; Last: the entry stays for as long as anything else of the install does.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
