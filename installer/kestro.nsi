; The installer and uninstaller of 泓迈网游加速器, in Simplified Chinese.
; Built by cmake/package.cmake (target "installer"), which passes:
;   VERSION            "major.minor.patch" from the file VERSION
;   VERSION_QUAD       the same with a fourth number, 0, for the version resource
;   PROGRAM_FILES_NSH  the generated macros InstallProgramFiles and RemoveProgramFiles
;   ICON               the program's icon
;   WEB_SITE           the web site address of the build
;   OUTFILE            the installer to write
;   DEMO               (development trees) the package carries our stand-ins
;
; The installer needs administrator rights, installs into the 32-bit Program
; Files, makes the Start-menu and desktop shortcuts and the uninstall entry,
; and refuses to run while the program runs. The uninstaller deletes the
; routes the program's route journal still lists (through the IP helper
; library, as the program adds them), removes the virtual adapter
; through the driver tool, deletes the files, shortcuts and uninstall entry,
; and asks whether to keep the user's settings (a silent uninstall keeps them).

Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include "${PROGRAM_FILES_NSH}"

!define PRODUCT "泓迈网游加速器"
!define PUBLISHER "泓迈网游加速器"
; The program's single-instance mutex (app/startup_win.cpp).
!define PROGRAM_MUTEX "Kestro"
; The program's keys: in the 32-bit registry view, which a 32-bit installer
; sees by default, as the 32-bit program does.
!define PROGRAM_KEY "Software\Kestro"
!define ROUTE_JOURNAL_KEY "Software\Kestro\RouteJournal"
!define SETTINGS_KEY "Software\Kestro\Settings"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestro"
!define UNINSTALLER "uninst.exe"
!define ADAPTER_ID "kestro"

!ifdef DEMO
  Name "${PRODUCT}（演示版）"
  !define DISPLAY_NAME "${PRODUCT}（演示版）"
!else
  Name "${PRODUCT}"
  !define DISPLAY_NAME "${PRODUCT}"
!endif
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Kestro"
InstallDirRegKey HKLM "${PROGRAM_KEY}" "InstallDir"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "FileDescription" "${DISPLAY_NAME} 安装程序"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION_QUAD}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
; Rendered from art/wizard.svg by scripts/make-art.
!define MUI_WELCOMEFINISHPAGE_BITMAP "${__FILEDIR__}/wizard.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${__FILEDIR__}/wizard.bmp"
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING

; The progress pages stay until the user goes on, so the details can be read.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_UNFINISHPAGE_NOAUTOCLOSE
!define MUI_WELCOMEPAGE_TITLE "欢迎安装 $(^NameDA)"
!ifdef DEMO
  !define MUI_WELCOMEPAGE_TEXT "这是 ${PRODUCT} ${VERSION} 的演示版。$\r$\n$\r$\n演示版附带开发用的替身组件（隧道库、虚拟网卡驱动工具和升级程序），只能连接本机上的演示服务，不能用于正式加速服务。$\r$\n$\r$\n$_CLICK"
!else
  !define MUI_WELCOMEPAGE_TEXT "安装向导将在您的计算机上安装 ${PRODUCT} ${VERSION}。$\r$\n$\r$\n安装前请先退出正在运行的 ${PRODUCT}。$\r$\n$\r$\n$_CLICK"
!endif
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Kestro.exe"
!define MUI_FINISHPAGE_RUN_TEXT "立即运行 ${PRODUCT}"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "SimpChinese"

