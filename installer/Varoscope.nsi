; Setup and uninstaller of Varoscope: the viewer varo.exe, the Outlook add-in VaroAddin.dll, the
; support files, the help file and the language packs.
;
; makensis is given by the build:
;   VARO_RELEASE_DIR  stripped varo.exe, x64\VaroAddin.dll, x86\VaroAddin.dll
;   VARO_DATA_DIR     data/ of the sources (support files)
;   VARO_HELP_FILE    Varo.chm
;   VARO_FILES_NSH    generated list of the language packs (LangFiles.nsh)
;   VARO_OUTFILE      the setup program to write
;   VARO_VERSION      e.g. 1.41
;
; Command line (setup): /S silent; /DRYRUN=<file> writes where it would install and which add-in
; library it would register, then ends without changing anything.
; Command line (uninstall.exe): /S silent.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "MUI2.nsh"
!include "${VARO_FILES_NSH}"

!define PRODUCT "Varoscope"
!define PUBLISHER "Drovasoft"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Varoscope"
!define OFFICE_KEY "Software\Microsoft\Office"
!define C2R_MACHINE "Software\Microsoft\Office\ClickToRun\REGISTRY\MACHINE\Software"
; Exit codes of the setup besides 0 (done), 1 (cancelled) and 2 (aborted by an error).
!define EXIT_IN_USE 3
!define EXIT_REGISTER_FAILED 4

Name "${PRODUCT}"
OutFile "${VARO_OUTFILE}"
; The real folder is decided in .onInit from Outlook's bitness; this is only the fallback.
InstallDir "$PROGRAMFILES64\${PRODUCT}"
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VARO_VERSION}"

VIProductVersion "${VARO_VERSION}.0.0"
VIFileVersion "${VARO_VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VARO_VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VARO_VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${PUBLISHER}"
VIAddVersionKey /LANG=1033 "OriginalFilename" "VaroscopeSetup.exe"

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\varo.exe"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Decided in .onInit.
Var OutlookBitness   ; x86 or x64: the add-in library that Outlook can load
Var BitnessSource    ; where that was read, for the dry run
Var Regsvr32         ; the registration tool of that bitness
Var ViewerFilesDir   ; where the 64-bit viewer reads its support files ("ProgramFiles" of a 64-bit process)
Var OldInstallDir    ; an earlier installation in another folder, to be removed first

; ---------------------------------------------------------------------------------------------------
; Outlook's bitness. Office 2010 and later write "Bitness" under ...\Office\<version>\Outlook; a
; 32-bit Office on 64-bit Windows writes into the WOW6432Node view, Click-to-Run Office into its
; virtual registry. Older Outlooks are 32-bit only and write no value. No Outlook: 64-bit.

; Reads "Bitness" of one key into $BitnessSource / $OutlookBitness when it is a known value.
!macro ReadBitnessAt KEY
    ${If} $OutlookBitness == ""
        ClearErrors
        ReadRegStr $R9 HKLM "${KEY}" "Bitness"
        ${IfNot} ${Errors}
            ${If} $R9 == "x86"
            ${OrIf} $R9 == "x64"
                StrCpy $OutlookBitness $R9
                StrCpy $BitnessSource "HKLM\${KEY}"
            ${EndIf}
        ${EndIf}
    ${EndIf}
!macroend

!macro FindBitnessForVersion VERSION
    !insertmacro ReadBitnessAt "${OFFICE_KEY}\${VERSION}\Outlook"
    !insertmacro ReadBitnessAt "Software\WOW6432Node\Microsoft\Office\${VERSION}\Outlook"
    !insertmacro ReadBitnessAt "${C2R_MACHINE}\Microsoft\Office\${VERSION}\Outlook"
    !insertmacro ReadBitnessAt "${C2R_MACHINE}\WOW6432Node\Microsoft\Office\${VERSION}\Outlook"
    ; An Outlook without the value in the 32-bit view is an old, 32-bit-only one.
    ${If} $OutlookBitness == ""
        ClearErrors
        ReadRegStr $R9 HKLM "Software\WOW6432Node\Microsoft\Office\${VERSION}\Outlook\InstallRoot" "Path"
        ${IfNot} ${Errors}
            StrCpy $OutlookBitness "x86"
            StrCpy $BitnessSource "HKLM\Software\WOW6432Node\Microsoft\Office\${VERSION}\Outlook\InstallRoot"
        ${EndIf}
    ${EndIf}
