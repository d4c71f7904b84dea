// Starting the program as a child process, waiting for it and ending it.
#include "tests/support/child_process.h"

std::string testExeDirectory() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, length);
    const size_t slash = dir.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
}

ChildProgram::~ChildProgram() {
    if (!process)
        return;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 999);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
}

bool startProgram(const char* exeName, ChildProgram* child, const char* arguments) {
    return startProgramAt(testExeDirectory() + exeName, arguments, child);
}

bool startProgramAt(const std::string& path, const char* arguments, ChildProgram* child) {
    std::string commandLine = "\"" + path + "\"";
    if (arguments && *arguments)
        commandLine += std::string(" ") + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return false;
    CloseHandle(info.hThread);
    child->process = info.hProcess;
    child->processId = info.dwProcessId;
    return true;
}

bool waitProgramExit(ChildProgram* child, DWORD timeoutMs, DWORD* exitCode, bool pumpMessages) {
    if (!child->process)
        return false;
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        const DWORD left = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
        DWORD wait;
        if (pumpMessages) {
            wait = MsgWaitForMultipleObjects(1, &child->process, FALSE, left, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        } else {
            wait = WaitForSingleObject(child->process, left);
        }
        if (wait == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(child->process, &code);
            if (exitCode)
                *exitCode = code;
            return true;
        }
        if (left == 0)
            return false;
    }
}

bool programRunning(const ChildProgram* child) {
    return child->process && WaitForSingleObject(child->process, 0) == WAIT_TIMEOUT;
}

void killProgram(ChildProgram* child) {
    if (programRunning(child)) {
        TerminateProcess(child->process, 999);
        WaitForSingleObject(child->process, 5000);
    }
}

bool waitProgramIdle(ChildProgram* child, DWORD timeoutMs) {
    return child->process && WaitForInputIdle(child->process, timeoutMs) == 0;
}