!define RUNNING_INSTALL_TEXT "${PRODUCT} 正在运行，无法安装。$\r$\n$\r$\n请先关闭 ${PRODUCT} 的窗口退出程序，然后再运行安装程序。"
!define RUNNING_UNINSTALL_TEXT "${PRODUCT} 正在运行，无法卸载。$\r$\n$\r$\n请先关闭 ${PRODUCT} 的窗口退出程序，然后再卸载。"
!define NOT_ADMIN_TEXT "安装 ${PRODUCT} 需要计算机管理员权限。$\r$\n$\r$\n请以管理员身份运行安装程序。"
!define KEEP_SETTINGS_TEXT "是否保留您的用户设置？$\r$\n$\r$\n用户设置包括保存的用户名、密码以及选择的游戏和语音软件。选择“是”将保留这些设置，重新安装后可以继续使用；选择“否”将一并删除。"

; Ends the installer or uninstaller with exit code 2 and the message when the
; program holds its mutex. OpenMutex never creates the mutex, so a program
; started from the finish page is not taken for a second copy.
!macro RefuseWhileProgramRuns MESSAGE
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${PROGRAM_MUTEX}") p .r0 ?e'
  Pop $1
  ; ERROR_ACCESS_DENIED: the mutex exists, held by a program of another account.
  ${If} $0 <> 0
  ${OrIf} $1 = 5
    ${If} $0 <> 0
      System::Call 'kernel32::CloseHandle(p r0)'
    ${EndIf}
    MessageBox MB_OK|MB_ICONSTOP "${MESSAGE}" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
!macroend

Function .onInit
  !insertmacro RefuseWhileProgramRuns "${RUNNING_INSTALL_TEXT}"
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_OK|MB_ICONSTOP "${NOT_ADMIN_TEXT}" /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
FunctionEnd

Section "Install"
  SetShellVarContext all
  !insertmacro InstallProgramFiles
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; Shortcuts start in the program folder, with the program's icon.
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\Kestro.exe" "" "$INSTDIR\Kestro.exe" 0
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\卸载${PRODUCT}.lnk" "$INSTDIR\${UNINSTALLER}" "" "$INSTDIR\Kestro.exe" 0
  CreateShortCut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\Kestro.exe" "" "$INSTDIR\Kestro.exe" 0

  WriteRegStr HKLM "${PROGRAM_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${DISPLAY_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kestro.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${WEB_SITE}"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; In KB, as the Programs and Features list expects.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; --- Uninstaller -------------------------------------------------------------

Var KeepSettings

Function un.onInit
  !insertmacro RefuseWhileProgramRuns "${RUNNING_UNINSTALL_TEXT}"
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_OK|MB_ICONSTOP "${NOT_ADMIN_TEXT}" /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
FunctionEnd

; Pops a text; pushes its address in network byte order when it is a dotted
; IPv4 address ("198.51.100.0"), else "" (inet_addr alone would make the
; all-ones address of malformed text).
Function un.DottedAddress
  Exch $0
  Push $1
  Push $2
  StrCpy $2 ""
  StrLen $1 $0
  ${If} $1 >= 7
  ${AndIf} $1 <= 15
    ${StrFilter} "$0" "1" "." "" $1
    ${If} $1 == $0
      ClearErrors
      ${WordFind} "$0" "." "E#" $1
      ${IfNot} ${Errors}
      ${AndIf} $1 = 4
        System::Call 'ws2_32::inet_addr(m r0) i .r1'
        ${If} $1 <> -1
        ${OrIf} $0 == "255.255.255.255"
          StrCpy $2 $1
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${EndIf}
  StrCpy $0 $2
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Pops one row of the route journal, "<destination> <mask> <next hop> <interface index>",
; and deletes that route from the system's forward table. A malformed row is skipped.
Function un.DeleteJournalRoute
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  ClearErrors
  ${WordFind} "$0" " " "E#" $1
  ${If} ${Errors}
  ${OrIf} $1 <> 4
    DetailPrint "跳过无法识别的路由记录：$0"
    Goto done
  ${EndIf}
  ${WordFind} "$0" " " "+4" $4
  ${StrFilter} "$4" "1" "" "" $5
  ${If} $5 != $4
  ${OrIf} $4 == ""
    DetailPrint "跳过无法识别的路由记录：$0"
    Goto done
  ${EndIf}
  ${WordFind} "$0" " " "+1" $1
  Push $1
  Call un.DottedAddress
  Pop $1
  ${WordFind} "$0" " " "+2" $2
  Push $2
  Call un.DottedAddress
  Pop $2
  ${WordFind} "$0" " " "+3" $3
  Push $3
  Call un.DottedAddress
  Pop $3
  ${If} $1 == ""
  ${OrIf} $2 == ""
  ${OrIf} $3 == ""
    DetailPrint "跳过无法识别的路由记录：$0"
    Goto done
  ${EndIf}
  ; MIB_IPFORWARDROW: destination, mask, policy, next hop, interface index, then
  ; type, protocol, age, next hop AS and five metrics, which deleting ignores.
  System::Call '*(i r1, i r2, i 0, i r3, i r4, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0) p .r5'
  System::Call 'iphlpapi::DeleteIpForwardEntry(p r5) i .r6'
  System::Free $5
  ${If} $6 = 0
    DetailPrint "已删除路由：$0"
  ${Else}
    DetailPrint "删除路由 $0：结果 $6"
  ${EndIf}