!macroend

Function FindOutlookBitness
    SetRegView 64
    StrCpy $OutlookBitness ""
    StrCpy $BitnessSource ""
    !insertmacro FindBitnessForVersion "16.0"
    !insertmacro FindBitnessForVersion "15.0"
    !insertmacro FindBitnessForVersion "14.0"
    !insertmacro FindBitnessForVersion "12.0"
    !insertmacro FindBitnessForVersion "11.0"
    ; Click-to-Run names the platform of the whole Office once more.
    ${If} $OutlookBitness == ""
        ClearErrors
        ReadRegStr $R9 HKLM "Software\Microsoft\Office\ClickToRun\Configuration" "Platform"
        ${IfNot} ${Errors}
            ${If} $R9 == "x86"
            ${OrIf} $R9 == "x64"
                StrCpy $OutlookBitness $R9
                StrCpy $BitnessSource "HKLM\Software\Microsoft\Office\ClickToRun\Configuration"
            ${EndIf}
        ${EndIf}
    ${EndIf}
    ${If} $OutlookBitness == ""
        StrCpy $OutlookBitness "x64"
        StrCpy $BitnessSource "none"
    ${EndIf}
FunctionEnd

; The add-in starts "ProgramFiles" + "\Varoscope\varo.exe" as Outlook's process sees "ProgramFiles";
; a 32-bit Outlook sees the x86 folder. The viewer, a 64-bit program, reads its support files from
; the 64-bit folder, so on the 32-bit road they go there as well.
Function DecideFolders
    Call FindOutlookBitness
    StrCpy $ViewerFilesDir "$PROGRAMFILES64\${PRODUCT}"
    ${If} $OutlookBitness == "x86"
        ; The 64-bit setup's $PROGRAMFILES32 names the 64-bit folder; ask Windows for the x86 one.
        SetRegView 64
        ReadRegStr $R9 HKLM "Software\Microsoft\Windows\CurrentVersion" "ProgramFilesDir (x86)"
        ${If} $R9 == ""
            ReadEnvStr $R9 "ProgramFiles(x86)"
        ${EndIf}
        ${If} $R9 == ""
            StrCpy $R9 "$PROGRAMFILES64 (x86)"
        ${EndIf}
        StrCpy $INSTDIR "$R9\${PRODUCT}"
        StrCpy $Regsvr32 "$WINDIR\SysWOW64\regsvr32.exe"
    ${Else}
        StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
        StrCpy $Regsvr32 "$WINDIR\System32\regsvr32.exe"
    ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------------------------------
; A running Outlook holds the add-in library, a running viewer its program: neither can be
; replaced or deleted then. Opening them for writing fails exactly in that case.

; Sets $R8 to 1 when FILE exists and cannot be opened for writing.
!macro CheckFileFree FILE
    ${If} ${FileExists} "${FILE}"
        ClearErrors
        FileOpen $R7 "${FILE}" a
        ${If} ${Errors}
            StrCpy $R8 1
        ${Else}
            FileClose $R7
        ${EndIf}
    ${EndIf}
!macroend

!macro DefineInUseCheck PREFIX
Function ${PREFIX}FilesInUse ; folder on the stack; $R8 = 1 when in use
    Exch $R6
    StrCpy $R8 0
    ${If} $R6 != ""
        !insertmacro CheckFileFree "$R6\VaroAddin.dll"
        !insertmacro CheckFileFree "$R6\varo.exe"
    ${EndIf}
    Pop $R6
