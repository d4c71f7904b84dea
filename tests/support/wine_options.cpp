#include "tests/support/wine_options.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool underWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

void driverKeyName(const char* exeName, char* keyName, size_t size) {
    std::snprintf(keyName, size, "Software\\Wine\\AppDefaults\\%s\\X11 Driver", exeName);
}

// This program's file name ("board_bench.exe").
std::string thisExeName() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    return name;
}

bool waitSkipped(const char* exeName) {
    char keyName[MAX_PATH + 64];
    driverKeyName(exeName, keyName, sizeof keyName);
    char value[4] = {};
    DWORD size = sizeof value;
    return RegGetValueA(HKEY_CURRENT_USER, keyName, "Managed", RRF_RT_REG_SZ, nullptr, value, &size) ==
               ERROR_SUCCESS &&
           value[0] == 'N';
}

// Runs this program again with the same command line and standard handles, and ends this process
// with the copy's exit code. The copy is in a job that ends with this process, so a test runner that
// stops this process on a time-out stops the copy too.
[[noreturn]] void runAgainAndExit() {
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job)
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    const DWORD stdIds[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    HANDLE* stdHandles[3] = {&startup.hStdInput, &startup.hStdOutput, &startup.hStdError};
    for (int i = 0; i < 3; ++i) {
        *stdHandles[i] = GetStdHandle(stdIds[i]);
        SetHandleInformation(*stdHandles[i], HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
    std::wstring commandLine = GetCommandLineW();
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &process)) {
        std::fprintf(stderr, "could not start this test again (error %lu)\n", GetLastError());
        ExitProcess(1);
    }
    if (job)
        AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    ExitProcess(code);
}

} // namespace

// The option is read only while a process starts: on the first run in a prefix, where it was not
// yet set, the program writes it and starts itself again, so that no run pays the wait (in a fresh
// prefix that wait made the window tests three times as long).
void skipWindowManagerWait() {
    if (!underWine())
        return;
    const std::string name = thisExeName();
    if (waitSkipped(name.c_str()))
        return;
    skipWindowManagerWaitFor(name.c_str());
    runAgainAndExit();
}

void restoreWindowManagerWait(const char* exeName) {
    if (!underWine())
        return;
    char keyName[MAX_PATH + 64];
    driverKeyName(exeName, keyName, sizeof keyName);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, keyName, "Managed");
}

void skipWindowManagerWaitFor(const char* exeName) {
    if (!underWine())
        return;
    char keyName[MAX_PATH + 64];
    driverKeyName(exeName, keyName, sizeof keyName);
    HKEY key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, keyName, &key) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
        RegCloseKey(key);
    }
}

namespace {

void setShaping(bool shaped) {
    char keyName[MAX_PATH + 64];
    driverKeyName(thisExeName().c_str(), keyName, sizeof keyName);
    if (shaped) {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, keyName, "ShapeLayeredWindows");
        return;
    }
    HKEY key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, keyName, &key) == ERROR_SUCCESS) {
        RegSetValueExA(key, "ShapeLayeredWindows", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
        RegCloseKey(key);
    }
}

} // namespace

bool runThisProgramWith(const char* argument) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string commandLine = std::string("\"") + path + "\" " + argument;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(path, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return false;
    WaitForSingleObject(info.hProcess, 10 * 60 * 1000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

bool runUnshapedThenShaped() {
    setShaping(false);
    const bool started = runThisProgramWith("unshaped");
    setShaping(true); // Wine's default again, as the prefix had it
    return started && runThisProgramWith("shaped");
}

const char* shapingOfThisRun(const char* argument) {
    return std::strcmp(argument, "shaped") == 0 ? "Wine's default shaping of layered windows"
                                                : "ShapeLayeredWindows = \"N\"";
}

int measureUnshapedThenShaped(int argc, char** argv, int (*measure)(const char* shaping)) {
    if (argc > 1)
        return measure(shapingOfThisRun(argv[1]));
    if (!runUnshapedThenShaped()) {
        std::printf("%s could not start itself as a child\n", argc > 0 ? argv[0] : "the benchmark");
        return 1;
    }
    return 0;
}
