; Velmora's installer (NSIS 3, Modern UI, Spanish). Built by the windows tree's "installer" target
; and by scripts/release.sh; makensis is given:
;   -DVERSION=x.y.z   the project's version (CMake)
;   -DPROGRAM=...     the built Velmora.exe
;   -DICON=...        the program's icon (icon 103, drawn by tools/picgen)
;   -DOUT_FILE=...    where the installer is written (VelmoraSetup-x.y.z.exe)
;   -DSIGN=...        optional, a signed release: the command that signs a file in place
;                     (scripts/sign.sh); it signs the uninstaller written into the installer,
;                     then the installer itself
;   -DUIACCESS_PROGRAM=...  optional, a signed release: the program that asks for uiAccess. It is
;                     installed instead of PROGRAM only in a folder under Program Files: Windows
;                     starts a uiAccess program from a secure location alone, and anywhere else it
;                     would not start at all (see uiAccessFolder)
;
; Installs for all users: Velmora.exe in $PROGRAMFILES64\Velmora, a Start menu shortcut, the
; uninstaller, the "Add or remove programs" entry and, when chosen, the start with Windows (the
; Run value, with /inicio: the program then waits quietly for the board). A running copy is ended
; first by WM_CLOSE, as "Salir" does, so it sends Stop to the board and stores its settings, and
; the new one is started at the end, silent or not.
;
; A signed installer puts the uiAccess program in a folder under Program Files and the plain program
; (no uiAccess: its touches do not reach elevated windows) in any other folder, a technician's
; /D=D:\Aulas\Velmora or the folder an upgrade reuses; the wizard says so before it copies.
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
!ifdef UIACCESS_PROGRAM
Var uiAccessHere     ; "1": the folder takes the uiAccess program (written by uiAccessFolder)
!endif

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
!ifdef UIACCESS_PROGRAM
  !define MUI_PAGE_CUSTOMFUNCTION_LEAVE directoryPageLeave
!endif
!insertmacro MUI_PAGE_DIRECTORY
Page custom startupPageShow startupPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Ejecutar Velmora"
!define MUI_FINISHPAGE_RUN_FUNCTION runAsTheDesktopUser
; When Velmora.exe is replaced at the next restart (exit code 3010) the page offers a restart: the
; choice ticked at first is the later one, so "Terminar" never restarts a classroom PC by itself.
!define MUI_FINISHPAGE_REBOOTLATER_DEFAULT
!define MUI_FINISHPAGE_TEXT_REBOOT "Velmora estaba en uso y su nueva versión ocupará su lugar al reiniciar el equipo; hasta entonces sigue la anterior. Puede reiniciarlo ahora o más tarde."
!define MUI_FINISHPAGE_TEXT_REBOOTLATER "Reiniciar más tarde"
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

; Starts the program as the desktop's user, not elevated, whoever runs the installer (the why and
; the ways not taken: docs/design-notes.md, "Starting the program as the desktop's user"):
; - through the shell that runs the desktop (IShellWindows::FindWindowSW with SWC_DESKTOP, its
;   top-level browser, the view's background object, the Shell object's ShellExecute): a program
;   the installer started itself would run as the installing account, elevated;
; - not under Wine, whose Explorer implements only part of that chain;
; - failing that, through "explorer.exe" only when the installer runs as the session's own user
;   (WTSQuerySessionInformation); for another account nothing is started here, and the start with
;   Windows starts the program at the user's next log-on.
;   Push arguments, Push program; Call startAsTheDesktopUser
Function startAsTheDesktopUser
  Exch $0 ; the program
  Exch
  Exch $1 ; its arguments ("" or "/inicio")
  Push $2
  Push $1
  Push $0
  Call shellExecuteFromTheDesktop
  Pop $2
  ${If} $2 != 0
    Call installerIsTheSessionUser
    Pop $2
    ${If} $2 == 1
      Push $1
      Push $0
      Call startThroughExplorer
    ${Else}
      DetailPrint "Velmora no se ha iniciado: se iniciará cuando el usuario vuelva a iniciar sesión."
    ${EndIf}
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Releases a COM interface pointer held in a register, when there is one.
!macro RELEASE_INTERFACE reg
  ${If} ${reg} P<> 0
    System::Call '${reg}->2()'
  ${EndIf}
