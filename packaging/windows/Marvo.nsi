; Marvo setup: puts the equaliser's player plug-in dsp_Marvo.dll into Winamp's Plugins folder and, optionally,
; the same equaliser as the VST 2 plug-in SmallEQ.dll (32-bit, and 64-bit on a 64-bit Windows) into the VST
; plug-in folders and, optionally, as the VST 3 bundle SmallEQ.vst3 into the common VST3 folders; writes an
; uninstaller that removes exactly those files again.
;
;   makensis -DVERSION=1.0.0 -DBIN32=<32-bit bin> -DBIN64=<64-bit bin> -DREADME=<README.md>
;            -DOUTFILE=<Marvo-1.0.0-setup.exe> Marvo.nsi
;
; BIN32 holds dsp_Marvo.dll, the 32-bit SmallEQ.dll, the 32-bit SmallEQ.vst3 and the bundle's moduleinfo.json;
; BIN64 the 64-bit SmallEQ.dll and SmallEQ.vst3. Silent: /S; another
; player folder: /D=<folder> (last on the command line, unquoted, as usual for NSIS).
;
; The listener's setting is never touched: Marvo.fxp (and Marvo.fxp.rejected) beside winamp.exe, the copy in
; %APPDATA%\Zentrova\Marvo\ and the window state under HKCU\Software\Zentrova\Marvo stay when Marvo goes.

!ifndef VERSION | BIN32 | BIN64 | README | OUTFILE
  !error "Define VERSION, BIN32, BIN64, README and OUTFILE (makensis -DVERSION=1.0.0 ...)"
!endif

Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin   ; Program Files and HKLM

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh

Name "Marvo"
Caption "Marvo ${VERSION} Setup"
UninstallCaption "Marvo ${VERSION} Uninstall"
BrandingText "Zentrova creations"
OutFile "${OUTFILE}"
; The player's folder; .onInit fills it in unless /D gave one.
InstallDir ""
ShowInstDetails show
ShowUninstDetails show
; A file that cannot be written offers Retry and Cancel, never a silent skip (a silent run cancels).
AllowSkipFiles off

; The uninstall entry and the records of where the files went. The player and this setup are 32-bit programs,
; so the entry lives in the 32-bit view of HKLM (WOW6432Node on a 64-bit Windows), beside the player's own;
; installer and uninstaller both select that view explicitly in their .onInit.
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Marvo"
!define UNINSTALLER "Marvo-uninstall.exe"
!define README_NAME "Marvo-README.txt"

; The folders SmallEQ.dll goes into (setup) or went into (uninstaller); empty: none.
Var VstDir32
Var VstDir64
; The VST 3 bundles (setup: to be installed; uninstaller: installed); empty: none. 32-bit hosts look in the
; 32-bit common files' VST3 folder, 64-bit hosts in the 64-bit one.
Var Vst3Dir32
Var Vst3Dir64
; Uninstaller: whether the uninstall entry names this installation.
Var Registered

; --- Pages -----------------------------------------------------------------------------------------------------
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_PAGE_COMPONENTS

!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup will put Marvo into the Plugins folder of the Winamp folder below. To use another Winamp installation, click Browse and select its folder (the one holding winamp.exe)."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Winamp folder"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckPlayerFolder
!insertmacro MUI_PAGE_DIRECTORY

!insertmacro MUI_PAGE_INSTFILES

!define MUI_FINISHPAGE_TEXT "Marvo is installed. Start Winamp and select Marvo under Preferences, Plug-ins, DSP/Effect."
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\Plugins\${README_NAME}"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show the read-me"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; --- Version resource of the setup program ---------------------------------------------------------------------
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Marvo"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Marvo equaliser setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "Zentrova creations"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (C) Zentrova creations"

; --- Shared by installer and uninstaller -----------------------------------------------------------------------

