// The installer as a technician uses it, under Wine: silent installs with and without the start at
// log-on and into a folder of one's own, the program's version resource, an install over a running
// copy (the simulated-board build stands in for the program) that starts the new one, an install
// while another process holds the program (replaced at the next restart, exit code 3010, the
// wizard's last page offering the restart for later), the silent uninstall with a copy waiting at
// log-on. The installer a signed release makes carries the uiAccess program as well: it goes only
// into Program Files, and every other folder gets the plain program.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tests/support/child_process.h"
#include "tests/support/find_windows.h"
#include "tests/support/flush_events.h"
#include "tests/support/registry.h"
#include "tests/support/screen.h"
#include "tools/simboard/simboard.h"

#include <shlobj.h>

namespace {

constexpr DWORD INSTALL_TIMEOUT_MS = 60000;
constexpr DWORD START_TIMEOUT_MS = 15000;

const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmora";
const char RUN_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char OWN_FOLDER[] = "C:\\Velmora Prueba"; // a folder with a space, given by /D=
const char SESSION_MANAGER_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char PENDING_RENAMES[] = "PendingFileRenameOperations";
constexpr DWORD RESTART_NEEDED = 3010; // ERROR_SUCCESS_REBOOT_REQUIRED

std::string shellFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}
std::string defaultFolder() {
    return shellFolder(CSIDL_PROGRAM_FILES) + "\\Velmora";
}
std::string shortcutPath() {
    return shellFolder(CSIDL_COMMON_PROGRAMS) + "\\Velmora.lnk";
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string hklmValue(const char* key, const char* name) {
    std::string text;
    return readRegistryText(HKEY_LOCAL_MACHINE, key, name, &text) ? text : "(missing)";
}

// Where the shortcut leads, read back through the shell's own link object.
std::string shortcutTarget(const std::string& lnk) {
    std::string target = "(unreadable)";
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            wchar_t wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wide, MAX_PATH);
            char path[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
                SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)))
                target = path;
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return target;
}

// One string of the version resource, read with the version API.
std::string versionString(const std::string& exe, const char* name) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    if (!size)
        return "(no version resource)";
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(exe.c_str(), 0, size, data.data()))
        return "(unreadable)";
    struct Translation {
        WORD language, codePage;
    }* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &length) ||
        length < sizeof *translation)
        return "(no translation)";
    char query[80];
    snprintf(query, sizeof query, "\\StringFileInfo\\%04X%04X\\%s", translation->language,
             translation->codePage, name);
    char* text = nullptr;
    if (!VerQueryValueA(data.data(), query, reinterpret_cast<void**>(&text), &length) || !length)
        return "(missing)";
    return text;
}

// Runs the installer (the plain one, or the signed release's with the uiAccess program) with these
// arguments and waits for it; its exit code.
DWORD runSetup(const char* arguments, const char* setupName = VELMORA_SETUP_NAME) {
    ChildProgram setup;
    EXPECT_TRUE(startProgram(setupName, &setup, arguments)) << GetLastError();
    DWORD code = 1234;
    EXPECT_TRUE(waitProgramExit(&setup, INSTALL_TIMEOUT_MS, &code, true)) << "the installer did not end";
    return code;
}

// The wizard's last page, when it offers a restart: its two choices and which is ticked at first.
struct RestartChoice {
    bool offered = false;
    bool nowTicked = false, laterTicked = false;
    std::wstring laterText;
};

BOOL CALLBACK collectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

std::wstring wideText(HWND hwnd) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return text;
}

