; Velmora's installer (NSIS 3, Modern UI, Spanish). Built by the windows tree's "installer" target
; and by scripts/release.sh; makensis is given:
;   -DVERSION=x.y.z   the project's version (CMake)
;   -DPROGRAM=...     the built Velmora.exe
;   -DICON=...        the program's icon (icon 103, drawn by tools/picgen)
;   -DOUT_FILE=...    where the installer is written (VelmoraSetup-x.y.z.exe)
;   -DSIGN=...        optional, a signed release: the command that signs a file in place
;                     (scripts/sign.sh); it signs the uninstaller written into the installer,
;                     then the installer itself
;
; Installs for all users: Velmora.exe in $PROGRAMFILES64\Velmora, a Start menu shortcut, the
; uninstaller, the "Add or remove programs" entry and, when chosen, the start with Windows (the
; Run value, with /inicio: the program then waits quietly for the board). A running copy is ended
; first by WM_CLOSE, as "Salir" does, so it sends Stop to the board and stores its settings, and
; the new one is started at the end, silent or not.
;
; Exit codes: 0 installed; 3010 installed, but Velmora.exe was held by a copy the installer could
; not end (one in another user's session) and is replaced at the next restart; 1 and 2 are NSIS's
; (cancelled, aborted).
;
; Silent use: /S, with /INICIO=0 or /INICIO=1 for the start with Windows (default 1) and /D=folder
; last, unquoted, as NSIS wants it.

!ifndef VERSION | PROGRAM | ICON | OUT_FILE
  !error "makensis needs -DVERSION, -DPROGRAM, -DICON and -DOUT_FILE"
!endif

; The uninstaller is made by makensis inside the installer: it is signed there, before it is
; packed, so the copy the installer writes carries its signature. A failed signature fails the build.
!ifdef SIGN
  !uninstfinalize '${SIGN} "%1"' = 0
  !finalize '${SIGN} "%1"' = 0
!endif

Unicode true
; The 64-bit stubs: the program is 64-bit, and the installer then sees the 64-bit registry and
; Program Files without redirection.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "nsDialogs.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Velmora"
!define PUBLISHER "Tolvex"
!define EXE_NAME "Velmora.exe"
!define UNINSTALLER "Desinstalar.exe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define MAIN_CLASS "Velmora"      ; the running program's main window
!define WAIT_CLASS "qv_inicio"    ; a copy started at log-on that still waits for the board
!define END_WAIT_MS 5000
!define RESTART_LINK "reinicio.lnk" ; hidden: how a closed copy is started again (see startClosedCopy)
!define ERROR_SUCCESS_REBOOT_REQUIRED 3010

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; Installing again goes to the folder of the copy already installed (an upgrade in place).
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
BrandingText "${PUBLISHER} ${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=3082 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=3082 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=3082 "FileDescription" "Instalador de ${PRODUCT}"
VIAddVersionKey /LANG=3082 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=3082 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=3082 "LegalCopyright" "Copyright © 2026 ${PUBLISHER}"

Var startWithWindows ; "1": write the Run value
Var startupBox       ; the option's check box on its page
Var closedCopy       ; "1": a running copy was ended for the install; the new one is started at the end

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "Este asistente instalará Velmora ${VERSION}, el programa del tablero interactivo: convierte los toques en el tablero en clics del ratón y trae la paleta de dibujo Zarpelo.$\r$\n$\r$\nSi Velmora está en marcha, el asistente lo cerrará antes de copiar los archivos; la calibración y los ajustes se conservan.$\r$\n$\r$\nPulse Siguiente para continuar."
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_HEADER_TEXT "Aviso"
!define MUI_PAGE_HEADER_SUBTEXT "Qué instala Velmora y qué conserva."
!define MUI_LICENSEPAGE_TEXT_TOP "Lea este aviso antes de instalar Velmora."
!define MUI_LICENSEPAGE_BUTTON "&Siguiente >"
!define MUI_LICENSEPAGE_TEXT_BOTTOM "Pulse Siguiente para continuar."
!insertmacro MUI_PAGE_LICENSE "aviso.txt"
!insertmacro MUI_PAGE_DIRECTORY
Page custom startupPageShow startupPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Ejecutar Velmora"
!define MUI_FINISHPAGE_RUN_FUNCTION runAsTheDesktopUser
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Spanish"

; Ends every running copy: a main window "Velmora" or a message-only waiting window "qv_inicio".
; Each gets WM_CLOSE (the program then sends Stop and stores its settings, as on "Salir"), and
; its process is given up to 5 s to end, so its files can be replaced or removed.
!macro END_RUNNING_COPIES un
Function ${un}endRunningCopies
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 0 ; rounds: a copy that does not end is not asked for ever
  ${Do}
    FindWindow $0 "${MAIN_CLASS}"
    ${If} $0 = 0
      System::Call 'user32::FindWindowExW(p -3, p 0, w "${WAIT_CLASS}", p 0) p .r0' ; -3: HWND_MESSAGE
    ${EndIf}
    ${If} $0 = 0
    ${OrIf} $3 >= 4
      ${Break}
    ${EndIf}
    DetailPrint "Cerrando Velmora..."
    StrCpy $closedCopy 1
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i 0 r1) i'
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2' ; SYNCHRONIZE
    System::Call 'user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0)'
    ${If} $2 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i ${END_WAIT_MS}) i'
      System::Call 'kernel32::CloseHandle(p r2)'
    ${Else}
      Sleep ${END_WAIT_MS}
    ${EndIf}
    IntOp $3 $3 + 1
  ${Loop}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro END_RUNNING_COPIES ""
