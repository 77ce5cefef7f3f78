; Tovaren Setup: installs the programs, the screen saver and the bundled shows
; for every user of the computer, and the uninstaller that takes them away.
;
; Built by installer/CMakeLists.txt with Debian's makensis:
;   makensis -DVERSION=<version> -DSOURCE=<checkout> -DBIN=<build>/bin
;            -DOUTFILE=<setup.exe> -DREADME=<the README with CRLF line ends>
;            -DHELP=<the help folder with the version filled in>
;            installer/tovaren.nsi
;
; What goes where:
;   $INSTDIR (Program Files\Tovaren)  the programs, the help, README.txt, the
;                                     show icon, the uninstaller, and in shows\
;                                     the bundled shows as this version ships
;                                     them (to tell them from a user's changes)
;   $SYSDIR                           tovarensaver.scr, where Windows lists savers
;   common documents\Tovaren          the bundled shows, where the saver looks
;   HKLM product key "TIL"            the install folder, for the help and shows

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!ifndef VERSION | SOURCE | BIN | OUTFILE | README | HELP
  !error "VERSION, SOURCE, BIN, OUTFILE, README and HELP must be defined (see the top of this file)"
!endif

!define PRODUCT "Tovaren"
!define MAKER "Vorlund"
!define COPYRIGHT "Copyright (C) Vorlund. All rights reserved."
!define PRODUCT_KEY "Software\Vorlund\Tovaren\${VERSION}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tovaren"
!define PROG_ID "Tovaren.Show"
!define SAVER "tovarensaver.scr"
!define SHOW_FOLDER "$DOCUMENTS\Tovaren"
!define START_MENU "$SMPROGRAMS\Tovaren"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SHCNE_ASSOCCHANGED 0x08000000

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show
; A second install goes where the first one went.
InstallDir "$PROGRAMFILES\Tovaren"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COPYRIGHT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinVer.nsh"

;--------------------------------
; Pages

!define MUI_ICON "${SOURCE}/resources/art/tovaren.ico"
!define MUI_UNICON "${SOURCE}/resources/art/tovaren.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${SOURCE}/resources/art/installer_welcome.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${SOURCE}/resources/art/installer_welcome.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${SOURCE}/resources/art/installer_header.bmp"
!define MUI_HEADERIMAGE_UNBITMAP "${SOURCE}/resources/art/installer_header.bmp"
!define MUI_ABORTWARNING

!define WHAT_COMES "the screen saver, the show editor, the five show tools and the help"

!define MUI_WELCOMEPAGE_TITLE "Welcome to Tovaren ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "Tovaren lets a painter paint show after show over your desktop while you are away.$\r$\n$\r$\nSetup installs ${WHAT_COMES} for every user of this computer, and puts the bundled shows into the shared Documents folder. A show of the same name that you have changed there is kept as it is.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME

!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup will install the Tovaren programs and the help into this folder. The screen saver itself goes into the Windows system folder, where Windows looks for screen savers."
!insertmacro MUI_PAGE_DIRECTORY

; The page stays until Next, so that the list of what was done (a kept,
; changed show among it) can be read.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_PAGE_INSTFILES

!define MUI_FINISHPAGE_TITLE "Tovaren is installed"
!define MUI_FINISHPAGE_TEXT "Tovaren ${VERSION} is installed. You find it in the Start menu, and the screen saver in the list of screen savers in the Screen Saver settings.$\r$\n$\r$\nClick Finish to close Setup."
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "&Make Tovaren my screen saver"
!define MUI_FINISHPAGE_RUN_FUNCTION MakeTovarenTheScreenSaver
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_TEXT "&Open the Screen Saver settings"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION OpenScreenSaverSettings
!define MUI_FINISHPAGE_NOREBOOTSUPPORT
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_UNFINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "Tovaren is removed"
!define MUI_FINISHPAGE_TEXT "Tovaren is removed from this computer. Your own shows, the shows you changed and your settings are kept.$\r$\n$\r$\nClick Finish to close this wizard."
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

;--------------------------------
; Shared helpers

; FilesEqual path1 path2 -> "1" when both files exist and hold the same bytes.
!macro FILES_EQUAL_FUNCTION prefix
Function ${prefix}FilesEqual
  Exch $R0   ; second path
  Exch
  Exch $R1   ; first path
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  Push $R6
  StrCpy $R6 0
  ClearErrors
  FileOpen $R2 $R1 r
  IfErrors done
  FileOpen $R3 $R0 r
  IfErrors closeFirst
  FileSeek $R2 0 END $R4
  FileSeek $R3 0 END $R5
  IntCmp $R4 $R5 0 closeBoth closeBoth
  FileSeek $R2 0 SET
  FileSeek $R3 0 SET
  compare:
    ClearErrors
    FileReadByte $R2 $R4
    IfErrors same
    FileReadByte $R3 $R5
    IntCmp $R4 $R5 compare closeBoth closeBoth
  same:
  StrCpy $R6 1
  closeBoth:
  FileClose $R3
  closeFirst:
  FileClose $R2
  done:
  StrCpy $R0 $R6
  Pop $R6
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd
!macroend
!insertmacro FILES_EQUAL_FUNCTION ""
!insertmacro FILES_EQUAL_FUNCTION "un."

!macro FilesEqual result first second
  Push "${first}"
  Push "${second}"
  !ifdef __UNINSTALL__
    Call un.FilesEqual
  !else
    Call FilesEqual
  !endif
  Pop ${result}
!macroend

!macro TellExplorerAssociationsChanged
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
!macroend

;--------------------------------
; Installing

Function .onInit
  SetShellVarContext all
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP|MB_OK "Tovaren is installed for every user of this computer, into the Program Files and Windows system folders. Please run Setup as an administrator." /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
FunctionEnd

Section "Tovaren" SecTovaren
  SectionIn RO

  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "${BIN}/tovareneditor.exe"
  File "${BIN}/paceshift.exe"
  File "${BIN}/reeljoin.exe"
  File "${BIN}/flagbench.exe"
  File "${BIN}/rasterwalk.exe"
  File "${BIN}/rasterwalk2.exe"
  File "${BIN}/tovarenpack.exe"
  File "${BIN}/reelcast.exe"
  File "/oname=README.txt" "${README}"
  File "${SOURCE}/resources/art/show.ico"
  SetOutPath "$INSTDIR\help"
  File /r "${HELP}/*"

  ; The Screen Saver settings list the savers of the system folder. A 32-bit
  ; Setup on 64-bit Windows lands in SysWOW64, which that list includes.
  SetOutPath "$SYSDIR"
  File "${BIN}/${SAVER}"

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The programs open the help and find the shows relative to this folder.
  WriteRegStr HKLM "${PRODUCT_KEY}" "TIL" "$INSTDIR"

  Call InstallBundledShows
  Call AssociateShows
  Call MakeStartMenu
  Call RegisterUninstaller
SectionEnd

; Puts the bundled shows into the shared documents' Tovaren folder. A show of
; the same name already there is replaced only while it is a bundled copy,
; that is, while it has the bytes of the copy the last install put there or of
; this version's copy; otherwise the user changed it and it stays. This
; version's copies are then kept in $INSTDIR\shows for the next install and
; for the uninstaller, which removes the unchanged ones.
Function InstallBundledShows
  InitPluginsDir
  SetOutPath "$PLUGINSDIR\shows"
  File "${SOURCE}/shows/*.sho"
  CreateDirectory "${SHOW_FOLDER}"
  CreateDirectory "$INSTDIR\shows"
  FindFirst $0 $1 "$PLUGINSDIR\shows\*.sho"
  ${DoWhile} $1 != ""
    StrCpy $2 "$PLUGINSDIR\shows\$1"
    StrCpy $3 "${SHOW_FOLDER}\$1"
    ${If} ${FileExists} "$3"
      !insertmacro FilesEqual $4 "$3" "$INSTDIR\shows\$1"
      ${If} $4 != 1
        !insertmacro FilesEqual $4 "$3" "$2"
      ${EndIf}
      ${If} $4 == 1
        CopyFiles /SILENT "$2" "$3"
      ${Else}
        DetailPrint "Kept your changed show: $3"
      ${EndIf}
    ${Else}
      CopyFiles /SILENT "$2" "$3"
    ${EndIf}
    CopyFiles /SILENT "$2" "$INSTDIR\shows\$1"
    FindNext $0 $1
  ${Loop}
  FindClose $0
  SetOutPath "$INSTDIR"
FunctionEnd

; A double click on a show plays it in the editor.
Function AssociateShows
  WriteRegStr HKLM "Software\Classes\.sho" "" "${PROG_ID}"
  WriteRegStr HKLM "Software\Classes\${PROG_ID}" "" "Tovaren Show"
  WriteRegStr HKLM "Software\Classes\${PROG_ID}\DefaultIcon" "" "$INSTDIR\show.ico"
  WriteRegStr HKLM "Software\Classes\${PROG_ID}\shell" "" "open"
  WriteRegStr HKLM "Software\Classes\${PROG_ID}\shell\open\command" "" '"$INSTDIR\tovareneditor.exe" "%1"'
  !insertmacro TellExplorerAssociationsChanged
FunctionEnd

Function MakeStartMenu
  SetOutPath "$INSTDIR"
  CreateDirectory "${START_MENU}"
  CreateShortcut "${START_MENU}\Tovaren Editor.lnk" "$INSTDIR\tovareneditor.exe"
  CreateShortcut "${START_MENU}\Tovaren Help.lnk" "$INSTDIR\help\html\TovarenHelp.html"
  CreateShortcut "${START_MENU}\Uninstall Tovaren.lnk" "$INSTDIR\uninstall.exe"
FunctionEnd

; The entry of Programs and Features.
Function RegisterUninstaller
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\uninstall.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; Size in KB: the install folder and the saver in the system folder.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${GetSize} "$SYSDIR" "/M=${SAVER} /S=0K /G=0" $3 $1 $2
  IntOp $0 $0 + $3
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
FunctionEnd

; The finish page's first choice.
Function MakeTovarenTheScreenSaver
  ; The full path, as the Screen Saver settings write it.
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\${SAVER}"
  ; SPI_SETSCREENSAVEACTIVE, stored and announced to running programs.
  System::Call 'user32::SystemParametersInfo(i 17, i 1, p 0, i 3)'
FunctionEnd

; The finish page's second choice.
Function OpenScreenSaverSettings
  ${If} ${AtLeastWinVista}
    Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
  ${Else}
    Exec '"$SYSDIR\rundll32.exe" shell32.dll,Control_RunDLL desk.cpl,,1'
  ${EndIf}
FunctionEnd

;--------------------------------
; Uninstalling: what Setup made goes; the user's shows and settings stay.

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  ; Windows runs the saver by the path in SCRNSAVE.EXE: forget it while it
  ; still names ours, in its long or short form (taken before the file goes).
  GetFullPathName /SHORT $1 "$SYSDIR\${SAVER}"
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 != ""
    ${If} $0 == "$SYSDIR\${SAVER}"
    ${OrIf} $0 == $1
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
  ${EndIf}
  Delete /REBOOTOK "$SYSDIR\${SAVER}"

  Call un.RemoveBundledShows

  ; The association, only while .sho is still ours.
  ReadRegStr $0 HKLM "Software\Classes\.sho" ""
  ${If} $0 == "${PROG_ID}"
    DeleteRegValue HKLM "Software\Classes\.sho" ""
    ClearErrors
    EnumRegValue $0 HKLM "Software\Classes\.sho" 0
    ${If} $0 == ""
      DeleteRegKey /ifempty HKLM "Software\Classes\.sho"
    ${EndIf}
  ${EndIf}
  DeleteRegKey HKLM "Software\Classes\${PROG_ID}"
  !insertmacro TellExplorerAssociationsChanged

  Delete "${START_MENU}\Tovaren Editor.lnk"
  Delete "${START_MENU}\Tovaren Help.lnk"
  Delete "${START_MENU}\Uninstall Tovaren.lnk"
  RMDir "${START_MENU}"

  ; The install folder value; the users' settings under their own keys stay.
  DeleteRegValue HKLM "${PRODUCT_KEY}" "TIL"
  DeleteRegKey /ifempty HKLM "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Vorlund\Tovaren"
  DeleteRegKey /ifempty HKLM "Software\Vorlund"

  Delete "$INSTDIR\tovareneditor.exe"
  Delete "$INSTDIR\paceshift.exe"
  Delete "$INSTDIR\reeljoin.exe"
  Delete "$INSTDIR\flagbench.exe"
  Delete "$INSTDIR\rasterwalk.exe"
  Delete "$INSTDIR\rasterwalk2.exe"
  Delete "$INSTDIR\tovarenpack.exe"
  Delete "$INSTDIR\reelcast.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\show.ico"
  RMDir /r "$INSTDIR\help"
  Delete "$INSTDIR\uninstall.exe"
  ; Anything a user put into the folder keeps it.
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; Removes the bundled shows that are as Setup put them; a changed one and the
; user's own shows stay, and so does the folder while it holds any.
Function un.RemoveBundledShows
  FindFirst $0 $1 "$INSTDIR\shows\*.sho"
  ${DoWhile} $1 != ""
    !insertmacro FilesEqual $2 "${SHOW_FOLDER}\$1" "$INSTDIR\shows\$1"
    ${If} $2 == 1
      Delete "${SHOW_FOLDER}\$1"
    ${EndIf}
    FindNext $0 $1
  ${Loop}
  FindClose $0
  RMDir "${SHOW_FOLDER}"
  RMDir /r "$INSTDIR\shows"
FunctionEnd