done:
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Deletes every route the route journal lists, then the journal itself.
Function un.SweepRoutes
  StrCpy $R0 0
  ${Do}
    ClearErrors
    EnumRegValue $R1 HKLM "${ROUTE_JOURNAL_KEY}" $R0
    ${If} ${Errors}
    ${OrIf} $R1 == ""
      ${ExitDo}
    ${EndIf}
    IntOp $R0 $R0 + 1
    ClearErrors
    ReadRegStr $R2 HKLM "${ROUTE_JOURNAL_KEY}" $R1
    ${IfNot} ${Errors}
      Push $R2
      Call un.DeleteJournalRoute
    ${EndIf}
  ${Loop}
  DeleteRegKey HKLM "${ROUTE_JOURNAL_KEY}"
FunctionEnd

; Removes the virtual adapter with the driver tool of the system's architecture,
; run in the program folder as the program runs it.
Function un.RemoveAdapter
  ${If} ${RunningX64}
    StrCpy $0 "Driver\x86_64"
  ${Else}
    StrCpy $0 "Driver\i386"
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\$0\Vnicctl.exe"
    Return
  ${EndIf}
  DetailPrint "正在删除 ${PRODUCT} 虚拟网卡……"
  SetOutPath "$INSTDIR"
  ; Its output ("1 device(s) were removed.") goes to the details, a line each.
  nsExec::ExecToLog '"$INSTDIR\$0\Vnicctl.exe" remove ${ADAPTER_ID}'
  Pop $1
  ; The program folder must not stay the current folder, or it cannot be removed.
  SetOutPath "$TEMP"
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  StrCpy $KeepSettings 1
  MessageBox MB_YESNO|MB_ICONQUESTION "${KEEP_SETTINGS_TEXT}" /SD IDYES IDYES +2
  StrCpy $KeepSettings 0

  Call un.SweepRoutes
  Call un.RemoveAdapter

  !insertmacro RemoveProgramFiles
  Delete "$INSTDIR\${UNINSTALLER}"
  ; The driver tool ran in the program folder: until the system has let go of
  ; the ended process, the folder may still be in use for a moment.
  StrCpy $0 0
  ${Do}
    RMDir "$INSTDIR"
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
    ${OrIf} $0 >= 20
      ${ExitDo}
    ${EndIf}
    IntOp $0 $0 + 1
    Sleep 250
  ${Loop}

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\卸载${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$DESKTOP\${PRODUCT}.lnk"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegValue HKLM "${PROGRAM_KEY}" "InstallDir"
  DeleteRegKey /ifempty HKLM "${PROGRAM_KEY}"
  ${If} $KeepSettings = 0
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "${PROGRAM_KEY}"
  ${EndIf}
SectionEnd
