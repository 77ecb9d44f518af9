; The Windows installer, Talkforge-<version>-win64-setup.exe: the components a
; user picks, each where Windows hosts look for it, and an uninstaller in
; "Apps and features" that removes exactly what was installed.
;
; packaging/windows/CMakeLists.txt builds it with these defines:
;   TF_VERSION  the project's version (1.2.3)
;   TF_STAGE    the staged files and files.nsh, which installs and removes
;               each component's files (stage.cmake writes it)
;   TF_ART      the icon and the pages' pictures, drawn by tf_artwork
;   TF_OUTFILE  the setup program to write
;
; Command line (besides NSIS's own /S for a silent install and /D=FOLDER, the
; VST 2 folder, which must come last):
;   /COMPONENTS=vst2,vst3,presets,manual   installs only the components named
;                                          (clap too where the build has it)
; An unknown or missing component name ends the installer with exit code 2.

; A 64-bit program: 32-bit Windows, which has no host for the 64-bit plug-ins,
; refuses to start it with its own message (not compatible with this version
; of Windows, x86 or x64).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh

!include "${TF_STAGE}/files.nsh"

!define TF_PUBLISHER "Harrowgate Sounds"
!define TF_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Talkforge"
!define TF_UNINSTALLER "Uninstall Talkforge.exe"
!define TF_VST3_FOLDER "$COMMONFILES64\VST3"
!define TF_CLAP_FOLDER "$COMMONFILES64\CLAP"
!define TF_PROGRAM_FOLDER "$PROGRAMFILES64\Harrowgate Sounds\Talkforge"

Name "Talkforge"
OutFile "${TF_OUTFILE}"
; /D= or the folder of the version installed before, else the usual one.
InstallDir "$COMMONFILES64\VST2"
InstallDirRegKey HKLM "${TF_KEY}" "VST2Folder"
BrandingText "${TF_PUBLISHER}"
; A file that cannot be written (a host holds it) stops the installation
; rather than leaving the old file in place.
AllowSkipFiles off
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${TF_VERSION}.0"
VIFileVersion "${TF_VERSION}.0"

; ---- Pages -----------------------------------------------------------------

!define MUI_ICON "${TF_ART}/talkforge.ico"
!define MUI_UNICON "${TF_ART}/talkforge.ico"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${TF_ART}/header.bmp"
!define MUI_HEADERIMAGE_UNBITMAP "${TF_ART}/header.bmp"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${TF_ART}/welcome.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${TF_ART}/welcome.bmp"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC

!define MUI_WELCOMEPAGE_TITLE "Talkforge ${TF_VERSION}"
!ifdef TF_WITH_CLAP
!define TF_FORMATS "a VST 2, a VST 3 and a CLAP plug-in"
!define TF_FIXED_FOLDERS "The VST 3 and CLAP plug-ins go where every host of their format looks:$\r$\n${TF_VST3_FOLDER}$\r$\n${TF_CLAP_FOLDER}"
!else
!define TF_FORMATS "a VST 2 and a VST 3 plug-in"
!define TF_FIXED_FOLDERS "The VST 3 plug-in goes where every VST 3 host looks: ${TF_VST3_FOLDER}."
!endif
!define MUI_WELCOMEPAGE_TEXT "This installs Talkforge, the vocoder by ${TF_PUBLISHER}, for 64-bit hosts: as ${TF_FORMATS}, each where hosts look for it, with its preset library and manual.$\r$\n$\r$\nAn installed Talkforge of any version is replaced.$\r$\n$\r$\nClose your hosts before you continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${TF_STAGE}/files/manual/LICENSE.txt"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE RequireAComponent
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipUnlessVst2
!define MUI_PAGE_HEADER_TEXT "VST 2 Plug-in Folder"
!define MUI_PAGE_HEADER_SUBTEXT "Choose the folder your hosts scan for VST 2 plug-ins."
!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup installs the VST 2 plug-in, Talkforge.dll, into the folder below. If your host scans another folder for VST 2 plug-ins (its plug-in settings show which), choose that one.$\r$\n$\r$\n${TF_FIXED_FOLDERS}"
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "VST 2 plug-in folder"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "Talkforge is installed. Rescan the plug-in folders in your hosts to find it."
!define MUI_FINISHPAGE_SHOWREADME "${TF_PROGRAM_FOLDER}\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show the manual"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_PAGE_CUSTOMFUNCTION_SHOW OfferManualIfInstalled
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Talkforge"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${TF_PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Talkforge ${TF_VERSION} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${TF_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${TF_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (c) 2026 ${TF_PUBLISHER}"