// Runs the installer's wizard as a technician does, "Siguiente" on every page (the folder and the
// option as they come), up to the last page. There it reads the restart choice, when one is offered,
// and ends with "Terminar" once "Reiniciar ahora" is unticked, whatever the page ticked: the test
// never restarts the prefix. The installer's exit code.
DWORD runSetupWizard(const char* arguments, RestartChoice* choice) {
    ChildProgram setup;
    EXPECT_TRUE(startProgram(VELMORA_SETUP_NAME, &setup, arguments)) << GetLastError();
    HWND wizard = waitTopLevelWindow("#32770", setup.processId, START_TIMEOUT_MS, true);
    EXPECT_NE(nullptr, wizard) << "no wizard";
    bool settled = false; // the last page was seen once already
    const DWORD start = GetTickCount();
    while (wizard && programRunning(&setup) && GetTickCount() - start < INSTALL_TIMEOUT_MS) {
        HWND button = GetDlgItem(wizard, IDOK); // "Siguiente >", "Instalar", "Terminar"
        // The last page is read once it has settled: its button reads "Terminar" before the page
        // has made and ticked its choices.
        const bool last = wideText(button) == L"&Terminar";
        if (last && !settled) {
            settled = true;
            flushEvents(400);
            continue;
        }
        if (last) {
            std::vector<HWND> controls;
            EnumChildWindows(wizard, collectChild, reinterpret_cast<LPARAM>(&controls));
            HWND now = nullptr, later = nullptr;
            for (HWND c : controls)
                if ((GetWindowLongA(c, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON && IsWindowVisible(c))
                    (wideText(c) == L"Reiniciar ahora" ? now : later) = c;
            if (now && later) {
                choice->offered = true;
                choice->nowTicked = SendMessageW(now, BM_GETCHECK, 0, 0) == BST_CHECKED;
                choice->laterTicked = SendMessageW(later, BM_GETCHECK, 0, 0) == BST_CHECKED;
                choice->laterText = wideText(later);
                saveWindowPicture(wizard, "installer_restart_later");
                SendMessageW(now, BM_SETCHECK, BST_UNCHECKED, 0);
                SendMessageW(later, BM_SETCHECK, BST_CHECKED, 0);
            }
        }
        if (button && IsWindowEnabled(button) && IsWindowVisible(button))
            PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        if (last)
            break;
        flushEvents(400);
    }
    DWORD code = 1234;
    EXPECT_TRUE(waitProgramExit(&setup, INSTALL_TIMEOUT_MS, &code, true)) << "the installer did not end";
    return code;
}

// Runs the uninstall entry's QuietUninstallString, as a technician's script would. The uninstaller
// hands over to a copy of itself outside the folder (so it can delete itself) and returns at once:
// the uninstall is over when its entry is gone.
void uninstallSilently() {
    const std::string command = hklmValue(UNINSTALL_KEY, "QuietUninstallString");
    ASSERT_EQ('"', command[0]) << command;
    const size_t close = command.find('"', 1);
    ASSERT_NE(std::string::npos, close) << command;
    ChildProgram uninstaller;
    ASSERT_TRUE(startProgramAt(command.substr(1, close - 1), command.c_str() + close + 1, &uninstaller));
    ASSERT_TRUE(waitProgramExit(&uninstaller, INSTALL_TIMEOUT_MS, nullptr, true));
    const DWORD start = GetTickCount();
    while (registryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY) &&
           GetTickCount() - start < INSTALL_TIMEOUT_MS)
        flushEvents(100);
    flushEvents(500); // the entry goes last
}

// Whatever an earlier run left: its uninstaller, then anything still there.
void removeInstallation() {
    if (registryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY))
        uninstallSilently();
    for (const std::string& dir : {defaultFolder(), std::string(OWN_FOLDER)}) {
        for (const char* f :
             {"\\Velmora.exe", "\\LEAME.txt", "\\Desinstalar.exe", "\\Velmora.exe.nuevo", "\\reinicio.lnk"})
            DeleteFileA((dir + f).c_str());
        RemoveDirectoryA(dir.c_str());
    }
    DeleteFileA(shortcutPath().c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
    HKEY run = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUN_KEY, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
        RegDeleteValueA(run, "Velmora");
        RegCloseKey(run);
    }
}

