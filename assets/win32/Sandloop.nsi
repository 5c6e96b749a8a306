; Sandloop's Windows installer, Sandloop-Setup.exe. It puts sandloop.scr in
; the 64-bit System32 folder, where the system's screen-saver settings list
; it, installs an uninstaller in Program Files\Sandloop and registers it in
; the list of installed programs, and offers to make the saver the current
; screen saver.
;
; It acts for the user who starts it. What the whole computer shares
; (sandloop.scr, the uninstaller, the entry in the list of installed
; programs, the log beside the saver) needs an administrator: the installer
; starts as the user (RequestExecutionLevel user) and runs a second copy of
; itself with administrator rights ("runas": the system's consent prompt)
; for that part alone. What is the user's own (the current screen saver,
; the one it replaced, the log in the user's LOCALAPPDATA) the first copy
; does itself, so that it reaches the profile of the user who started it
; even when a standard user gives an administrator's password and the
; second copy runs as that administrator. The uninstaller is split the
; same way.
;
; The Windows build makes it with makensis (shell/CMakeLists.txt):
;   makensis -DVERSION=0.1 -DVERSION4=0.1.0.0 -DSCR=sandloop.scr
;            -DICON=sandloop.ico -DREADME=README.md -DLICENSE=LICENSE
;            -DOUTFILE=Sandloop-Setup.exe Sandloop.nsi
; -DTARGET=x86-unicode makes a 32-bit installer instead of the 64-bit one
; (the saver itself is 64-bit either way).
;
; Command line:
;   Sandloop-Setup.exe             asks, on its last page, whether to make
;                                  the saver the current screen saver (the
;                                  box is not ticked unless /CURRENT is given)
;   Sandloop-Setup.exe /S          installs silently; the current screen
;                                  saver stays as the user chose it
;   Sandloop-Setup.exe /S /CURRENT installs silently and makes the saver
;                                  the current screen saver (/CURRENT=1 is
;                                  the same, /CURRENT=0 the same as none)
;   Uninstall.exe [/S]             removes everything the installer put
;                                  there, and gives the user back the
;                                  screen saver that was current before the
;                                  install where the current one is still
;                                  this; the saver's settings are kept
; Exit codes: 0 done; 3010 done, but sandloop.scr was in use and a restart
; finishes the work (the new one replaces it, or the old one is removed,
; when Windows starts again); 1 cancelled; 2 not done (no administrator's
; consent, or a file that cannot be written).
; /ELEVATED marks the copy with administrator rights that the installer
; and the uninstaller start; it does the computer's part only.

!ifndef VERSION | VERSION4 | SCR | ICON | README | LICENSE | OUTFILE
  !error "Sandloop.nsi needs -DVERSION, -DVERSION4, -DSCR, -DICON, -DREADME, -DLICENSE and -DOUTFILE"
!endif
!ifndef TARGET
  !define TARGET amd64-unicode
!endif

Target ${TARGET}
Unicode true
SetCompressor /SOLID lzma
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "Sandloop"
!define TITLE "Tidewalk Beach Screensaver"
!define PUBLISHER "The Sandloop developers"
!define SCR_NAME "sandloop.scr"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Sandloop"
!define DESKTOP_KEY "Control Panel\Desktop"
; Per user: the screen saver that was current when Sandloop was installed,
; given back by the uninstaller. "Remembered" is 1 once it is written;
; PreviousSaver and PreviousActive are the values of SCRNSAVE.EXE and
; ScreenSaveActive then, each missing where the value was.
!define SETUP_KEY "Software\Morvant\Sandloop Setup"
; SystemParametersInfo: SPI_SETSCREENSAVEACTIVE, with
; SPIF_UPDATEINIFILE | SPIF_SENDCHANGE.
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_STORE_AND_TELL 3
; What the copy with administrator rights tells the first copy, beside 0
; (done) and NSIS's own 1 (cancelled) and 2 (aborted): sandloop.scr was in
; use, and the old one is set aside and removed at the next restart, or the
; new one replaces it at the next restart; it is not an administrator.
!define DONE_OLD_SET_ASIDE 10
!define DONE_AT_RESTART 11
!define NOT_ADMINISTRATOR 12
; The exit code of an install or uninstall that a restart finishes
; (ERROR_SUCCESS_REBOOT_REQUIRED).
!define EXIT_RESTART 3010
; ERROR_CANCELLED: the consent prompt was refused.
!define ERROR_CANCELLED 1223

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
RequestExecutionLevel user
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup: the ${TITLE}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

; 1 when /CURRENT (or /CURRENT=1) is on the command line: a silent install
; then makes the saver the current screen saver; an interactive one ticks
; the box on its last page.
Var MakeCurrent
; 1 in the copy with administrator rights (/ELEVATED).
Var Elevated
; The finish page's word on a sandloop.scr that was in use.
Var FinishNote

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TITLE "${PRODUCT} ${VERSION}: the ${TITLE}"
!define MUI_WELCOMEPAGE_TEXT "This installs the ${TITLE} in the Windows system folder, \
  where the screen-saver settings list it, and an uninstaller in the list of installed \
  programs. Writing there needs an administrator's consent, which Windows asks for \
  while it installs.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "The ${TITLE} is installed"
!define MUI_FINISHPAGE_TEXT "It is listed in the screen-saver settings, where it can be chosen at any time.$FinishNote"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Make it the current screen saver"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!define MUI_FINISHPAGE_RUN_FUNCTION FinishPageCurrent
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishPageShow
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "This removes the ${TITLE} (sandloop.scr in the Windows \
  system folder) and this uninstaller's folder. The saver's settings are kept."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Runs this program again with administrator rights and the parameters on
; the stack (the system asks for an administrator's consent where the user
; lacks it), and waits for it to end. Out: $0 its exit code, or "" when it
; did not start, and then $1 the system's error (ERROR_CANCELLED when the
; consent was refused). Uses $R8 and $R9.
!macro RUN_ELEVATED un
Function ${un}RunElevated
  Pop $R8
  ; SHELLEXECUTEINFOW with SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC |
  ; SEE_MASK_FLAG_NO_UI; the 64-bit one pads nShow and dwHotKey.
  !if ${NSIS_PTR_SIZE} > 4
    System::Call '*(i 112, i 0x540, p $HWNDPARENT, w "runas", w "$EXEPATH", w R8, w "$EXEDIR", i 1, i 0, p 0, p 0, p 0, p 0, i 0, i 0, p 0, p 0) p .R9'
  !else
    System::Call '*(i 60, i 0x540, p $HWNDPARENT, w "runas", w "$EXEPATH", w R8, w "$EXEDIR", i 1, p 0, p 0, p 0, p 0, i 0, p 0, p 0) p .R9'
  !endif
  System::Call 'shell32::ShellExecuteExW(p R9) i .r0 ?e'
  Pop $1
  ${If} $0 == 0
    StrCpy $0 ""
  ${Else}
    !if ${NSIS_PTR_SIZE} > 4
      System::Call '*$R9(i, i, p, p, p, p, p, i, i, p, p, p, p, i, i, p, p .R8)'
    !else
      System::Call '*$R9(i, i, p, p, p, p, p, i, p, p, p, p, i, p, p .R8)'
    !endif
    System::Call 'kernel32::WaitForSingleObject(p R8, i -1)'
    System::Call 'kernel32::GetExitCodeProcess(p R8, *i .r0)'
    System::Call 'kernel32::CloseHandle(p R8)'
  ${EndIf}
  System::Free $R9