; ---- Helpers for installer and uninstaller ----------------------------------

; Takes the first comma-separated word off $R0 into $R1 (trimmed of spaces).
!macro TF_DEFINE_TAKE_WORD prefix
Function ${prefix}TakeWord
    Push $0
    Push $1
    StrCpy $R1 ""
    StrCpy $0 0
    ${Do}
        StrCpy $1 $R0 1 $0
        ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
        IntOp $0 $0 + 1
        ${IfThen} $1 == "," ${|} ${ExitDo} ${|}
        ${IfThen} $1 != " " ${|} StrCpy $R1 "$R1$1" ${|}
    ${Loop}
    StrCpy $R0 $R0 "" $0
    Pop $1
    Pop $0
FunctionEnd
!macroend
!insertmacro TF_DEFINE_TAKE_WORD ""
!insertmacro TF_DEFINE_TAKE_WORD "un."

!macro TF_DEFINE_REMOVE_MADE_FOLDERS prefix
; Removes the empty folders from $0 up to the outermost the installer made,
; $1 ("" when it made none).
Function ${prefix}RemoveMadeFolders
    ; Only folders on the way to $1, which a damaged entry might not name.
    StrLen $2 $1
    StrCpy $3 $0 $2
    StrCpy $2 $0 1 $2
    ${If} $1 == ""
    ${OrIf} $3 != $1
        Return
    ${EndIf}
    ${If} $2 != ""
    ${AndIf} $2 != "\"
        Return
    ${EndIf}
    ${Do}
        RMDir $0
        ${If} ${FileExists} "$0\*.*"
        ${OrIf} $0 == $1
            ${ExitDo}
        ${EndIf}
        ${GetParent} $0 $0
    ${LoopUntil} $0 == ""
FunctionEnd
!macroend
!insertmacro TF_DEFINE_REMOVE_MADE_FOLDERS ""
!insertmacro TF_DEFINE_REMOVE_MADE_FOLDERS "un."

; ---- Installer ---------------------------------------------------------------

Var Components      ; the installed components, comma-separated
Var CreatedVst2     ; the outermost folder each root made, to remove with it
Var CreatedVst3
!ifdef TF_WITH_CLAP
Var CreatedClap
!endif
Var CreatedProgram

; The outermost of the folders that do not exist yet on the way to the
; folder on the stack ("" when it exists), in its place.
Function FirstMissingFolder
    Exch $0
    Push $1
    StrCpy $1 ""
    ${DoUntil} $0 == ""
        ${If} ${FileExists} "$0\*.*"
            ${ExitDo}
        ${EndIf}
        StrCpy $1 $0
        ${GetParent} $0 $0
    ${Loop}
    StrCpy $0 $1
    Pop $1
    Exch $0
FunctionEnd

!macro TF_FIRST_MISSING folder var
    Push "${folder}"
    Call FirstMissingFolder
    Pop ${var}
!macroend

; Stops the installer with `message` and exit code 2: `stop` is Quit before
; the pages, Abort in a section.
!macro TF_FAIL stop message
    MessageBox MB_OK|MB_ICONSTOP "${message}" /SD IDOK
    SetErrorLevel 2
    ${stop}
!macroend

; Removes the version installed before, whatever its components and folders,
; with its own uninstaller, run in place so that it can be waited for.
Function RemovePreviousVersion
    ReadRegStr $0 HKLM "${TF_KEY}" "UninstallString"
    ${If} $0 == ""
        Return
    ${EndIf}
    StrCpy $1 $0 1
    ${If} $1 == '"'
        StrCpy $0 $0 -1 1
    ${EndIf}
    ${IfNot} ${FileExists} $0
        ; Its files are gone: only the entry is left.
        DeleteRegKey HKLM "${TF_KEY}"
        Return
    ${EndIf}
    ${GetParent} $0 $4
    ReadRegStr $5 HKLM "${TF_KEY}" "CreatedProgram"
    DetailPrint "Removing the Talkforge installed before"
    ClearErrors
    ExecWait '"$0" /S _?=$4' $2
    ${If} ${Errors}
    ${OrIf} $2 != 0
        !insertmacro TF_FAIL Abort "The Talkforge installed before could not be removed: a host may be using it.$\r$\nClose your hosts and run setup again."
    ${EndIf}
    ; Run in place, it cannot delete itself nor the folders it is in.
    Delete $0
    StrCpy $0 $4
    StrCpy $1 $5
    Call RemoveMadeFolders
