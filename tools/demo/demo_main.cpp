// demo.exe: runs the scripted session's steps in order, then writes <out>\report.md and, beside
// it, the board's whole log as <out>\board-log.txt.
//   demo --out DIR --program PATH\VelmoraSim.exe
#include "tools/demo/demo.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

constexpr const char* BOARD_LOG = "board-log.txt";
// The report lists the log's lines that are not a Get or its reply up to this many; one run has
// a few dozen (connections, probes, Run, Stop and their replies), the log itself every one.
constexpr size_t LISTED_LINES_MAX = 150;

struct StepResult {
    const char* name;
    bool passed;
    double ms;
    std::vector<std::string> notes;
};

// The board's log as text, one line an event, times in ms from the board's start.
std::vector<std::string> boardLogLines(const DemoSession& session, const std::vector<SimEvent>& log) {
    std::vector<std::string> lines;
    for (SimEvent e : log) {
        e.timeMs -= session.boardStartMs;
        lines.push_back(simFormatEvent(e));
    }
    return lines;
}

bool writeBoardLog(const DemoSession& session, const std::vector<std::string>& lines) {
    const std::string path = session.outDir + "\\" + BOARD_LOG;
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool written = true;
    for (const std::string& line : lines)
        written = written && fprintf(f, "%s\n", line.c_str()) >= 0;
    return fclose(f) == 0 && written;
}

// What the board received, in short: the commands by kind, the log's first and last lines, and
// every line that is not a Get or the reply to one. The whole log goes to board-log.txt.
void writeBoardSummary(FILE* f, const DemoSession& session) {
    const std::vector<SimEvent> log = simboardLog(session.board);
    const std::vector<std::string> lines = boardLogLines(session, log);
    const bool logWritten = writeBoardLog(session, lines);
    fprintf(f, "\n## What the board received\n\n");
    if (logWritten)
        fprintf(f, "The whole log, %zu lines, is in [%s](%s). Times in ms from the board's start.\n\n",
                lines.size(), BOARD_LOG, BOARD_LOG);
    else
        fprintf(f, "The log (%zu lines) could not be written to %s.\n\n", lines.size(), BOARD_LOG);

    std::map<std::string, int> commands;
    int replies = 0, connects = 0, disconnects = 0;
    for (const SimEvent& e : log) {
        if (e.kind == SIM_COMMAND)
            ++commands[simCommandName(e.command)];
        replies += e.kind == SIM_REPLY;
        connects += e.kind == SIM_CONNECT;
        disconnects += e.kind == SIM_DISCONNECT;
    }
    fprintf(f, "| received | count |\n|---|---|\n");
    for (const auto& [name, count] : commands)
        fprintf(f, "| command %s | %d |\n", name.c_str(), count);
    fprintf(f, "| replies sent | %d |\n| connections | %d |\n| disconnections | %d |\n", replies, connects,
            disconnects);
    if (lines.empty())
        return;
    fprintf(f, "\nFirst and last lines:\n\n```\n%s\n", lines.front().c_str());
    if (lines.size() > 1)
        fprintf(f, "...\n%s\n", lines.back().c_str());
    fprintf(f, "```\n");

    // A reply answers the last command of its connection.
    std::map<int, int> lastCommand;
    std::vector<size_t> listed;
    for (size_t i = 0; i < log.size(); ++i) {
        const SimEvent& e = log[i];
        if (e.kind == SIM_COMMAND)
            lastCommand[e.connection] = e.command;
        const bool get = e.kind == SIM_COMMAND && e.command == SIM_CMD_GET;
        const bool getReply = e.kind == SIM_REPLY && lastCommand.count(e.connection) &&
                              lastCommand[e.connection] == SIM_CMD_GET;
        if (!get && !getReply)
            listed.push_back(i);
    }
    fprintf(f, "\nEvery line but the Gets and their replies (%zu):\n\n```\n", listed.size());
    for (size_t k = 0; k < listed.size() && k < LISTED_LINES_MAX; ++k)
        fprintf(f, "%s\n", lines[listed[k]].c_str());
    if (listed.size() > LISTED_LINES_MAX)
        fprintf(f, "... %zu more in %s\n", listed.size() - LISTED_LINES_MAX, BOARD_LOG);
    fprintf(f, "```\n");
}

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
    if (session.board)
        writeBoardSummary(f, session);
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