FunctionEnd
!macroend
!insertmacro RUN_ELEVATED ""
!insertmacro RUN_ELEVATED "un."

; $0: the user's current screen saver (SCRNSAVE.EXE, with its variables
; expanded; "" when there is none); $1: 1 when that is this saver, named by
; its full or its short path, else 0.
!macro CURRENT_SAVER un
Function ${un}CurrentSaver
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ExpandEnvStrings $0 $0
  StrCpy $1 0
  StrCpy $2 "$SYSDIR\${SCR_NAME}"
  GetFullPathName /SHORT $3 $2
  ${If} $0 != ""
    ${If} $0 == $2
    ${OrIf} $0 == $3
      StrCpy $1 1
    ${EndIf}
  ${EndIf}
FunctionEnd
!macroend
!insertmacro CURRENT_SAVER ""
!insertmacro CURRENT_SAVER "un."

; The copy with administrator rights does only the computer's part, without
; a word (a standard user's own settings are not the administrator's).
; Leaves the command line's parameters in $0.
!macro PARSE_ELEVATED
  StrCpy $Elevated 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ELEVATED" $1
  ${IfNot} ${Errors}
    StrCpy $Elevated 1
    SetSilent silent
  ${EndIf}
!macroend

Function .onInit
  ; Windows itself refuses to start the 64-bit installer on a 32-bit
  ; system; the 32-bit one says why.
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "The ${TITLE} needs a 64-bit Windows; this Windows is 32-bit." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  !insertmacro PARSE_ELEVATED
  ; $0: the command line's parameters, from PARSE_ELEVATED.
  StrCpy $MakeCurrent 0
  ClearErrors
  ${GetOptions} $0 "/CURRENT" $1
  ${IfNot} ${Errors}
  ${AndIf} $1 != "=0"
    StrCpy $MakeCurrent 1
  ${EndIf}
  StrCpy $FinishNote ""