// Everything the installer puts in place, for a program installed in `dir` from the build's
// `program` (Velmora.exe, or VelmoraUiAccess.exe that asks for uiAccess).
void expectInstalledIn(const std::string& dir, const char* program = "Velmora.exe") {
    const std::string exe = dir + "\\Velmora.exe";
    const std::string built = fileBytes(testExeDirectory() + program), installed = fileBytes(exe);
    EXPECT_TRUE(built == installed) << exe << " is not " << program << " (" << installed.size() << " bytes, "
                                    << program << " " << built.size() << ")";
    EXPECT_FALSE(fileExists(exe + ".nuevo")) << "the new program was left beside the old one";
    EXPECT_TRUE(fileExists(dir + "\\LEAME.txt"));
    EXPECT_TRUE(fileExists(dir + "\\Desinstalar.exe"));
    EXPECT_EQ(exe, shortcutTarget(shortcutPath())) << shortcutPath();

    const std::pair<const char*, std::string> entry[] = {
        {"DisplayName", "Velmora"},
        {"DisplayVersion", VELMORA_VERSION_TEXT},
        {"Publisher", "Tolvex"},
        {"DisplayIcon", exe + ",0"},
        {"InstallLocation", dir},
        {"UninstallString", "\"" + dir + "\\Desinstalar.exe\""},
        {"QuietUninstallString", "\"" + dir + "\\Desinstalar.exe\" /S"},
        {"NoModify", "1"},
        {"NoRepair", "1"},
    };
    for (const auto& [name, expected] : entry)
        EXPECT_EQ(expected, hklmValue(UNINSTALL_KEY, name)) << name;
    const std::string size = hklmValue(UNINSTALL_KEY, "EstimatedSize"); // in KB
    EXPECT_TRUE(size != "(missing)" && std::stoul(size) * 1024 >= fileBytes(exe).size()) << size;
}

// Everything is gone but the user's settings.
void expectUninstalled(const std::string& dir) {
    EXPECT_FALSE(fileExists(dir)) << dir << " is left";
    EXPECT_FALSE(fileExists(shortcutPath())) << "the shortcut is left";
    EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY)) << "the uninstall entry is left";
    EXPECT_EQ("(missing)", hklmValue(RUN_KEY, "Velmora"));
    std::string p1x;
    EXPECT_TRUE(readRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "P1X", &p1x) && p1x == "123")
        << "the settings key was not kept";
}

// The system's list of renames to perform at the next boot (REG_MULTI_SZ: source, then target,
// "!" in front when the target is replaced), kept as it was read so it can be put back.
struct PendingRenames {
    bool present = false;
    std::vector<char> raw;

    static PendingRenames read() {
        PendingRenames p;
        DWORD size = 0;
        if (RegGetValueA(HKEY_LOCAL_MACHINE, SESSION_MANAGER_KEY, PENDING_RENAMES, RRF_RT_REG_MULTI_SZ,
                         nullptr, nullptr, &size) != ERROR_SUCCESS)
            return p;
        p.raw.resize(size);
        p.present = RegGetValueA(HKEY_LOCAL_MACHINE, SESSION_MANAGER_KEY, PENDING_RENAMES,
                                 RRF_RT_REG_MULTI_SZ, nullptr, p.raw.data(), &size) == ERROR_SUCCESS;
        p.raw.resize(p.present ? size : 0);
        return p;
    }
    // Every string, the empty targets of deletions included (the list's own final zero is not one).
    std::vector<std::string> entries() const {
        std::vector<std::string> out;
        for (size_t i = 0; i < raw.size();) {
            out.emplace_back(&raw[i], strnlen(&raw[i], raw.size() - i));
            i += out.back().size() + 1;
        }
        if (out.size() % 2 && out.back().empty())
            out.pop_back();
        return out;
    }
    // Writes this list back (or removes the value it did not have), so that no later start of the
    // prefix performs what a test scheduled.
    bool restore() const {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SESSION_MANAGER_KEY, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            return false;
        const LONG r = present ? RegSetValueExA(key, PENDING_RENAMES, 0, REG_MULTI_SZ,
                                                reinterpret_cast<const BYTE*>(raw.data()), raw.size())
                               : RegDeleteValueA(key, PENDING_RENAMES);
        RegCloseKey(key);
        return r == ERROR_SUCCESS || (!present && r == ERROR_FILE_NOT_FOUND);
    }
};

std::string joined(const std::vector<std::string>& entries) {
    std::string s;
    for (const std::string& e : entries)
        s += "[" + e + "] ";
    return s;
}

