#pragma once
// The program as a child process: starting it, waiting for it and ending it.
#include <windows.h>

#include <string>

// The directory of the running test executable, with a trailing backslash.
std::string testExeDirectory();

// A program started by a test. If the test ends (passes, fails or throws) while it still runs, the
// destructor kills it and waits for it, so no stray instance holds the single-instance mutex.
struct ChildProgram {
    HANDLE process = nullptr;
    DWORD processId = 0;
    ChildProgram() = default;
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;
    ~ChildProgram();
};

// Starts "Velmora.exe", "VelmoraSim.exe" or any program found next to the test executable, with
// the arguments given (none when null).
bool startProgram(const char* exeName, ChildProgram* child, const char* arguments = nullptr);
// Starts the program at that full path (its working directory is the test's).
bool startProgramAt(const std::string& path, const char* arguments, ChildProgram* child);
// Waits at most timeoutMs for the child to end (pumping this thread's messages when asked); true
// with its exit code when it ended.
bool waitProgramExit(ChildProgram* child, DWORD timeoutMs, DWORD* exitCode, bool pumpMessages = false);
// True while the child runs.
bool programRunning(const ChildProgram* child);
// Ends the child at once (exit code 999) and waits for it.
void killProgram(ChildProgram* child);
// Waits until the child's GUI thread waits for input (start-up done, message loop or a modal box
// running): WaitForInputIdle. False on time-out.
bool waitProgramIdle(ChildProgram* child, DWORD timeoutMs);