FunctionEnd
!macroend
!insertmacro DefineInUseCheck ""
!insertmacro DefineInUseCheck "un."

Function WaitUntilFilesFree ; folder on the stack; quits when the user gives up
    Exch $R5
    ${Do}
        Push $R5
        Call FilesInUse
        ${If} $R8 == 0
            ${ExitDo}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
            "Varoscope is in use: Outlook has loaded its add-in, or the viewer is open.$\r$\n$\r$\n\
Close Outlook and Varoscope, then choose Retry. Nothing has been changed yet." \
            /SD IDCANCEL IDRETRY retry
        SetErrorLevel ${EXIT_IN_USE}
        Quit
        retry:
    ${Loop}
    Pop $R5
FunctionEnd

Function .onInit
    Call DecideFolders

    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/DRYRUN=" $R1
    ${IfNot} ${Errors}
        FileOpen $R2 $R1 w
        ${If} ${Errors}
            SetErrorLevel 2
            Quit
        ${EndIf}
        FileWrite $R2 "outlook=$OutlookBitness$\r$\n"
        FileWrite $R2 "source=$BitnessSource$\r$\n"
        FileWrite $R2 "folder=$INSTDIR$\r$\n"
        FileWrite $R2 "supportfolder=$ViewerFilesDir$\r$\n"
        FileWrite $R2 "addin=$OutlookBitness$\r$\n"
        FileWrite $R2 "regsvr32=$Regsvr32$\r$\n"
        FileClose $R2
        SetErrorLevel 0
        Quit
    ${EndIf}

    ; An earlier installation elsewhere (Outlook changed its bitness) is removed before this one.
    SetRegView 64
    ReadRegStr $OldInstallDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $OldInstallDir == $INSTDIR
    ${OrIfNot} ${FileExists} "$OldInstallDir\uninstall.exe"
        StrCpy $OldInstallDir ""
    ${EndIf}

    Push $INSTDIR
    Call WaitUntilFilesFree
    Push $OldInstallDir
    Call WaitUntilFilesFree
FunctionEnd

; Runs regsvr32 with ARGS on the installed add-in library; its exit code in $R0.
!macro RunRegsvr32 TOOL ARGS DLL
    ClearErrors
    ExecWait '"${TOOL}" ${ARGS} "${DLL}"' $R0
    ${If} ${Errors}
        StrCpy $R0 -1
    ${EndIf}
!macroend

Section "Varoscope" SecMain
    SectionIn RO
    SetRegView 64
    SetShellVarContext all

    ${If} $OldInstallDir != ""
        DetailPrint "Removing the earlier installation in $OldInstallDir"
        ExecWait '"$OldInstallDir\uninstall.exe" /S _?=$OldInstallDir'
        Delete "$OldInstallDir\uninstall.exe"
        RMDir "$OldInstallDir"
    ${EndIf}

    SetOverwrite on
    SetOutPath "$INSTDIR"
    File "${VARO_RELEASE_DIR}/varo.exe"
    File "${VARO_HELP_FILE}"
    File "${VARO_DATA_DIR}/VaroReport.xsl"
    File "${VARO_DATA_DIR}/VaroReport.css"
    File "${VARO_DATA_DIR}/VaroDoc.bmp"
    ${If} $OutlookBitness == "x86"
        File "/oname=VaroAddin.dll" "${VARO_RELEASE_DIR}/x86/VaroAddin.dll"
    ${Else}
        File "/oname=VaroAddin.dll" "${VARO_RELEASE_DIR}/x64/VaroAddin.dll"
    ${EndIf}
    SetOutPath "$INSTDIR\LANG"
    !insertmacro VaroInstallLanguagePacks
    ${If} $ViewerFilesDir != $INSTDIR
        SetOutPath "$ViewerFilesDir"
        File "${VARO_DATA_DIR}/VaroReport.xsl"
        File "${VARO_DATA_DIR}/VaroReport.css"
        File "${VARO_DATA_DIR}/VaroDoc.bmp"
    ${EndIf}

    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The registration writes the Outlook add-in key for the user who runs the setup.
    DetailPrint "Registering the Outlook add-in"
    !insertmacro RunRegsvr32 "$Regsvr32" "/s" "$INSTDIR\VaroAddin.dll"
    ${If} $R0 != 0
        DetailPrint "regsvr32 ended with $R0"
        MessageBox MB_OK|MB_ICONSTOP \
            "The Outlook add-in could not be registered (regsvr32 ended with $R0).$\r$\n\
Varoscope is installed without its button in Outlook; run the setup again to retry." /SD IDOK
        SetErrorLevel ${EXIT_REGISTER_FAILED}
    ${EndIf}

    CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\varo.exe" "" "$INSTDIR\varo.exe" 0 \
        SW_SHOWNORMAL "" "Shows the pictures of the mail selected in Outlook"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VARO_VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\varo.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "OutlookBitness" "$OutlookBitness"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $R1 $R2 $R3
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $R1
SectionEnd

