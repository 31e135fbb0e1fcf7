; The installer Quarvel-<version>-setup.exe, built by scripts/package-windows.sh from the same
; folder as the portable zip:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0.1 -DFILES=files.nsh -DLICENSE=licence.txt
;            -DICON=quarvel.ico -DOUTFILE=Quarvel-1.0.0.1-setup.exe quarvel.nsi
; FILES defines the macros QUARVEL_INSTALL_FILES and QUARVEL_REMOVE_FILES for the package's
; files. A per-user install, without administrator rights, into %LOCALAPPDATA%\Programs\Quarvel.
; /S installs and uninstalls silently, /D= chooses the folder. The user's settings, Quarvel.ini
; beside Quarvel.exe, survive installing over and uninstalling unless "删除设置" is ticked.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include "${FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quarvel"
!define UNINSTALLER "uninstall.exe"
!define PUBLISHER "Quarvel contributors"
!define SETTINGS "Quarvel.ini"

Name "Quarvel"
Caption "Quarvel ${VERSION} 安装"
UninstallCaption "Quarvel ${VERSION} 卸载"
BrandingText "Quarvel ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quarvel"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "Quarvel"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileDescription" "Quarvel ${VERSION} 安装程序"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "Copyright (C) ${PUBLISHER}"

Var SettingsNote ; the uninstaller's last words on Quarvel.ini

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_WELCOMEPAGE_TEXT "此向导将把 Quarvel ${VERSION} 安装到本机：打开断面数据文件，显示并导出表格（Quarvel.exe），以及命令行批量导出（quarvel-cli.exe）。$\r$\n$\r$\n只为当前用户安装，不需要管理员权限。已安装的较早版本会被替换，其设置保留。$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Quarvel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "运行 Quarvel"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "Quarvel 已从本机卸载。$SettingsNote$\r$\n$\r$\n点击 [完成] 关闭卸载程序。"
!define MUI_FINISHPAGE_TEXT_LARGE
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "SimpChinese"

; A program of the folder that is running holds its file: replacing or removing it would fail
; half-way. Asks the user to close it; /S and "取消" give up with exit status 2.
!macro QUARVEL_WAIT_UNTIL_CLOSED UN
; "1" when a running program holds the file on the stack, else "0".
Function ${UN}IsHeld
    Exch $0
    ClearErrors
    ${If} ${FileExists} "$0"
        FileOpen $0 "$0" a
        ${If} ${Errors}
            StrCpy $0 1
        ${Else}
            FileClose $0
            StrCpy $0 0
        ${EndIf}
    ${Else}
        StrCpy $0 0
    ${EndIf}
    Exch $0
FunctionEnd

Function ${UN}WaitUntilClosed
    Exch $0 ; the folder
    Push $1
    Push $2
    ${Do}
        Push "$0\Quarvel.exe"
        Call ${UN}IsHeld
        Pop $1
        Push "$0\quarvel-cli.exe"
        Call ${UN}IsHeld
        Pop $2
        ${If} "$1$2" == "00"
            ${Break}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
            "$0 中的 Quarvel 正在运行。请先关闭它，再点击 [重试]。" /SD IDCANCEL IDRETRY retry
        SetErrorLevel 2
        Quit
        retry:
    ${Loop}
    Pop $2
    Pop $1
    Pop $0
FunctionEnd
!macroend
!insertmacro QUARVEL_WAIT_UNTIL_CLOSED ""
!insertmacro QUARVEL_WAIT_UNTIL_CLOSED "un."

; An earlier version goes first, by its own uninstaller, which keeps Quarvel.ini: files it had
; that this one has not go with it. Its settings come along to a folder chosen anew.
Function RemoveEarlierVersion
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == ""
    ${OrIfNot} ${FileExists} "$0\${UNINSTALLER}"
        StrCpy $0 "$INSTDIR"
    ${EndIf}
    ${IfNot} ${FileExists} "$0\${UNINSTALLER}"
        Return
    ${EndIf}
    Push $0
    Call WaitUntilClosed
    DetailPrint "卸载较早的版本：$0"
    ClearErrors
    ExecWait '"$0\${UNINSTALLER}" /S _?=$0' $1
    ${If} ${Errors}
    ${OrIf} $1 != 0
        MessageBox MB_OK|MB_ICONSTOP "无法卸载 $0 中较早的版本。" /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
    Delete "$0\${UNINSTALLER}"
    ${If} $0 != $INSTDIR
    ${AndIf} ${FileExists} "$0\${SETTINGS}"
    ${AndIfNot} ${FileExists} "$INSTDIR\${SETTINGS}"
        CreateDirectory "$INSTDIR"
        CopyFiles /SILENT "$0\${SETTINGS}" "$INSTDIR"
    ${EndIf}
    RMDir "$0"
FunctionEnd

Section "Quarvel（必需）" SecProgram
    SectionIn RO
    Call RemoveEarlierVersion
    !insertmacro QUARVEL_INSTALL_FILES
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    CreateShortcut "$SMPROGRAMS\Quarvel.lnk" "$INSTDIR\Quarvel.exe" "" "$INSTDIR\Quarvel.exe" 0 \
        SW_SHOWNORMAL "" "断面数据文件的显示与导出"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quarvel ${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quarvel.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "桌面快捷方式" SecDesktop
    CreateShortcut "$DESKTOP\Quarvel.lnk" "$INSTDIR\Quarvel.exe" "" "$INSTDIR\Quarvel.exe" 0 \
        SW_SHOWNORMAL "" "断面数据文件的显示与导出"
SectionEnd

Function .onInit
    ; A desktop shortcut of the installed version stays on installing over it.
    ${If} ${FileExists} "$DESKTOP\Quarvel.lnk"
        !insertmacro SelectSection ${SecDesktop}
    ${EndIf}
FunctionEnd

Function un.onInit
    Push $INSTDIR
    Call un.WaitUntilClosed
FunctionEnd

Section "un.Quarvel（程序、快捷方式和卸载信息）" SecUnProgram
    SectionIn RO
    !insertmacro QUARVEL_REMOVE_FILES
    Delete "$SMPROGRAMS\Quarvel.lnk"
    Delete "$DESKTOP\Quarvel.lnk"
    ; The entry may name a copy installed elsewhere since, which still needs it.
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == $INSTDIR
        DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${EndIf}
    ${If} ${FileExists} "$INSTDIR\${SETTINGS}"
        StrCpy $SettingsNote "$\r$\n$\r$\n设置文件 $INSTDIR\${SETTINGS} 已保留：再次安装到该文件夹时仍会使用它。若不再需要，可删除该文件及其文件夹。"
    ${EndIf}
SectionEnd

Section /o "un.删除设置" SecUnSettings
    Delete "$INSTDIR\${SETTINGS}"
    StrCpy $SettingsNote "$\r$\n$\r$\n设置已删除。"
SectionEnd

Section "-un.Folder"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
SectionEnd