; Stops with a clear message while FILE exists and cannot be opened for writing: Windows refuses that for a
; library a running program has loaded (the player holding dsp_Marvo.dll, a VST host holding SmallEQ.dll).
; The listener may close HOLDER and retry; Cancel, and every silent run, ends with exit code 2. Both sides
; check every file before they change anything.
!macro StopWhileInUse FILE HOLDER
  ${Do}
    ${IfNot} ${FileExists} "${FILE}"
      ${Break}
    ${EndIf}
    ClearErrors
    FileOpen $0 "${FILE}" a
    ${IfNot} ${Errors}
      FileClose $0
      ${Break}
    ${EndIf}
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONSTOP "${FILE} is in use, most likely by ${HOLDER}.$\r$\n$\r$\nClose it and click Retry, or click Cancel to stop." /SD IDCANCEL IDRETRY`
      SetErrorLevel 2
      Abort "${FILE} is in use: close ${HOLDER} and run this again."
    ${EndIf}
  ${Loop}
!macroend

; Checks the 64-bit VST folder's SmallEQ.dll as 64-bit programs see that folder (no System32 redirection).
!macro StopWhileInUse64 FOLDER
  ${If} "${FOLDER}" != ""
  ${AndIf} ${RunningX64}
    ${DisableX64FSRedirection}
    !insertmacro StopWhileInUse "${FOLDER}\SmallEQ.dll" "a running VST host"
    ${EnableX64FSRedirection}
  ${EndIf}
!macroend

; --- Installer -------------------------------------------------------------------------------------------------

Function .onInit
  SetRegView 32
  ; Without /D: the folder the player recorded for itself, else its usual place (a 32-bit program).
  ${If} "$INSTDIR" == ""
    ReadRegStr $INSTDIR HKCU "Software\Winamp" ""
  ${EndIf}
  ${If} "$INSTDIR" == ""
    StrCpy $INSTDIR "$PROGRAMFILES\Winamp"
  ${EndIf}
FunctionEnd

; Leaving the directory page (shown only when not silent): a folder without winamp.exe is most likely a
; mistake, so ask before installing there.
Function CheckPlayerFolder
  ${IfNot} ${FileExists} "$INSTDIR\winamp.exe"
    MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "There is no winamp.exe in$\r$\n$INSTDIR$\r$\n$\r$\nInstall Marvo there anyway?" /SD IDYES IDYES +2
    Abort   ; stay on the page
  ${EndIf}
FunctionEnd

; Before anything changes: where the VST component goes, and whether every file to be replaced can be.
Section "-Prepare"
  Call Prepare
SectionEnd

Section "Marvo for Winamp" SecPlayer
  SectionIn RO
  SetOutPath "$INSTDIR\Plugins"
  File "${BIN32}\dsp_Marvo.dll"
  File "/oname=${README_NAME}" "${README}"
  WriteUninstaller "$INSTDIR\Plugins\${UNINSTALLER}"
SectionEnd

Section "SmallEQ VST 2 plug-in" SecVst
  SetOutPath $VstDir32
  File "${BIN32}\SmallEQ.dll"
  ${If} $VstDir64 != ""
    ${DisableX64FSRedirection}
    SetOutPath $VstDir64
    File "${BIN64}\SmallEQ.dll"
    ${EnableX64FSRedirection}
  ${EndIf}
SectionEnd

Section "SmallEQ VST 3 plug-in" SecVst3
  SetOutPath "$Vst3Dir32\Contents\x86-win"
  File "${BIN32}\SmallEQ.vst3"
  SetOutPath "$Vst3Dir32\Contents\Resources"
  File "${BIN32}\moduleinfo.json"
  ${If} $Vst3Dir64 != ""
    ${DisableX64FSRedirection}
    SetOutPath "$Vst3Dir64\Contents\x86_64-win"
    File "${BIN64}\SmallEQ.vst3"
    SetOutPath "$Vst3Dir64\Contents\Resources"
    File "${BIN32}\moduleinfo.json"
    ${EnableX64FSRedirection}
  ${EndIf}
SectionEnd

; The VST folders are those VST hosts read, as recorded in the 32-bit and the 64-bit registry view (setup
; leaves them unchanged). Defined after the sections, whose indices it reads.
Function Prepare
  ${If} ${SectionIsSelected} ${SecVst}
    ReadRegStr $VstDir32 HKLM "SOFTWARE\VST" "VstPluginsPath"
    ${If} $VstDir32 == ""
      StrCpy $VstDir32 "$PROGRAMFILES32\VstPlugins"
    ${EndIf}
    ${If} ${RunningX64}
      SetRegView 64
      ReadRegStr $VstDir64 HKLM "SOFTWARE\VST" "VstPluginsPath"
      SetRegView 32
      ${If} $VstDir64 == ""
        StrCpy $VstDir64 "$PROGRAMFILES64\VstPlugins"
      ${EndIf}
    ${EndIf}
  ${EndIf}
  ${If} ${SectionIsSelected} ${SecVst3}
    StrCpy $Vst3Dir32 "$COMMONFILES32\VST3\SmallEQ.vst3"
    ${If} ${RunningX64}
      StrCpy $Vst3Dir64 "$COMMONFILES64\VST3\SmallEQ.vst3"
    ${EndIf}
  ${EndIf}
  !insertmacro StopWhileInUse "$INSTDIR\Plugins\dsp_Marvo.dll" "a running Winamp"
  ${If} $VstDir32 != ""
    !insertmacro StopWhileInUse "$VstDir32\SmallEQ.dll" "a running VST host"
  ${EndIf}
  !insertmacro StopWhileInUse64 $VstDir64
  ${If} $Vst3Dir32 != ""
    !insertmacro StopWhileInUse "$Vst3Dir32\Contents\x86-win\SmallEQ.vst3" "a running VST 3 host"
  ${EndIf}
FunctionEnd

; The uninstall entry. Folders recorded by an earlier run are kept when this run skipped the VST component:
; their files are still there, and the uninstaller should still remove them.
Section "-Register"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Marvo equaliser"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Zentrova creations"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Plugins\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Plugins\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecPlayer} $0
  ${If} ${SectionIsSelected} ${SecVst}
    SectionGetSize ${SecVst} $1
    IntOp $0 $0 + $1
  ${EndIf}
  ${If} ${SectionIsSelected} ${SecVst3}
    SectionGetSize ${SecVst3} $1
    IntOp $0 $0 + $1
  ${EndIf}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0   ; KiB
  ${If} $VstDir32 != ""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "VstFolder32" $VstDir32
  ${EndIf}
  ${If} $VstDir64 != ""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "VstFolder64" $VstDir64
  ${EndIf}
  ${If} $Vst3Dir32 != ""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Vst3Bundle32" $Vst3Dir32
  ${EndIf}
  ${If} $Vst3Dir64 != ""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Vst3Bundle64" $Vst3Dir64
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPlayer} "The equaliser as Winamp's DSP plug-in dsp_Marvo.dll."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecVst} "The same equaliser for VST 2 hosts: SmallEQ.dll into the VST plug-in folders (32-bit, and 64-bit on a 64-bit Windows)."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecVst3} "The same equaliser for VST 3 hosts: the bundle SmallEQ.vst3 into the common VST3 folders (32-bit, and 64-bit on a 64-bit Windows)."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; --- Uninstaller: $INSTDIR is the Plugins folder it sits in ----------------------------------------------------

Function un.onInit
  SetRegView 32
FunctionEnd

Section "Uninstall"
  ; The entry and the VST files belong to the installation it names: an older one in another player folder
  ; leaves them to the newer one. Short names make both spellings of one folder compare equal.
  StrCpy $Registered 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    GetFullPathName /SHORT $0 "$0\Plugins"
    GetFullPathName /SHORT $1 "$INSTDIR"
    ${If} $0 != ""
    ${AndIf} $0 == $1
      StrCpy $Registered 1
      ReadRegStr $VstDir32 HKLM "${UNINSTALL_KEY}" "VstFolder32"
      ReadRegStr $VstDir64 HKLM "${UNINSTALL_KEY}" "VstFolder64"
      ReadRegStr $Vst3Dir32 HKLM "${UNINSTALL_KEY}" "Vst3Bundle32"
      ReadRegStr $Vst3Dir64 HKLM "${UNINSTALL_KEY}" "Vst3Bundle64"
    ${EndIf}
  ${EndIf}

  !insertmacro StopWhileInUse "$INSTDIR\dsp_Marvo.dll" "a running Winamp"
  ${If} $VstDir32 != ""
    !insertmacro StopWhileInUse "$VstDir32\SmallEQ.dll" "a running VST host"
  ${EndIf}
  !insertmacro StopWhileInUse64 $VstDir64

  Delete "$INSTDIR\dsp_Marvo.dll"
  Delete "$INSTDIR\${README_NAME}"
  ${If} $VstDir32 != ""
    Delete "$VstDir32\SmallEQ.dll"
    RMDir "$VstDir32"   ; plain RMDir: only when nothing else is left in it
  ${EndIf}
  ${If} $VstDir64 != ""
  ${AndIf} ${RunningX64}
    ${DisableX64FSRedirection}
    Delete "$VstDir64\SmallEQ.dll"
    RMDir "$VstDir64"
    ${EnableX64FSRedirection}
  ${EndIf}
  ${If} $Vst3Dir32 != ""
    Delete "$Vst3Dir32\Contents\x86-win\SmallEQ.vst3"
    Delete "$Vst3Dir32\Contents\Resources\moduleinfo.json"
    RMDir "$Vst3Dir32\Contents\x86-win"
    RMDir "$Vst3Dir32\Contents\Resources"
    RMDir "$Vst3Dir32\Contents"
    RMDir "$Vst3Dir32"
  ${EndIf}
  ${If} $Vst3Dir64 != ""
  ${AndIf} ${RunningX64}
    ${DisableX64FSRedirection}
    Delete "$Vst3Dir64\Contents\x86_64-win\SmallEQ.vst3"
    Delete "$Vst3Dir64\Contents\Resources\moduleinfo.json"
    RMDir "$Vst3Dir64\Contents\x86_64-win"
    RMDir "$Vst3Dir64\Contents\Resources"
    RMDir "$Vst3Dir64\Contents"
    RMDir "$Vst3Dir64"
    ${EnableX64FSRedirection}
  ${EndIf}
  ${If} $Registered == 1
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"   ; only when empty: the player's other plug-ins live there too
SectionEnd