// A copy of the program in `dir` started by the installer: its main window, or its waiting window
// when it finds no board.
::testing::AssertionResult waitStartedFrom(const std::string& dir, DWORD* processId) {
    const std::string exe = dir + "\\Velmora.exe";
    std::string seen;
    const DWORD start = GetTickCount();
    do {
        for (HWND parent : {HWND(nullptr), HWND_MESSAGE}) {
            const char* cls = parent ? "qv_inicio" : "Velmora";
            HWND w = FindWindowExA(parent, nullptr, cls, nullptr);
            if (!w)
                continue;
            GetWindowThreadProcessId(w, processId);
            char image[MAX_PATH] = {};
            DWORD size = MAX_PATH;
            HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, *processId);
            if (process) {
                QueryFullProcessImageNameA(process, 0, image, &size);
                CloseHandle(process);
            }
            if (_stricmp(image, exe.c_str()) == 0)
                return ::testing::AssertionSuccess() << "a \"" << cls << "\" window of " << image;
            seen = std::string("a \"") + cls + "\" window of " + image;
        }
        flushEvents(100);
    } while (GetTickCount() - start < START_TIMEOUT_MS);
    return ::testing::AssertionFailure()
           << "no copy of " << exe << " started" << (seen.empty() ? std::string() : "; seen: " + seen);
}

struct Installer : ::testing::Test {
    void SetUp() override {
        removeInstallation();
        ASSERT_TRUE(deleteTolvexKey());
        ASSERT_TRUE(writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "P1X", "123")); // a user's calibration
        ASSERT_TRUE(writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Save", "0"));
    }
    void TearDown() override {
        removeInstallation();
        deleteTolvexKey();
    }
};

} // namespace

// The signed release's installer, into Program Files: the program that asks for uiAccess.
TEST_F(Installer, SilentInstallWithoutStartAtLogonThenSilentUninstall) {
    ASSERT_EQ(0u, runSetup("/S /INICIO=0", VELMORA_SETUP_UIACCESS_NAME));
    expectInstalledIn(defaultFolder(), "VelmoraUiAccess.exe");
    EXPECT_EQ("(missing)", hklmValue(RUN_KEY, "Velmora")) << "a Run value with /INICIO=0";

    const std::string exe = defaultFolder() + "\\Velmora.exe";
    const std::pair<const char*, std::string> version[] = {
        {"CompanyName", "Tolvex"},
        {"ProductName", "Velmora"},
        {"FileDescription", "Velmora"},
        {"FileVersion", VELMORA_VERSION_TEXT},
        {"ProductVersion", VELMORA_VERSION_TEXT},
        {"OriginalFilename", "Velmora.exe"},
    };
    for (const auto& [name, expected] : version)
        EXPECT_EQ(expected, versionString(exe, name)) << name;
    EXPECT_NE(std::string::npos, versionString(exe, "LegalCopyright").find("Tolvex"));

    // A copy started at log-on that still waits for a board is ended too, so its file can go.
    ChildProgram waiting;
    ASSERT_TRUE(startProgramAt(exe, "/inicio", &waiting));
    const DWORD start = GetTickCount();
    while (!FindWindowExA(HWND_MESSAGE, nullptr, "qv_inicio", nullptr) &&
           GetTickCount() - start < START_TIMEOUT_MS)
        flushEvents(50);
    ASSERT_TRUE(programRunning(&waiting));

    uninstallSilently();
    DWORD code = 1234;
    EXPECT_TRUE(waitProgramExit(&waiting, 1000, &code, true)) << "the waiting copy was not ended";
    EXPECT_EQ(0u, code);
    expectUninstalled(defaultFolder());
}