FunctionEnd

Section "${PRODUCT}" SecMain
  SectionIn RO
  ${If} $Elevated == 1
    Call InstallForComputer
    Return
  ${EndIf}

  DetailPrint "Installing the saver for every user of this computer, with administrator rights."
  ; /D= (last) keeps a folder given on the command line.
  Push "/ELEVATED /D=$INSTDIR"
  Call RunElevated
  ${If} $0 == ""
    ${If} $1 == ${ERROR_CANCELLED}
      MessageBox MB_OK|MB_ICONSTOP "The ${TITLE} goes in the Windows system folder, which needs an administrator's consent; nothing was installed." /SD IDOK
    ${Else}
      MessageBox MB_OK|MB_ICONSTOP "The part of the installer with administrator rights cannot be started (error $1); nothing was installed." /SD IDOK
    ${EndIf}
    Abort
  ${ElseIf} $0 == ${DONE_OLD_SET_ASIDE}
    StrCpy $FinishNote "$\r$\n$\r$\nsandloop.scr was in use: the new one is in place, and the old one is removed when Windows restarts."
    DetailPrint "sandloop.scr was in use: the new one is in place; the old one is removed when Windows restarts."
    SetErrorLevel ${EXIT_RESTART}
  ${ElseIf} $0 == ${DONE_AT_RESTART}
    StrCpy $FinishNote "$\r$\n$\r$\nsandloop.scr is in use: the new one takes its place when Windows restarts."
    DetailPrint "sandloop.scr is in use: the new one takes its place when Windows restarts."
    SetErrorLevel ${EXIT_RESTART}
  ${ElseIf} $0 == ${NOT_ADMINISTRATOR}
    MessageBox MB_OK|MB_ICONSTOP "The ${TITLE} goes in the Windows system folder, which needs an administrator; nothing was installed." /SD IDOK
    Abort
  ${ElseIf} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "The ${TITLE} could not be installed (error $0)." /SD IDOK
    Abort
  ${EndIf}
  DetailPrint "The ${TITLE} is installed."

  Call RememberSaver
  ; An interactive install asks on its finish page instead.
  ${If} ${Silent}
  ${AndIf} $MakeCurrent == 1
    Call MakeCurrentSaver
  ${EndIf}
SectionEnd