; ---------------------------------------------------------------------------------------------------
; Uninstaller: removes exactly what the setup made, and what the viewer itself keeps: its language
; setting file beside the program and the uninstalling user's profile key.

Function un.onInit
    SetRegView 64
    ${Do}
        Push $INSTDIR
        Call un.FilesInUse
        ${If} $R8 == 0
            ${ExitDo}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
            "Varoscope is in use: Outlook has loaded its add-in, or the viewer is open.$\r$\n$\r$\n\
Close Outlook and Varoscope, then choose Retry. Nothing has been removed yet." \
            /SD IDCANCEL IDRETRY retry
        SetErrorLevel ${EXIT_IN_USE}
        Quit
        retry:
    ${Loop}
FunctionEnd

Section "Uninstall"
    SetRegView 64
    SetShellVarContext all

    ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "OutlookBitness"
    ${If} $R1 == "x86"
        StrCpy $R2 "$WINDIR\SysWOW64\regsvr32.exe"
    ${Else}
        StrCpy $R2 "$WINDIR\System32\regsvr32.exe"
    ${EndIf}
    ${If} ${FileExists} "$INSTDIR\VaroAddin.dll"
        DetailPrint "Unregistering the Outlook add-in"
        !insertmacro RunRegsvr32 "$R2" "/u /s" "$INSTDIR\VaroAddin.dll"
    ${EndIf}

    Delete "$SMPROGRAMS\${PRODUCT}.lnk"

    Delete "$INSTDIR\varo.exe"
    Delete "$INSTDIR\VaroAddin.dll"
    Delete "$INSTDIR\Varo.chm"
    Delete "$INSTDIR\VaroReport.xsl"
    Delete "$INSTDIR\VaroReport.css"
    Delete "$INSTDIR\VaroDoc.bmp"
    ; The viewer keeps its language choice beside the program.
    Delete "$INSTDIR\varo.ini"
    !insertmacro VaroRemoveLanguagePacks
    RMDir "$INSTDIR\LANG"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"

    ; On the 32-bit road the 64-bit folder holds the viewer's support files.
    ${If} "$PROGRAMFILES64\${PRODUCT}" != $INSTDIR
        Delete "$PROGRAMFILES64\${PRODUCT}\VaroReport.xsl"
        Delete "$PROGRAMFILES64\${PRODUCT}\VaroReport.css"
        Delete "$PROGRAMFILES64\${PRODUCT}\VaroDoc.bmp"
        RMDir "$PROGRAMFILES64\${PRODUCT}"
    ${EndIf}

    ; The viewer's framework keeps a profile key (its empty recent-file list) for each user who ran
    ; it; the uninstalling user's goes with the program. The parent is shared by such programs.
    DeleteRegKey HKCU "Software\Local AppWizard-Generated Applications\VARO"
    DeleteRegKey /ifempty HKCU "Software\Local AppWizard-Generated Applications"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