FunctionEnd

Section "-Previous version"
    SetRegView 64
    Call RemovePreviousVersion
    ; Each component notes the folders it is about to make, as this.
    !insertmacro TF_FIRST_MISSING "${TF_PROGRAM_FOLDER}" $CreatedProgram
    StrCpy $Components ""
SectionEnd

!macro TF_COMPONENT name
    StrCpy $Components "$Components${name},"
!macroend

Section "VST 2 plug-in" SecVst2
    !insertmacro TF_FIRST_MISSING "$INSTDIR" $CreatedVst2
    !insertmacro TF_INSTALL_vst2 "$INSTDIR"
    !insertmacro TF_COMPONENT vst2
SectionEnd

Section "VST 3 plug-in" SecVst3
    !insertmacro TF_FIRST_MISSING "${TF_VST3_FOLDER}" $CreatedVst3
    !insertmacro TF_INSTALL_vst3 "${TF_VST3_FOLDER}"
    !insertmacro TF_COMPONENT vst3
SectionEnd

!ifdef TF_WITH_CLAP
Section "CLAP plug-in" SecClap
    !insertmacro TF_FIRST_MISSING "${TF_CLAP_FOLDER}" $CreatedClap
    !insertmacro TF_INSTALL_clap "${TF_CLAP_FOLDER}"
    !insertmacro TF_COMPONENT clap
SectionEnd
!endif

Section "Presets" SecPresets
    !insertmacro TF_INSTALL_presets "${TF_PROGRAM_FOLDER}"
    !insertmacro TF_COMPONENT presets
SectionEnd

Section "Manual and licence" SecManual
    !insertmacro TF_INSTALL_manual "${TF_PROGRAM_FOLDER}"
    !insertmacro TF_COMPONENT manual
SectionEnd

!macro TF_ADD_SIZE section
    ${If} ${SectionIsSelected} ${section}
        SectionGetSize ${section} $1
        IntOp $0 $0 + $1
    ${EndIf}
!macroend

; The uninstaller and its entry in "Apps and features".
Section "-Registration"
    StrCpy $Components $Components -1
    SetOutPath "${TF_PROGRAM_FOLDER}"
    WriteUninstaller "${TF_PROGRAM_FOLDER}\${TF_UNINSTALLER}"
    StrCpy $0 0
    !insertmacro TF_ADD_SIZE ${SecVst2}
    !insertmacro TF_ADD_SIZE ${SecVst3}
!ifdef TF_WITH_CLAP
    !insertmacro TF_ADD_SIZE ${SecClap}