; The computer's part, with administrator rights: the saver, the
; uninstaller and its entry. Its exit code tells the first copy how it went.
Function InstallForComputer
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    SetErrorLevel ${NOT_ADMINISTRATOR}
    Quit
  ${EndIf}
  ; A 32-bit installer would otherwise be sent to SysWOW64, where the
  ; 64-bit settings do not look.
  ${DisableX64FSRedirection}
  SetRegView 64

  Call InstallSaverFile
  SetOutPath "$INSTDIR"
  File "/oname=README.txt" "${README}"
  File "/oname=LICENSE.txt" "${LICENSE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT} - ${TITLE}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$SYSDIR\${SCR_NAME},0"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ; In KiB: the saver and the uninstaller's folder.
  ${GetSize} "$SYSDIR" "/M=${SCR_NAME} /S=0K /G=0" $0 $1 $2
  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  IntOp $0 $0 + $1
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
FunctionEnd

; Puts the new sandloop.scr in System32. One that is in use (the settings'
; preview runs it) cannot be written over or deleted, but may be renamed:
; it is set aside under a name that the settings do not list (nsXXXX.tmp)
; and removed when Windows restarts. One that cannot even be renamed (a
; program holds it open without sharing deletion) is replaced when Windows
; restarts, by a new one written beside it.
Function InstallSaverFile
  StrCpy $0 "$SYSDIR\${SCR_NAME}"
  SetOutPath "$SYSDIR"
  Delete $0
  ${If} ${FileExists} $0
    GetTempFileName $1 "$SYSDIR"
    Delete $1
    ClearErrors
    Rename $0 $1
    ${If} ${Errors}
      GetTempFileName $1 "$SYSDIR"
      File "/oname=$1" "${SCR}"
      Rename /REBOOTOK $1 $0
      SetErrorLevel ${DONE_AT_RESTART}
      Return
    ${EndIf}
    Delete /REBOOTOK $1
    SetErrorLevel ${DONE_OLD_SET_ASIDE}
  ${EndIf}
  File "/oname=${SCR_NAME}" "${SCR}"
FunctionEnd

; Remembers, for the user who runs the installer, the screen saver that is
; current now, for the uninstaller to give back. Where that is this saver
; already (an upgrade), the one remembered before stays.
Function RememberSaver
  Call CurrentSaver
  ${If} $1 == 1
    Return
  ${EndIf}
  DeleteRegKey HKCU "${SETUP_KEY}"
  ClearErrors
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${IfNot} ${Errors}
    WriteRegStr HKCU "${SETUP_KEY}" "PreviousSaver" $0
  ${EndIf}
  ClearErrors
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
  ${IfNot} ${Errors}
    WriteRegStr HKCU "${SETUP_KEY}" "PreviousActive" $0
  ${EndIf}
  WriteRegDWORD HKCU "${SETUP_KEY}" "Remembered" 1
FunctionEnd

Function FinishPageShow
  ${If} $MakeCurrent == 1
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_CHECKED} 0
  ${EndIf}
FunctionEnd

Function FinishPageCurrent
  Call MakeCurrentSaver
FunctionEnd

; Makes the installed saver the current screen saver of the user who
; started the installer (this copy runs as that user), under the short
; form of its path, as the system's own settings store it.
Function MakeCurrentSaver
  ${DisableX64FSRedirection}
  StrCpy $0 "$SYSDIR\${SCR_NAME}"
  GetFullPathName /SHORT $1 $0
  ${If} $1 != ""
    StrCpy $0 $1
  ${EndIf}
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $0
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  ; The system keeps its own copy of "active": tell it too.
  System::Call "user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_STORE_AND_TELL})"
  DetailPrint "The ${TITLE} is the current screen saver."
FunctionEnd

Function un.onInit
  SetRegView 64
  !insertmacro PARSE_ELEVATED
FunctionEnd

