#pragma once
// The main job's scripted session: the program on the simulated board, step by step. Each step is
// a small function in the table of demo_steps.cpp; add a step by writing its function and adding a
// row. A step records what it saw with demoNote, takes screenshots with demoScreenshot and returns
// false when what it checks does not hold (the session then stops after writing the report).
#include <windows.h>

#include <string>
#include <vector>

#include "tools/simboard/simboard.h"

struct DemoSession {
    std::string outDir;      // where the report and the screenshots go (Windows path)
    std::string programPath; // the simulated-board build, VelmoraSim.exe
    SimBoard* board = nullptr;
    PROCESS_INFORMATION program{};        // the program's process, once started
    HWND mainWindow = nullptr;            // its hidden "Velmora" window, once found
    double boardStartMs = 0;              // simboardNowMs() when the board started
    size_t logMark = 0;                   // log position a step starts looking from
    std::vector<std::string> notes;       // lines of the current step, for the report
    std::vector<std::string> screenshots; // file names (without directory), in order
};

struct DemoStep {
    const char* name;
    bool (*run)(DemoSession& session);
};

// The table of steps, in order (demo_steps.cpp).
extern const DemoStep demoSteps[];
extern const int demoStepCount;

// Adds a line to the current step's notes and prints it.
void demoNote(DemoSession& session, const char* format, ...);
// Saves the whole screen as <outDir>\<name>.bmp (scripts/demo.sh turns it into .png) and lists it
// in the report as <name>.png; false when the screen could not be read or the file written.
bool demoScreenshot(DemoSession& session, const char* name);
// The same for an area of the screen, enlarged zoom times (1 to 16).
bool demoScreenshotArea(DemoSession& session, const char* name, const RECT& area, int zoom);
// The bytes of a command as hex, "00 A0 03 00 00 00 00 00 60".
std::string demoHex(const std::vector<uint8_t>& bytes);
// True when the program's process has ended; its exit code then in *code.
bool demoProgramEnded(const DemoSession& session, DWORD* code);