!macroend

; After a step of the chain: a failed call hands over no interface, whatever its out-parameter holds
; (a proxy whose call failed may leave it unset: released, it crashed the installer under Wine).
!macro KEEP_IF_TAKEN reg
  ${If} $2 <> 0
    StrCpy ${reg} 0
  ${EndIf}
!macroend

; ShellExecute of the desktop's own Shell object (see startAsTheDesktopUser). Each step's interface
; is kept in its own register and released at the end. On x64 a VARIANT passed by value goes as a
; pointer to the caller's copy, so the four VARIANT arguments are pointers to 24-byte records
; (System::Alloc's memory is zeroed: VT_EMPTY).
;   Push arguments, Push program; Call shellExecuteFromTheDesktop; Pop result (0 started, else not)
Function shellExecuteFromTheDesktop
  Exch $R0 ; the program
  Exch
  Exch $R1 ; its arguments
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  Push $R6
  Push $R7
  Push $R8
  Push $R9
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  StrCpy $R2 0 ; IShellWindows
  StrCpy $R3 0 ; the desktop's IDispatch
  StrCpy $R4 0 ; IServiceProvider
  StrCpy $R5 0 ; IShellBrowser
  StrCpy $R6 0 ; IShellView
  StrCpy $R7 0 ; the view's background IDispatch
  StrCpy $R8 0 ; the Shell object (IDispatch)
  StrCpy $R9 0 ; IShellDispatch2
  StrCpy $0 1  ; the result: not started until ShellExecute succeeds
  System::Call 'kernel32::GetModuleHandleW(w "ntdll.dll") p .r2'
  System::Call 'kernel32::GetProcAddress(p r2, m "wine_get_version") p .r2'
  ${If} $2 P<> 0
    Goto notTried ; Wine (see startAsTheDesktopUser)
  ${EndIf}
  System::Call 'ole32::CoInitialize(p 0) i'
  System::Alloc 24
  Pop $1 ; an empty VARIANT
  ; Each step runs only when the one before succeeded (S_OK; FindWindowSW gives S_FALSE without a
  ; desktop) and gave an interface.
  ; CLSID_ShellWindows, IID_IShellWindows; CLSCTX_LOCAL_SERVER: the running shell's object.
  System::Call 'ole32::CoCreateInstance(g "{9BA05972-F6A8-11CF-A442-00A0C90A8F39}", p 0, i 4, \
    g "{85CB6900-4D95-11CF-960C-0080C7F4EE85}", *p .R2) i .r2'
  !insertmacro KEEP_IF_TAKEN $R2
  ${If} $2 = 0
  ${AndIf} $R2 P<> 0
    ; FindWindowSW(empty, empty, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, &dispatch)
    System::Call '$R2->15(p r1, p r1, i 8, *i .r3, i 1, *p .R3) i .r2'
    !insertmacro KEEP_IF_TAKEN $R3
  ${EndIf}
  ${If} $2 = 0
  ${AndIf} $R3 P<> 0
    System::Call '$R3->0(g "{6D5140C1-7436-11CE-8034-00AA006009FA}", *p .R4) i .r2' ; IServiceProvider
    !insertmacro KEEP_IF_TAKEN $R4
  ${EndIf}
  ${If} $2 = 0
  ${AndIf} $R4 P<> 0
    ; QueryService(SID_STopLevelBrowser, IID_IShellBrowser)
    System::Call '$R4->3(g "{4C96BE40-915C-11CF-99D3-00AA004AE837}", \
      g "{000214E2-0000-0000-C000-000000000046}", *p .R5) i .r2'
    !insertmacro KEEP_IF_TAKEN $R5
  ${EndIf}
  ${If} $2 = 0
  ${AndIf} $R5 P<> 0
    System::Call '$R5->15(*p .R6) i .r2' ; QueryActiveShellView
    !insertmacro KEEP_IF_TAKEN $R6
  ${EndIf}
  ${If} $2 = 0
  ${AndIf} $R6 P<> 0
    ; GetItemObject(SVGIO_BACKGROUND, IID_IDispatch): the view's IShellFolderViewDual
    System::Call '$R6->15(i 0, g "{00020400-0000-0000-C000-000000000046}", *p .R7) i .r2'
    !insertmacro KEEP_IF_TAKEN $R7
  ${EndIf}
  ${If} $2 = 0
  ${AndIf} $R7 P<> 0
    System::Call '$R7->7(*p .R8) i .r2' ; get_Application
    !insertmacro KEEP_IF_TAKEN $R8
  ${EndIf}
  ${If} $2 = 0
  ${AndIf} $R8 P<> 0
    System::Call '$R8->0(g "{A4C6892C-3BA9-11D2-9DEA-00C04FB16162}", *p .R9) i .r2' ; IShellDispatch2
    !insertmacro KEEP_IF_TAKEN $R9
  ${EndIf}
  ${If} $2 = 0
  ${AndIf} $R9 P<> 0
    System::Call 'oleaut32::SysAllocString(w R0) p .r3'
    System::Call 'oleaut32::SysAllocString(w R1) p .r4'
    System::Call 'oleaut32::SysAllocString(w "$INSTDIR") p .r7'
    ; VARIANTs: VT_BSTR (8) the arguments and the folder, VT_I4 (3) how the window shows.
    System::Call '*(&i2 8, &i2 0, &i2 0, &i2 0, p r4, p 0) p .r5'
    System::Call '*(&i2 3, &i2 0, &i2 0, &i2 0, i ${SW_SHOWNORMAL}, i 0, p 0) p .r6'
    System::Call '*(&i2 8, &i2 0, &i2 0, &i2 0, p r7, p 0) p .r8'
    ; ShellExecute(file, arguments, directory, operation (empty: the default, "open"), show)
    System::Call '$R9->31(p r3, p r5, p r8, p r1, p r6) i .r2'
    ${If} $2 = 0
      StrCpy $0 0
    ${EndIf}
    System::Free $5
    System::Free $6
    System::Free $8
    System::Call 'oleaut32::SysFreeString(p r3)'
    System::Call 'oleaut32::SysFreeString(p r4)'
    System::Call 'oleaut32::SysFreeString(p r7)'
  ${EndIf}
  !insertmacro RELEASE_INTERFACE $R9
  !insertmacro RELEASE_INTERFACE $R8
  !insertmacro RELEASE_INTERFACE $R7
  !insertmacro RELEASE_INTERFACE $R6
  !insertmacro RELEASE_INTERFACE $R5
  !insertmacro RELEASE_INTERFACE $R4
  !insertmacro RELEASE_INTERFACE $R3
  !insertmacro RELEASE_INTERFACE $R2
  System::Free $1
  System::Call 'ole32::CoUninitialize()'
  notTried:
  StrCpy $R0 $0
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
  Pop $R9
  Pop $R8
  Pop $R7
  Pop $R6
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

; "1" when the installer's account is the one logged on to this session (DOMAIN\user both ways).
;   Call installerIsTheSessionUser; Pop result
Function installerIsTheSessionUser
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 0
  ; WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION; WTSUserName (5), WTSDomainName (7)
  System::Call 'wtsapi32::WTSQuerySessionInformationW(p 0, i -1, i 5, *p .r0, *i .r1) i .r2'
  ${If} $2 <> 0
    System::Call 'kernel32::lstrcpynW(w .r1, p r0, i ${NSIS_MAX_STRLEN})' ; the user
    System::Call 'wtsapi32::WTSFreeMemory(p r0)'
    System::Call 'wtsapi32::WTSQuerySessionInformationW(p 0, i -1, i 7, *p .r0, *i .r2) i .r2'
    ${If} $2 <> 0
      System::Call 'kernel32::lstrcpynW(w .r2, p r0, i ${NSIS_MAX_STRLEN})' ; the domain
      System::Call 'wtsapi32::WTSFreeMemory(p r0)'
      ; NameSamCompatible (2): DOMAIN\user of this process's token.
      System::Call 'secur32::GetUserNameExW(i 2, w .r0, *i ${NSIS_MAX_STRLEN}) i .r3'
      ${If} $3 <> 0
      ${AndIf} $1 != ""
      ${AndIf} "$2\$1" == $0
        StrCpy $3 1
      ${Else}
        StrCpy $3 0
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Exch $3 ; the result on the stack, each register restored under it
  Exch
  Pop $2
  Exch
  Pop $1
  Exch
  Pop $0
FunctionEnd

; "explorer.exe <file>": Explorer hands a program no arguments, so arguments go through a shortcut
; that carries them. The shortcut stays in the folder, hidden: the running Explorer may read it
; after the installer ends.
;   Push arguments, Push program; Call startThroughExplorer
Function startThroughExplorer
  Exch $0
  Exch
  Exch $1
  ${If} $1 == ""
    Exec '"$WINDIR\explorer.exe" "$0"'
  ${Else}
    Delete "$INSTDIR\${RESTART_LINK}" ; CreateShortcut cannot replace a hidden file
    CreateShortcut "$INSTDIR\${RESTART_LINK}" "$0" "$1"
    SetFileAttributes "$INSTDIR\${RESTART_LINK}" HIDDEN
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\${RESTART_LINK}"'
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; "Ejecutar Velmora" on the last page. A copy the installer already started again (startClosedCopy)
; makes this one superfluous.
Function runAsTheDesktopUser
  ${If} $closedCopy != 1
    Push ""
    Push "$INSTDIR\${EXE_NAME}"
    Call startAsTheDesktopUser
  ${EndIf}
FunctionEnd

; The copy the installer ended is started again, else the board stays dead until the next log-on.
; With "/inicio", the way it starts at log-on: with the board there the program starts at once, and
; should the board be away (the ended copy may have been one waiting for it) it waits without a
; box.
Function startClosedCopy
  DetailPrint "Iniciando Velmora..."
  Push "/inicio"
  Push "$INSTDIR\${EXE_NAME}"
  Call startAsTheDesktopUser
FunctionEnd

; The program goes in under a name of its own and then takes the place of the old one. A copy the
; window search does not find (one in another user's session, or any process that holds the file)
; keeps Velmora.exe from being replaced: the new program then takes its place at the next restart
; (a rename the system performs at boot) and the installer ends with 3010, "restart needed", rather
; than 0 with the old program in place.
Function installProgram
!ifdef UIACCESS_PROGRAM
  Call uiAccessFolder
  ${If} $uiAccessHere == 1
    File "/oname=${EXE_NAME}.nuevo" "${UIACCESS_PROGRAM}"
  ${Else}
    DetailPrint "Carpeta fuera de Archivos de programa: Velmora se instala sin acceso a las ventanas de administrador."
    File "/oname=${EXE_NAME}.nuevo" "${PROGRAM}"
  ${EndIf}
!else
  File "/oname=${EXE_NAME}.nuevo" "${PROGRAM}"
!endif
  ClearErrors
  Delete "$INSTDIR\${EXE_NAME}"
  Rename /REBOOTOK "$INSTDIR\${EXE_NAME}.nuevo" "$INSTDIR\${EXE_NAME}"
  ${If} ${RebootFlag}
    DetailPrint "Velmora.exe está en uso: se reemplazará al reiniciar el equipo."
    SetErrorLevel ${ERROR_SUCCESS_REBOOT_REQUIRED}
  ${EndIf}
FunctionEnd

; The folder as a full path, "." and ".." resolved: "/D=C:\Program Files\..\Aulas" is C:\Aulas, and
; the uninstall entry and the start with Windows name it so.
Function fullInstallFolder
  Push $0
  Push $1
  System::Call 'kernel32::GetFullPathNameW(w "$INSTDIR", i ${NSIS_MAX_STRLEN}, w .r0, p 0) i .r1'
  ${If} $1 > 0
  ${AndIf} $1 < ${NSIS_MAX_STRLEN}
    StrCpy $INSTDIR $0
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

!ifdef UIACCESS_PROGRAM
; Windows starts a program that asks for uiAccess only from a secure location, and elsewhere does
; not start it at all: "Secure locations are limited to the following: ...\Program Files\, including
; subfolders; ...\Windows\system32\; ...\Program Files (x86)\, including subfolders for 64-bit
; versions of Windows" (the policy "User Account Control: Only elevate UIAccess applications that
; are installed in secure locations", enabled by default). The folder is taken as the file system
; resolves it, its final path (GetFinalPathNameByHandle: ".." resolved, short names long, junctions
; followed), so a junction under Program Files that leads to D:\ gets the plain program. A folder
; not made yet (the wizard's folder page) is taken by its full path.
;   Call uiAccessFolder: $uiAccessHere "1" for the uiAccess program, "0" for the plain one
Function uiAccessFolder
  Push $0
  Push $1
  Push $2
  StrCpy $uiAccessHere 0
  StrCpy $1 ""
  ; FILE_READ_ATTRIBUTES, any sharing, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS (a folder)
  System::Call 'kernel32::CreateFileW(w "$INSTDIR", i 0x80, i 7, p 0, i 3, i 0x02000000, p 0) p .r0'
  ${If} $0 P<> -1
    ; FILE_NAME_NORMALIZED | VOLUME_NAME_DOS: "\\?\C:\..." ("\\?\UNC\..." for a share)
    System::Call 'kernel32::GetFinalPathNameByHandleW(p r0, w .r1, i ${NSIS_MAX_STRLEN}, i 0) i .r2'
    System::Call 'kernel32::CloseHandle(p r0)'
    ${If} $2 > 0
    ${AndIf} $2 < ${NSIS_MAX_STRLEN}
      StrCpy $2 $1 4
      ${If} $2 == "\\?\"
        StrCpy $1 $1 "" 4
      ${Else}
        StrCpy $1 ""
      ${EndIf}
    ${Else}
      StrCpy $1 ""
    ${EndIf}
  ${Else}
    System::Call 'kernel32::GetFullPathNameW(w "$INSTDIR", i ${NSIS_MAX_STRLEN}, w .r1, p 0) i .r2'
    ${IfNot} $2 > 0
    ${OrIfNot} $2 < ${NSIS_MAX_STRLEN}
      StrCpy $1 ""
    ${EndIf}
  ${EndIf}
  ${If} $1 != ""
    StrLen $0 "$PROGRAMFILES64\"
    StrCpy $2 $1 $0
    ${If} $2 == "$PROGRAMFILES64\" ; case-insensitive, as paths are
      StrCpy $uiAccessHere 1
    ${EndIf}
    StrLen $0 "$PROGRAMFILES32\"
    StrCpy $2 $1 $0
    ${If} $2 == "$PROGRAMFILES32\"
      StrCpy $uiAccessHere 1
    ${EndIf}
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Before the copy: a folder outside Program Files gets the plain program, and the technician is told
; what that costs ("Cancelar" goes back to the folder).
Function directoryPageLeave
  Call uiAccessFolder
  ${If} $uiAccessHere != 1
    MessageBox MB_OKCANCEL|MB_ICONINFORMATION "Esta carpeta no está dentro de Archivos de programa, el único lugar desde el que Windows deja a Velmora llevar los toques del tablero a las ventanas de administrador.$\r$\n$\r$\nAquí Velmora se instala sin ese permiso: el tablero funciona, pero no en esas ventanas.$\r$\n$\r$\nPulse Aceptar para instalar aquí o Cancelar para elegir otra carpeta." /SD IDOK IDOK +2
    Abort
  ${EndIf}
FunctionEnd
!endif

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
  Call fullInstallFolder
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
