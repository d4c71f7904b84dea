// demo.exe: runs the scripted session's steps in order, then writes <out>\report.md.
//   demo --out DIR --program PATH\VelmoraSim.exe
#include "tools/demo/demo.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

struct StepResult {
    const char* name;
    bool passed;
    double ms;
    std::vector<std::string> notes;
};

bool writeReport(const DemoSession& session, const std::vector<StepResult>& results, bool allPassed) {
    std::string path = session.outDir + "\\report.md";
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    fprintf(f, "# Velmora on the simulated board\n\n");
    fprintf(f, "Program: `%s`\n\n", session.programPath.c_str());
    fprintf(f, "Result: **%s** (%d of %d steps passed)\n\n", allPassed ? "all steps passed" : "a step failed",
            int(std::count_if(results.begin(), results.end(), [](const StepResult& r) { return r.passed; })),
            demoStepCount);
    fprintf(f, "| # | step | result | time |\n|---|---|---|---|\n");
    for (size_t i = 0; i < results.size(); ++i)
        fprintf(f, "| %zu | %s | %s | %.0f ms |\n", i + 1, results[i].name,
                results[i].passed ? "ok" : "FAILED", results[i].ms);
    for (size_t i = 0; i < results.size(); ++i) {
        fprintf(f, "\n## %zu. %s\n\n", i + 1, results[i].name);
        for (const std::string& note : results[i].notes)
            fprintf(f, "- %s\n", note.c_str());
    }
    if (!session.screenshots.empty()) {
        fprintf(f, "\n## Screenshots\n\n");
        for (const std::string& s : session.screenshots)
            fprintf(f, "![%s](%s)\n", s.c_str(), s.c_str());
    }
    if (session.board) {
        fprintf(f, "\n## What the board received\n\n");
        fprintf(f, "Times in ms from the board's start.\n\n```\n");
        for (SimEvent e : simboardLog(session.board)) {
            e.timeMs -= session.boardStartMs;
            fprintf(f, "%s\n", simFormatEvent(e).c_str());
        }
        fprintf(f, "```\n");
    }
    fclose(f);
    return true;
}

} // namespace

void demoNote(DemoSession& session, const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    session.notes.push_back(line);
    printf("    %s\n", line);
    fflush(stdout);
}

std::string demoHex(const std::vector<uint8_t>& bytes) {
    std::string text;
    for (uint8_t b : bytes) {
        char hex[4];
        snprintf(hex, sizeof hex, "%s%02X", text.empty() ? "" : " ", b);
        text += hex;
    }
    return text;
}

bool demoProgramEnded(const DemoSession& session, DWORD* code) {
    if (!session.program.hProcess || WaitForSingleObject(session.program.hProcess, 0) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(session.program.hProcess, code);
    return true;
}

int main(int argc, char** argv) {
    DemoSession session;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--out") == 0)
            session.outDir = argv[i + 1];
        else if (strcmp(argv[i], "--program") == 0)
            session.programPath = argv[i + 1];
    }
    if (session.outDir.empty() || session.programPath.empty()) {
        fprintf(stderr, "usage: demo --out DIR --program VelmoraSim.exe\n");
        return 2;
    }
    CreateDirectoryA(session.outDir.c_str(), nullptr);

    std::vector<StepResult> results;
    bool allPassed = true;
    for (int i = 0; i < demoStepCount && allPassed; ++i) {
        printf("[%d/%d] %s\n", i + 1, demoStepCount, demoSteps[i].name);
        fflush(stdout);
        session.notes.clear();
        double start = simboardNowMs();
        bool passed = demoSteps[i].run(session);
        results.push_back(StepResult{demoSteps[i].name, passed, simboardNowMs() - start, session.notes});
        printf("    -> %s\n", passed ? "ok" : "FAILED");
        allPassed = passed;
    }
    if (!writeReport(session, results, allPassed))
        fprintf(stderr, "demo: cannot write %s\\report.md\n", session.outDir.c_str());

    // Whatever happened, leave nothing running.
    DWORD code;
    if (session.program.hProcess && !demoProgramEnded(session, &code)) {
        TerminateProcess(session.program.hProcess, 999);
        WaitForSingleObject(session.program.hProcess, 5000);
    }
    if (session.program.hProcess) {
        CloseHandle(session.program.hProcess);
        CloseHandle(session.program.hThread);
    }
    simboardStop(session.board);
    printf("%s\n", allPassed ? "demo: every step passed" : "demo: a step failed");
    return allPassed ? 0 : 1;
}