// The signed release's installer throughout: a folder of one's own, named through Program Files,
// gets the plain program, the first time and at the upgrade that reuses it.
TEST_F(Installer, InstallingAgainOverARunningCopyEndsItWithStopAndUpgradesInPlace) {
    const std::string dir = OWN_FOLDER;
    const std::string throughProgramFiles = shellFolder(CSIDL_PROGRAM_FILES) + "\\..\\" + (dir.c_str() + 3);
    ASSERT_EQ(0u, runSetup(("/S /INICIO=1 /D=" + throughProgramFiles).c_str(), VELMORA_SETUP_UIACCESS_NAME));
    expectInstalledIn(dir);
    EXPECT_EQ("\"" + dir + "\\Velmora.exe\" /inicio", hklmValue(RUN_KEY, "Velmora"));

    // The simulated-board build in the program's place, running from the install folder.
    ASSERT_TRUE(
        CopyFileA((testExeDirectory() + "VelmoraSim.exe").c_str(), (dir + "\\Velmora.exe").c_str(), FALSE));
    SimBoardConfig config;
    config.broadcastDeviceChange = false;
    SimBoard* board = simboardStart(config);
    ASSERT_NE(nullptr, board);
    ChildProgram running;
    ASSERT_TRUE(startProgramAt(dir + "\\Velmora.exe", nullptr, &running));
    ASSERT_NE(nullptr, waitTopLevelWindow("Velmora", running.processId, START_TIMEOUT_MS, true));
    ASSERT_TRUE(waitProgramIdle(&running, START_TIMEOUT_MS));
    // What the program stores as it ends shows here: its settings, "LagTime" among them.
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyValueA(HKEY_CURRENT_USER, TOLVEX_KEY, "LagTime"));
    const size_t before = simboardLogSize(board);

    // Again, without /D: the folder of the installed copy.
    EXPECT_EQ(0u, runSetup("/S", VELMORA_SETUP_UIACCESS_NAME));
    DWORD code = 1234;
    EXPECT_TRUE(waitProgramExit(&running, 1000, &code, true)) << "the running copy was not ended";
    EXPECT_EQ(0u, code);
    // The new program is started in its place, as at log-on: the product build finds no board
    // here and waits for it (the uninstall below ends it).
    DWORD restarted = 0;
    EXPECT_TRUE(waitStartedFrom(dir, &restarted));
    EXPECT_NE(running.processId, restarted);
    EXPECT_GE(simboardWaitCommand(board, 0, SIM_CMD_STOP, 100, before), 0) << "no Stop as it ended";
    std::string lagTime;
    EXPECT_TRUE(readRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "LagTime", &lagTime)) << "no settings stored";
    simboardStop(board);
    expectInstalledIn(dir); // the program replaced the stand-in
    EXPECT_EQ("\"" + dir + "\\Velmora.exe\" /inicio", hklmValue(RUN_KEY, "Velmora"));

    uninstallSilently();
    expectUninstalled(dir);
}

// Another process holds Velmora.exe open without sharing (as a copy in another user's session
// does): the new program is set to replace it at the next restart, the exit code says so, the
// wizard's last page offers the restart with "Reiniciar más tarde" ticked (a technician's "Terminar"
// must not restart a classroom PC), and an uninstall still removes what it installed.
TEST_F(Installer, AProgramThatCannotBeReplacedNowIsReplacedAtTheNextRestartWithExitCode3010) {
    const std::string exe = defaultFolder() + "\\Velmora.exe";
    ASSERT_EQ(0u, runSetup("/S /INICIO=0"));
    const PendingRenames before = PendingRenames::read();
    // The old program: any other bytes show whether it was replaced.
    {
        std::ofstream old(exe, std::ios::binary | std::ios::trunc);
        old << "the old program";
    }
    HANDLE held = CreateFileA(exe.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held) << GetLastError();

    RestartChoice choice;
    const DWORD code = runSetupWizard("/INICIO=0", &choice);
    const PendingRenames after = PendingRenames::read();
    EXPECT_TRUE(after.restore()) << "the pending renames could not be put back";
    CloseHandle(held);

    EXPECT_EQ(RESTART_NEEDED, code) << "installed with the old program in place";
    ASSERT_TRUE(choice.offered) << "the last page offers no restart";
    EXPECT_TRUE(choice.laterTicked && !choice.nowTicked) << "\"Reiniciar ahora\" is ticked at first";
    EXPECT_TRUE(choice.laterText == L"Reiniciar m\u00E1s tarde");
    const std::vector<std::string> all = after.entries(), earlier = before.entries();
    std::vector<std::string> added;
    if (all.size() >= earlier.size())
        added.assign(all.begin() + earlier.size(), all.end());
    const std::vector<std::string> expected = {"\\??\\" + exe + ".nuevo", "!\\??\\" + exe};
    EXPECT_EQ(expected, added) << "all pending renames: " << joined(all);
    const std::string built = fileBytes(testExeDirectory() + "Velmora.exe");
    EXPECT_TRUE(built == fileBytes(exe + ".nuevo"))
        << "the program to be renamed at restart is not the new one";
    EXPECT_EQ("the old program", fileBytes(exe));
    EXPECT_EQ(VELMORA_VERSION_TEXT, hklmValue(UNINSTALL_KEY, "DisplayVersion"));

    uninstallSilently();
    EXPECT_FALSE(fileExists(exe + ".nuevo"));
    expectUninstalled(defaultFolder());
}
