; Quorvel's setup program, made by makensis from scripts/build-windows:
;   makensis -DVERSION=0.2 -DGAME=<quorvel.exe> -DMODELS=<Models dir> -DICON=<quorvel.ico>
;            -DUNINSTALL_FILES=<Delete lines for Models\*> -DOUTFILE=<quorvel-setup.exe> quorvel.nsi
; (cmake/windows-installer.cmake)
;
; For everyone on the machine (Program Files, HKLM; administrators, the default for them) or for
; the current user alone (the user's local programs folder, HKCU; no administrator rights, and
; the default for everyone else); /AllUsers and /CurrentUser choose on the command line, /S
; runs silently, /D=DIR sets the folder. It writes the game, its models, an uninstaller and a
; note beside it of which kind of installation it is, one Start menu shortcut and one key in the
; system's list of installed programs; the uninstaller removes exactly those and leaves
; anything else it finds in the folder, and the other kind's installation.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "Quorvel"
!define PUBLISHER "Quorvel developers"
!define PROGRAM_LIST "Software\Microsoft\Windows\CurrentVersion\Uninstall"
!define UNINSTALL_KEY "${PROGRAM_LIST}\Quorvel"

Name "${PRODUCT}"
OutFile "${OUTFILE}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_USE_PROGRAMFILES64
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\quorvel.exe"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${PUBLISHER}"

Function .onInit
  ; /D= sets $INSTDIR before this runs, and choosing the install mode would overwrite it.
  StrCpy $0 $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

; Which installation this uninstaller belongs to, as its installer wrote it down beside it
; (uninstall.ini): AllUsers or CurrentUser, or empty when that is not known. A machine and a
; user may each have an installation, and one folder has many spellings (short names, a
; trailing backslash), so the folder's name cannot say whose shortcut and entry are its own.
Var Installation

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  ReadINIStr $Installation "$INSTDIR\uninstall.ini" "Installation" "Mode"
  ${If} $Installation == ""
    ; No note (deleted by hand, or an installation older than the note): the entry is plainly
    ; this installation's only where just one list of installed programs has one. Otherwise
    ; only the files go.
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "UninstallString"
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "UninstallString"
    ${If} $0 != ""
    ${AndIf} $1 == ""
      StrCpy $Installation CurrentUser
    ${ElseIf} $1 != ""
    ${AndIf} $0 == ""
      StrCpy $Installation AllUsers
    ${EndIf}
  ${EndIf}
  ${If} $Installation == CurrentUser
    Call un.MultiUser.InstallMode.CurrentUser
  ${ElseIf} $Installation == AllUsers
    Call un.MultiUser.InstallMode.AllUsers
    ; Without administrator rights the mode stays the user's, whose shortcut and entry are not
    ; this installation's to remove.
    ${If} $MultiUser.InstallMode != AllUsers
      MessageBox MB_OK|MB_ICONSTOP "$(^Name) was installed for all users of this computer: removing it needs administrator rights." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Quorvel"
  ; An earlier installation in this mode goes first, wherever it is, so that installing again
  ; replaces it and leaves no file of it behind.
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    ExecWait '"$0\uninstall.exe" /S _?=$0'
    Delete "$0\uninstall.exe"
    RMDir "$0"
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "${GAME}"
  SetOutPath "$INSTDIR\Models"
  File "${MODELS}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteINIStr "$INSTDIR\uninstall.ini" "Installation" "Mode" $MultiUser.InstallMode

  ; The game opens Models\ relative to where it runs: the shortcut starts it in its folder.
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\quorvel.exe" "" "$INSTDIR\quorvel.exe" 0

  ; A user's first per-user program (or anything's on a fresh system) makes the list of
  ; installed programs itself; the uninstaller takes it away again if nothing else is in it.
  ${If} $MultiUser.InstallMode == AllUsers
    StrCpy $4 0x80000002  ; HKEY_LOCAL_MACHINE
  ${Else}
    StrCpy $4 0x80000001  ; HKEY_CURRENT_USER
  ${EndIf}
  System::Call 'advapi32::RegOpenKeyExW(p r4, w "${PROGRAM_LIST}", i 0, i 0x20019, *p .r5) i .r6'
  ${If} $6 = 0
    System::Call 'advapi32::RegCloseKey(p r5)'
  ${Else}
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "MadeProgramList" 1
  ${EndIf}

  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorvel.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the installer wrote, by name: files a player added to the folder stay, and so does
; the folder then. Files already deleted by hand are passed over without a word.
Section "Uninstall"
  Delete "$INSTDIR\quorvel.exe"
  !include "${UNINSTALL_FILES}"
  RMDir "$INSTDIR\Models"
  Delete "$INSTDIR\uninstall.ini"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ${If} $Installation != ""
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    ReadRegDWORD $0 SHCTX "${UNINSTALL_KEY}" "MadeProgramList"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    ${If} $0 = 1
      DeleteRegKey /ifempty SHCTX "${PROGRAM_LIST}"
    ${EndIf}
  ${EndIf}
SectionEnd
