; Sandloop's Windows installer, Sandloop-Setup.exe. It puts sandloop.scr in
; the 64-bit System32 folder, where the system's screen-saver settings list
; it, installs an uninstaller in Program Files\Sandloop and registers it in
; the list of installed programs, and offers to make the saver the current
; screen saver.
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
;                                  the saver the current screen saver
;   Sandloop-Setup.exe /S          installs silently; the current screen
;                                  saver stays as the user chose it
;   Sandloop-Setup.exe /S /CURRENT installs silently and makes the saver
;                                  the current screen saver
;   Uninstall.exe [/S]             removes everything the installer put
;                                  there; the saver's settings are kept

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
; SystemParametersInfo: SPI_SETSCREENSAVEACTIVE, with
; SPIF_UPDATEINIFILE | SPIF_SENDCHANGE.
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_STORE_AND_TELL 3

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
RequestExecutionLevel admin
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

; 1 when /CURRENT is on the command line: a silent install then makes the
; saver the current screen saver (an interactive one asks on its last page).
Var MakeCurrent

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TITLE "${PRODUCT} ${VERSION}: the ${TITLE}"
!define MUI_WELCOMEPAGE_TEXT "This installs the ${TITLE} in the Windows system folder, \
  where the screen-saver settings list it, and an uninstaller in the list of installed \
  programs.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "The ${TITLE} is installed"
!define MUI_FINISHPAGE_TEXT "It is listed in the screen-saver settings, where it can be chosen at any time."
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Make it the current screen saver"
!define MUI_FINISHPAGE_RUN_FUNCTION FinishPageCurrent
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "This removes the ${TITLE} (sandloop.scr in the Windows \
  system folder) and this uninstaller's folder. The saver's settings are kept."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ; Windows itself refuses to start the 64-bit installer on a 32-bit
  ; system; the 32-bit one says why.
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "The ${TITLE} needs a 64-bit Windows; this Windows is 32-bit." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  StrCpy $MakeCurrent 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/CURRENT" $1
  ${IfNot} ${Errors}
    StrCpy $MakeCurrent 1
  ${EndIf}
FunctionEnd

Section "${PRODUCT}" SecMain
  SectionIn RO
  ; A 32-bit installer would otherwise be sent to SysWOW64, where the
  ; 64-bit settings do not look.
  ${DisableX64FSRedirection}
  SetRegView 64

  SetOutPath "$SYSDIR"
  File "/oname=${SCR_NAME}" "${SCR}"
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

  ; An interactive install asks on its finish page instead.
  ${If} ${Silent}
  ${AndIf} $MakeCurrent == 1
    Call MakeCurrentSaver
  ${EndIf}
SectionEnd

Function FinishPageCurrent
  Call MakeCurrentSaver
FunctionEnd

; Makes the installed saver the current screen saver of the user running
; the installer, under the short form of its path, as the system's own
; settings store it.
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
FunctionEnd

Section "Uninstall"
  ${DisableX64FSRedirection}
  SetRegView 64

  ; The current screen saver is left alone unless it is this one, named by
  ; its full or its short path.
  StrCpy $0 "$SYSDIR\${SCR_NAME}"
  GetFullPathName /SHORT $1 $0
  ReadRegStr $2 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ExpandEnvStrings $2 $2
  ${If} $2 != ""
    ${If} $2 == $0
    ${OrIf} $2 == $1
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
      DetailPrint "The ${TITLE} is no longer the current screen saver."
    ${EndIf}
  ${EndIf}

  ; A saver running at this moment keeps its file until the next start.
  Delete /REBOOTOK "$SYSDIR\${SCR_NAME}"
  ; The saver's log: beside it when it may write there, else in the user's
  ; local application data.
  Delete "$SYSDIR\sandloop.log"
  Delete "$LOCALAPPDATA\${PRODUCT}\sandloop.log"
  RMDir "$LOCALAPPDATA\${PRODUCT}"

  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINST_KEY}"
  ; The saver's settings (HKCU\SOFTWARE\Morvant\Sandloop) stay for a later
  ; install.
SectionEnd