!insertmacro END_RUNNING_COPIES "un."

; The installer runs elevated, perhaps as another account (an administrator's, typed in over the
; user's shoulder): started from here the program would run as that account, with its settings and
; calibration. Explorer starts it as the user of the desktop, not elevated. A copy the installer
; already started again (startClosedCopy) makes this one superfluous.
Function runAsTheDesktopUser
  ${If} $closedCopy != 1
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\${EXE_NAME}"'
  ${EndIf}
FunctionEnd

; The copy the installer ended is started again, else the board stays dead until the next log-on.
; Through Explorer, as above; Explorer hands a program no arguments, so it opens a shortcut that
; carries "/inicio": with the board there the program starts at once, and should the board be away
; (the ended copy may have been one waiting for it) it waits without a box, as at log-on. The
; shortcut stays in the folder, hidden: the running Explorer may read it after the installer ends.
Function startClosedCopy
  Delete "$INSTDIR\${RESTART_LINK}" ; CreateShortcut cannot replace a hidden file
  CreateShortcut "$INSTDIR\${RESTART_LINK}" "$INSTDIR\${EXE_NAME}" "/inicio"
  SetFileAttributes "$INSTDIR\${RESTART_LINK}" HIDDEN
  DetailPrint "Iniciando Velmora..."
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\${RESTART_LINK}"'
FunctionEnd

; The program goes in under a name of its own and then takes the place of the old one. A copy the
; window search does not find (one in another user's session, or any process that holds the file)
; keeps Velmora.exe from being replaced: the new program then takes its place at the next restart
; (a rename the system performs at boot) and the installer ends with 3010, "restart needed", rather
; than 0 with the old program in place.
Function installProgram
  File "/oname=${EXE_NAME}.nuevo" "${PROGRAM}"
  ClearErrors
  Delete "$INSTDIR\${EXE_NAME}"
  Rename /REBOOTOK "$INSTDIR\${EXE_NAME}.nuevo" "$INSTDIR\${EXE_NAME}"
  ${If} ${RebootFlag}
    DetailPrint "Velmora.exe está en uso: se reemplazará al reiniciar el equipo."
    SetErrorLevel ${ERROR_SUCCESS_REBOOT_REQUIRED}
  ${EndIf}
FunctionEnd

Function .onInit
  SetShellVarContext all
  SetRegView 64
  StrCpy $startWithWindows 1
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/INICIO=" $1
  ${IfNot} ${Errors}
  ${AndIf} $1 == "0"
    StrCpy $startWithWindows 0
  ${EndIf}
FunctionEnd

Function startupPageShow
  !insertmacro MUI_HEADER_TEXT "Inicio con Windows" "Elija si Velmora se inicia solo al iniciar Windows."
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 40u "Velmora puede iniciarse solo cuando un usuario inicia sesión en este equipo. Si el tablero todavía no está conectado, espera sin mostrar ningún aviso y se pone en marcha en cuanto se conecta."
  Pop $0
  ${NSD_CreateCheckbox} 0 48u 100% 12u "Iniciar Velmora al iniciar Windows"
  Pop $startupBox
  ${If} $startWithWindows == 1
    ${NSD_Check} $startupBox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function startupPageLeave
  ${NSD_GetState} $startupBox $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $startWithWindows 1
  ${Else}
    StrCpy $startWithWindows 0
  ${EndIf}
FunctionEnd

Section "Velmora" secProgram
  SectionIn RO
  Call endRunningCopies
  SetOutPath "$INSTDIR"
  SetOverwrite on
  Call installProgram
  File "LEAME.txt"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${EXE_NAME}" "" "$INSTDIR\${EXE_NAME}" 0 \
    SW_SHOWNORMAL "" "Tablero interactivo: toques, calibración y paleta de dibujo"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${EXE_NAME},0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0

  ; An upgrade with the option off also removes the value an earlier install wrote.
  ${If} $startWithWindows == 1
    WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\${EXE_NAME}" /inicio'
  ${Else}
    DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  ${EndIf}

  ${If} $closedCopy == 1
    Call startClosedCopy
  ${EndIf}
SectionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

; Everything the installer put in place goes. HKCU\SOFTWARE\Tolvex stays: the calibration belongs
; to the board, and a reinstall finds it.
Section "Uninstall"
  Call un.endRunningCopies
  ; A copy that was not found (one showing "No se ha encontrado sensor") still holds the program:
  ; it then goes at the next restart.
  Delete /REBOOTOK "$INSTDIR\${EXE_NAME}"
  Delete /REBOOTOK "$INSTDIR\${EXE_NAME}.nuevo" ; an install still waiting for a restart
  Delete "$INSTDIR\LEAME.txt"
  Delete "$INSTDIR\${RESTART_LINK}"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir /REBOOTOK "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