!endif
    !insertmacro TF_ADD_SIZE ${SecPresets}
    !insertmacro TF_ADD_SIZE ${SecManual}
    !define UNINSTALLER "${TF_PROGRAM_FOLDER}\${TF_UNINSTALLER}"
    FileOpen $1 "${UNINSTALLER}" r
    FileSeek $1 0 END $2
    FileClose $1
    IntOp $2 $2 / 1024
    IntOp $0 $0 + $2
    WriteRegStr HKLM "${TF_KEY}" "DisplayName" "Talkforge"
    WriteRegStr HKLM "${TF_KEY}" "DisplayVersion" "${TF_VERSION}"
    WriteRegStr HKLM "${TF_KEY}" "Publisher" "${TF_PUBLISHER}"
    WriteRegStr HKLM "${TF_KEY}" "DisplayIcon" "${UNINSTALLER},0"
    WriteRegStr HKLM "${TF_KEY}" "UninstallString" '"${UNINSTALLER}"'
    WriteRegStr HKLM "${TF_KEY}" "QuietUninstallString" '"${UNINSTALLER}" /S'
    WriteRegStr HKLM "${TF_KEY}" "InstallLocation" "${TF_PROGRAM_FOLDER}"
    WriteRegDWORD HKLM "${TF_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKLM "${TF_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${TF_KEY}" "NoRepair" 1
    !undef UNINSTALLER
    ; What the uninstaller removes.
    WriteRegStr HKLM "${TF_KEY}" "Components" $Components
    ${If} ${SectionIsSelected} ${SecVst2}
        WriteRegStr HKLM "${TF_KEY}" "VST2Folder" "$INSTDIR"
    ${EndIf}
    WriteRegStr HKLM "${TF_KEY}" "CreatedVST2" $CreatedVst2
    WriteRegStr HKLM "${TF_KEY}" "CreatedVST3" $CreatedVst3
!ifdef TF_WITH_CLAP
    WriteRegStr HKLM "${TF_KEY}" "CreatedCLAP" $CreatedClap
!endif
    WriteRegStr HKLM "${TF_KEY}" "CreatedProgram" $CreatedProgram
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecVst2} "Talkforge.dll, for VST 2 hosts, in the folder you choose next."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecVst3} "The Talkforge.vst3 bundle, for VST 3 hosts, in ${TF_VST3_FOLDER}."
!ifdef TF_WITH_CLAP
    !insertmacro MUI_DESCRIPTION_TEXT ${SecClap} "Talkforge.clap, for CLAP hosts, in ${TF_CLAP_FOLDER}."
!endif
    !insertmacro MUI_DESCRIPTION_TEXT ${SecPresets} "Sixteen presets as program files (.fxp) and a bank (.fxb) for your host's preset menu, in ${TF_PROGRAM_FOLDER}\Presets."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecManual} "The manual and the licence, in ${TF_PROGRAM_FOLDER}."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; Selects the components /COMPONENTS= names, if given.
Function SelectComponentsFromCommandLine
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/COMPONENTS=" $R0
    ${If} ${Errors}
        Return
    ${EndIf}
    StrCpy $2 $R0
    !insertmacro UnselectSection ${SecVst2}
    !insertmacro UnselectSection ${SecVst3}
!ifdef TF_WITH_CLAP
    !insertmacro UnselectSection ${SecClap}
!endif
    !insertmacro UnselectSection ${SecPresets}
    !insertmacro UnselectSection ${SecManual}
    StrCpy $3 0
    ${Do}
        Call TakeWord
        ${If} $R1 == ""
            ${IfThen} $R0 == "" ${|} ${ExitDo} ${|}
            ${Continue}
        ${EndIf}
        IntOp $3 $3 + 1
        ${If} $R1 == "vst2"
            !insertmacro SelectSection ${SecVst2}
        ${ElseIf} $R1 == "vst3"
            !insertmacro SelectSection ${SecVst3}
!ifdef TF_WITH_CLAP
        ${ElseIf} $R1 == "clap"
            !insertmacro SelectSection ${SecClap}
!endif
        ${ElseIf} $R1 == "presets"
            !insertmacro SelectSection ${SecPresets}
        ${ElseIf} $R1 == "manual"
            !insertmacro SelectSection ${SecManual}
        ${Else}
            !insertmacro TF_FAIL Quit "Unknown component $\"$R1$\" in /COMPONENTS=$2.$\r$\nThe components are ${TF_COMPONENT_NAMES}."
        ${EndIf}
    ${Loop}
    ${If} $3 == 0
        !insertmacro TF_FAIL Quit "/COMPONENTS= names no component.$\r$\nThe components are ${TF_COMPONENT_NAMES}."
    ${EndIf}
FunctionEnd

Function .onInit
    SetRegView 64
    Call SelectComponentsFromCommandLine
FunctionEnd

!macro TF_COUNT_SELECTED section
    ${If} ${SectionIsSelected} ${section}
        IntOp $0 $0 + 1
    ${EndIf}
!macroend

Function RequireAComponent
    StrCpy $0 0
    !insertmacro TF_COUNT_SELECTED ${SecVst2}
    !insertmacro TF_COUNT_SELECTED ${SecVst3}
!ifdef TF_WITH_CLAP
    !insertmacro TF_COUNT_SELECTED ${SecClap}
!endif
    !insertmacro TF_COUNT_SELECTED ${SecPresets}
    !insertmacro TF_COUNT_SELECTED ${SecManual}
    ${If} $0 == 0
        MessageBox MB_OK|MB_ICONEXCLAMATION "Choose at least one component."
        Abort
    ${EndIf}