Section "Uninstall"
  ${If} $Elevated == 1
    Call un.UninstallForComputer
    Return
  ${EndIf}

  ; The copy with administrator rights runs from where this one runs (the
  ; uninstaller's copy of itself in the temporary folder), for the same
  ; folder.
  DetailPrint "Removing the saver from this computer, with administrator rights."
  Push "/ELEVATED _?=$INSTDIR"
  Call un.RunElevated
  ${If} $0 == ""
    ${If} $1 == ${ERROR_CANCELLED}
      MessageBox MB_OK|MB_ICONSTOP "The ${TITLE} is in the Windows system folder, which needs an administrator's consent; nothing was removed." /SD IDOK
    ${Else}
      MessageBox MB_OK|MB_ICONSTOP "The part of the uninstaller with administrator rights cannot be started (error $1); nothing was removed." /SD IDOK
    ${EndIf}
    Abort
  ${ElseIf} $0 == ${NOT_ADMINISTRATOR}
    MessageBox MB_OK|MB_ICONSTOP "The ${TITLE} is in the Windows system folder, which needs an administrator; nothing was removed." /SD IDOK
    Abort
  ${ElseIf} $0 == ${EXIT_RESTART}
    DetailPrint "sandloop.scr is in use: it is removed when Windows restarts."
    SetErrorLevel ${EXIT_RESTART}
  ${ElseIf} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "The ${TITLE} could not be removed (error $0)." /SD IDOK
    Abort
  ${EndIf}
  Call un.GiveBackSaver
  ; The log that the saver writes in the user's local application data
  ; where it may not write beside itself.
  Delete "$LOCALAPPDATA\${PRODUCT}\sandloop.log"
  RMDir "$LOCALAPPDATA\${PRODUCT}"
  ; The saver's settings (HKCU\SOFTWARE\Morvant\Sandloop) stay for a later
  ; install.
SectionEnd

; The computer's part, with administrator rights.
Function un.UninstallForComputer
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    SetErrorLevel ${NOT_ADMINISTRATOR}
    Quit
  ${EndIf}
  ${DisableX64FSRedirection}
  SetRegView 64
  ; A saver running at this moment keeps its file until the next start.
  Delete /REBOOTOK "$SYSDIR\${SCR_NAME}"
  ${If} ${RebootFlag}
    SetErrorLevel ${EXIT_RESTART}
  ${EndIf}
  ; The saver's log beside it, where it may write there.
  Delete "$SYSDIR\sandloop.log"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINST_KEY}"
FunctionEnd

; Where the user's current screen saver is still this one, the one that
; was current before the install comes back (none where there was none, or
; where its file is gone); the installer's memory of it goes.
Function un.GiveBackSaver
  ${DisableX64FSRedirection}
  Call un.CurrentSaver
  ClearErrors
  ReadRegDWORD $2 HKCU "${SETUP_KEY}" "Remembered"
  ${If} $1 == 1
    ; $5: 1 to give back a saver that was there before and still is.
    StrCpy $5 0
    ClearErrors
    ReadRegStr $3 HKCU "${SETUP_KEY}" "PreviousSaver"
    ${IfNot} ${Errors}
    ${AndIf} $2 == 1
      ExpandEnvStrings $4 $3
      ${If} ${FileExists} $4
        StrCpy $5 1
      ${EndIf}
    ${EndIf}
    ${If} $5 == 0
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
      DetailPrint "The ${TITLE} is no longer the current screen saver."
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $3
      DetailPrint "The screen saver before the ${TITLE}, $3, is the current one again."
    ${EndIf}
    ${If} $2 == 1
      ClearErrors
      ReadRegStr $3 HKCU "${SETUP_KEY}" "PreviousActive"
      ${If} ${Errors}
        DeleteRegValue HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
      ${Else}
        WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" $3
        ${If} $3 == 1
          System::Call "user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_STORE_AND_TELL})"
        ${Else}
          System::Call "user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 0, p 0, i ${SPIF_STORE_AND_TELL})"
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${EndIf}
  DeleteRegKey HKCU "${SETUP_KEY}"
FunctionEnd
