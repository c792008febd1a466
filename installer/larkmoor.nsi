; Larkmoor setup: installs the program for the current user, with no
; administrator rights, into %LOCALAPPDATA%\Programs\Larkmoor: the program, the
; default prompts, the help file and the companion tool larkmoor-tool.
; It adds Start-menu shortcuts that start in the program folder (where Larkmoor
; looks for its help file and default prompts), an optional desktop shortcut,
; an entry in Apps & features and an uninstaller that keeps the user's data
; folder %APPDATA%\larkmoor unless asked to delete it.
;
; CMake builds it (target larkmoor_setup) with
;   makensis -DVERSION=<major.minor> -DFILE_VERSION=<major.minor.patch.0> -DARCH=x86|x64
;            -DPROGRAM_DIR=<the build's program folder> -DOUTFILE=<setup.exe> larkmoor.nsi
; Every name and number of the product comes from there or from res/product.h.

!ifndef VERSION | FILE_VERSION | ARCH | PROGRAM_DIR | OUTFILE
  !error "Build this script through CMake (target larkmoor_setup), which defines VERSION, FILE_VERSION, ARCH, PROGRAM_DIR and OUTFILE."
!endif

Unicode true
!if "${ARCH}" == "x64"
  Target amd64-unicode
!else if "${ARCH}" == "x86"
  Target x86-unicode
!else
  !error "ARCH must be x86 or x64, not ${ARCH}"
!endif

; The maker and the web page, as the program's About box shows them.
!searchparse /file "${__FILEDIR__}/../res/product.h" '#define LARKMOOR_OWNER ' PUBLISHER_PAD '"' PUBLISHER '"'
!searchparse /file "${__FILEDIR__}/../res/product.h" '#define LARKMOOR_OWNER_NOTICE ' NOTICE_PAD '"' NOTICE '"'
!searchparse /file "${__FILEDIR__}/../res/product.h" '#define LARKMOOR_WEB_PAGE ' WEB_PAGE_PAD '"' WEB_PAGE '"'

; The program's names that this script relies on.
!define PROGRAM_EXE "larkmoor.exe"
!define HELP_FILE "larkmoorhelp.chm"
!define UNINSTALLER "uninstall.exe"
; Held by Larkmoor while it runs; its files cannot be replaced meanwhile.
!define RUNNING_MUTEX "LarkmoorIsRunning"
; The per-user entry of Apps & features.
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Larkmoor"

Name "Larkmoor"
Caption "Larkmoor ${VERSION} Setup"
UninstallCaption "Uninstall Larkmoor"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Larkmoor"
; Installing again goes into the folder of the installation that is there.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true
ManifestSupportedOS all
BrandingText "Larkmoor ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Larkmoor"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Larkmoor ${VERSION} Setup (${ARCH})"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${NOTICE}"

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include nsDialogs.nsh

!define MUI_ICON "${__FILEDIR__}/../res/larkmoor.ico"
!define MUI_UNICON "${__FILEDIR__}/../res/larkmoor.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start Larkmoor"
!define MUI_FINISHPAGE_RUN_FUNCTION StartLarkmoor
!insertmacro MUI_PAGE_FINISH

UninstPage custom un.DataFolderPage un.DataFolderPageLeave
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------- both sides

; Deletes the files that setup puts into a program folder, and the folder
; when nothing else is left in it. Files the user put there stay.
!macro RemoveProgramFiles folder
  Delete "${folder}\${PROGRAM_EXE}"
  Delete "${folder}\larkmoorqtx.txt"
  Delete "${folder}\${HELP_FILE}"
  Delete "${folder}\larkmoor-tool.exe"
  Delete "${folder}\${UNINSTALLER}"
  RMDir "${folder}"
!macroend

; Waits until Larkmoor is closed: asks to close it (Retry or Cancel) while its
; mutex exists. Cancel, and silent mode, end setup with exit code 2 before
; anything was changed.
!macro CloseLarkmoorFirst un
  Function ${un}CloseLarkmoorFirst
    retry:
      System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MUTEX}") p .r0'
      ${If} $0 P<> 0
        System::Call 'kernel32::CloseHandle(p r0)'
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
          "Larkmoor is running. Close it (Program > Exit), then click Retry." \
          /SD IDCANCEL IDRETRY retry
        SetErrorLevel 2
        Quit
      ${EndIf}
  FunctionEnd