FunctionEnd

Function SkipUnlessVst2
    ${IfNot} ${SectionIsSelected} ${SecVst2}
        Abort
    ${EndIf}
FunctionEnd

Function OfferManualIfInstalled
    ${IfNot} ${SectionIsSelected} ${SecManual}
        ShowWindow $mui.FinishPage.ShowReadme ${SW_HIDE}
        SendMessage $mui.FinishPage.ShowReadme ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ${EndIf}
FunctionEnd

; ---- Uninstaller ---------------------------------------------------------------

Var Failed  ; the files that could not be removed, one a line

; Removes an installed file; one that is there and cannot be removed (a host
; holds it) is noted.
!macro TF_REMOVE_FILE path
    ClearErrors
    Delete "${path}"
    ${If} ${Errors}
        DetailPrint "Could not remove ${path}"
        StrCpy $Failed "$Failed$\r$\n${path}"
    ${EndIf}
!macroend

; Removes an installed folder if it is empty.
!macro TF_REMOVE_FOLDER path
    RMDir "${path}"
!macroend

!macro TF_REMOVE_MADE_FOLDERS folder created
    StrCpy $0 "${folder}"
    ReadRegStr $1 HKLM "${TF_KEY}" "${created}"
    Call un.RemoveMadeFolders
!macroend

; Whether $Components names the component: $R2 is 1 or 0.
Function un.HasComponent
    Exch $R3
    Push $R0
    Push $R1
    StrCpy $R2 0
    StrCpy $R0 $Components
    ${Do}
        Call un.TakeWord
        ${If} $R1 == $R3
            StrCpy $R2 1
            ${ExitDo}
        ${EndIf}
    ${LoopUntil} $R0 == ""
    Pop $R1
    Pop $R0
    Pop $R3
FunctionEnd

!macro TF_IF_COMPONENT name
    Push ${name}
    Call un.HasComponent
    ${If} $R2 == 1
!macroend

Section "Uninstall"
    SetRegView 64
    ReadRegStr $Components HKLM "${TF_KEY}" "Components"
    StrCpy $Failed ""

    !insertmacro TF_IF_COMPONENT vst2
        ReadRegStr $R4 HKLM "${TF_KEY}" "VST2Folder"
        ${If} $R4 != ""
            !insertmacro TF_REMOVE_vst2 $R4
            !insertmacro TF_REMOVE_MADE_FOLDERS $R4 "CreatedVST2"
        ${EndIf}
    ${EndIf}
    !insertmacro TF_IF_COMPONENT vst3
        !insertmacro TF_REMOVE_vst3 "${TF_VST3_FOLDER}"
        !insertmacro TF_REMOVE_MADE_FOLDERS "${TF_VST3_FOLDER}" "CreatedVST3"
    ${EndIf}
!ifdef TF_WITH_CLAP
    !insertmacro TF_IF_COMPONENT clap
        !insertmacro TF_REMOVE_clap "${TF_CLAP_FOLDER}"
        !insertmacro TF_REMOVE_MADE_FOLDERS "${TF_CLAP_FOLDER}" "CreatedCLAP"
    ${EndIf}
!endif
    !insertmacro TF_IF_COMPONENT presets
        !insertmacro TF_REMOVE_presets $INSTDIR
    ${EndIf}
    !insertmacro TF_IF_COMPONENT manual
        !insertmacro TF_REMOVE_manual $INSTDIR
    ${EndIf}

    ${If} $Failed != ""
        ; The entry stays, with this uninstaller, to finish the job later.
        MessageBox MB_OK|MB_ICONEXCLAMATION "These files are in use and were not removed:$Failed$\r$\n$\r$\nClose your hosts and uninstall Talkforge again." /SD IDOK
        SetErrorLevel 2
        Return
    ${EndIf}
    ; Run in place (by a newer installer), the uninstaller cannot delete
    ; itself: that installer does.
    Delete "$INSTDIR\${TF_UNINSTALLER}"
    !insertmacro TF_REMOVE_MADE_FOLDERS $INSTDIR "CreatedProgram"
    DeleteRegKey HKLM "${TF_KEY}"
SectionEnd