!macroend
!insertmacro CloseLarkmoorFirst ""
!insertmacro CloseLarkmoorFirst "un."

; ------------------------------------------------------------------- install

Function .onInit
  Call CloseLarkmoorFirst
FunctionEnd

Section "Larkmoor (program, help, default prompts and larkmoor-tool)" SectionProgram
  SectionIn RO
  ; Larkmoor may have been started while the pages were shown.
  Call CloseLarkmoorFirst

  ; Moving an installation: the old folder's program files go.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
    !insertmacro RemoveProgramFiles "$0"
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "${PROGRAM_DIR}/${PROGRAM_EXE}"
  File "${PROGRAM_DIR}/larkmoorqtx.txt"
  File "${PROGRAM_DIR}/${HELP_FILE}"
  File "${PROGRAM_DIR}/larkmoor-tool.exe"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; A shortcut starts in the output folder, the program folder.
  CreateShortcut "$SMPROGRAMS\Larkmoor.lnk" "$INSTDIR\${PROGRAM_EXE}"
  CreateShortcut "$SMPROGRAMS\Larkmoor Help.lnk" "$INSTDIR\${HELP_FILE}"
  ; A desktop shortcut of an earlier installation stays, and follows a move.
  ${If} ${FileExists} "$DESKTOP\Larkmoor.lnk"
    CreateShortcut "$DESKTOP\Larkmoor.lnk" "$INSTDIR\${PROGRAM_EXE}"
  ${EndIf}
SectionEnd

Section /o "Desktop shortcut" SectionDesktop
  SetOutPath "$INSTDIR"
  CreateShortcut "$DESKTOP\Larkmoor.lnk" "$INSTDIR\${PROGRAM_EXE}"
SectionEnd

Section "-Apps & features entry"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Larkmoor"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${WEB_PAGE}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM_EXE},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Started from the finish page the way the Start-menu shortcut starts it: in
; the program folder.
Function StartLarkmoor
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\${PROGRAM_EXE}"'
FunctionEnd

; ----------------------------------------------------------------- uninstall

Var DataCheckBox
Var DeleteData

Function un.onInit
  Call un.CloseLarkmoorFirst
  StrCpy $DeleteData ${BST_UNCHECKED}
FunctionEnd

; Says that the data folder stays, and offers (unticked) to delete it too.
Function un.DataFolderPage
  !insertmacro MUI_HEADER_TEXT "Uninstall Larkmoor" "Your journal stays unless you choose otherwise."
  nsDialogs::Create 1018
  Pop $0
  ; A label shows "&&" as "&".
  ${NSD_CreateLabel} 0 0 100% 72u "This removes the Larkmoor program files from $INSTDIR, its shortcuts and its entry in Apps && features.$\r$\n$\r$\nYour journal, settings, program log and brainstorm prompts are in $APPDATA\larkmoor. They are kept, and Larkmoor finds them again when you install it later."
  Pop $0
  ${NSD_CreateCheckbox} 0 80u 100% 24u "Also delete my journal, settings, log and prompts ($APPDATA\larkmoor)"
  Pop $DataCheckBox
  ${NSD_SetState} $DataCheckBox $DeleteData
  ; This page takes the place of the confirmation page: its button uninstalls.
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:$(^UninstallBtn)"
  nsDialogs::Show
FunctionEnd

Function un.DataFolderPageLeave
  ${NSD_GetState} $DataCheckBox $DeleteData
  ${If} $DeleteData == ${BST_CHECKED}
    MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 \
      "Delete your journal and everything else in $APPDATA\larkmoor for good?" IDYES +2
    Abort
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.CloseLarkmoorFirst
  !insertmacro RemoveProgramFiles "$INSTDIR"
  Delete "$SMPROGRAMS\Larkmoor.lnk"
  Delete "$SMPROGRAMS\Larkmoor Help.lnk"
  Delete "$DESKTOP\Larkmoor.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${If} $DeleteData == ${BST_CHECKED}
    RMDir /r "$APPDATA\larkmoor"
  ${EndIf}
SectionEnd
