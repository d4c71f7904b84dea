// Scripts of finger and fault steps for the simulated board, one step a line.
#include "tools/simboard/simboard.h"

#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

struct ScriptState {
    SimBoard* board;
    FILE* out;
    int sensor = 0;
    SimUnits units = SIM_SCREEN;
    size_t logMark = 0; // where the next wait-command starts looking
};

bool number(const std::string& word, double* value) {
    if (word.empty())
        return false;
    char* end = nullptr;
    *value = strtod(word.c_str(), &end);
    return end && *end == 0;
}

bool whole(const std::string& word, DWORD* value) {
    double d;
    if (!number(word, &d) || d < 0 || d > 86400000.0)
        return false;
    *value = DWORD(d);
    return true;
}

int commandNamed(const std::string& name) {
    const int commands[] = {SIM_CMD_PROBE, SIM_CMD_GET, SIM_CMD_RUN, SIM_CMD_STOP};
    for (int c : commands)
        if (_stricmp(name.c_str(), simCommandName(c)) == 0)
            return c;
    return -2;
}

HWND waitWindow(const std::string& className, DWORD timeoutMs) {
    double deadline = simboardNowMs() + timeoutMs;
    for (;;) {
        HWND hwnd = FindWindowA(className.c_str(), nullptr);
        if (hwnd || simboardNowMs() >= deadline)
            return hwnd;
        Sleep(20);
    }
}

using Words = std::vector<std::string>;

// The step's numbers after its name: exactly count of them, into v.
bool numbersIn(const Words& w, size_t count, double* v, std::string* why) {
    if (w.size() != count + 1) {
        *why = "expects " + std::to_string(count) + " numbers";
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        if (!number(w[i + 1], &v[i])) {
            *why = "not a number: " + w[i + 1];
            return false;
        }
    }
    return true;
}

bool wholeAt(const Words& w, size_t i, DWORD* value, std::string* why) {
    if (w.size() <= i || !whole(w[i], value)) {
        *why = "expects a whole number of milliseconds";
        return false;
    }
    return true;
}

DWORD milliseconds(double v) {
    return DWORD(v < 0 ? 0 : v);
}

// "tap X Y MS" and "hold X Y MS": down, still for MS, up.
bool tapStep(ScriptState& s, const Words& w, std::string* why) {
    double v[3];
    if (!numbersIn(w, 3, v, why))
        return false;
    simboardTap(s.board, s.sensor, v[0], v[1], milliseconds(v[2]), s.units);
    return true;
}

bool dragStep(ScriptState& s, const Words& w, std::string* why) {
    double v[5];
    if (!numbersIn(w, 5, v, why))
        return false;
    simboardDrag(s.board, s.sensor, v[0], v[1], v[2], v[3], milliseconds(v[4]), s.units);
    return true;
}

bool downStep(ScriptState& s, const Words& w, std::string* why) {
    double v[2];
    if (!numbersIn(w, 2, v, why))
        return false;
    simboardFingerDown(s.board, s.sensor, v[0], v[1], s.units);
    return true;
}

bool moveStep(ScriptState& s, const Words& w, std::string* why) {
    double v[3];
    if (!numbersIn(w, 3, v, why))
        return false;
    SimPath path;
    path.units = s.units;
    int x, y;
    if (!simboardFingerPoint(s.board, s.sensor, &x, &y)) {
        *why = "the finger is not down on the sensor";
        return false;
    }
    // Continue from where the finger is (in sensor units), to the target in the script's units.
    double tx = v[0], ty = v[1];
    if (s.units == SIM_SCREEN)
        simScreenToSensor(simboardMapping(s.board), v[0], v[1], &tx, &ty);
    path.units = SIM_SENSOR;
    simMove(simDown(path, x, y), tx, ty, milliseconds(v[2]));
    simboardPlay(s.board, s.sensor, path);
    simboardWaitFinger(s.board, s.sensor);
    return true;
}

bool liftStep(ScriptState& s, const Words&, std::string*) {
    simboardFingerLift(s.board, s.sensor);
    return true;
}

bool unitsStep(ScriptState& s, const Words& w, std::string* why) {
    if (w.size() != 2 || (w[1] != "screen" && w[1] != "sensor")) {
        *why = "units screen or units sensor";
        return false;
    }
    s.units = w[1] == "screen" ? SIM_SCREEN : SIM_SENSOR;
    return true;
}

bool sensorStep(ScriptState& s, const Words& w, std::string* why) {
    double v[1];
    if (!numbersIn(w, 1, v, why) || v[0] < 0 || v[0] >= simboardSensorCount(s.board)) {
        *why = "no such sensor";
        return false;
    }
    s.sensor = int(v[0]);
    return true;
}

bool sleepStep(ScriptState&, const Words& w, std::string* why) {
    DWORD ms;
    if (!wholeAt(w, 1, &ms, why))
        return false;
    Sleep(ms);
    return true;
}

// "unplug [N] [quiet]" and "replug [N]": every sensor, or sensor N.
bool plugStep(ScriptState& s, const Words& w, std::string* why) {
    const std::string& op = w[0];
    int which = -1;
    bool quiet = op == "unplug" && w.size() >= 2 && w.back() == "quiet";
    const size_t args = w.size() - (quiet ? 1 : 0);
    if (args > 2) {
        *why = op + " [N]" + (op == "unplug" ? " [quiet]" : "");
        return false;
    }
    if (args == 2) {
        char* end = nullptr;
        const long n = strtol(w[1].c_str(), &end, 10);
        if (!end || *end || n < 0 || n >= simboardSensorCount(s.board)) {
            *why = "no such sensor";
            return false;
        }
        which = int(n);
    }
    if (op == "unplug")
        simboardUnplug(s.board, which, !quiet);
    else
        simboardReplug(s.board, which);
    return true;
}

// "silent on|off", "fanout on|off" and "tag on|off": a switch of the selected sensor's replies.
bool replySwitchStep(ScriptState& s, const Words& w, std::string* why) {
    const std::string& op = w[0];
    SimReplyMode mode = simboardReplies(s.board, s.sensor);
    if (w.size() != 2 || (w[1] != "on" && w[1] != "off")) {
        *why = op + " on or " + op + " off";
        return false;
    }
    (op == "silent" ? mode.silent : op == "fanout" ? mode.fanOut : mode.tagReplies) = w[1] == "on";
    simboardSetReplies(s.board, s.sensor, mode);
    return true;
}

// "delay MS", "status BYTE" and "length BYTES": a number of the selected sensor's replies.
bool replyNumberStep(ScriptState& s, const Words& w, std::string* why) {
    const std::string& op = w[0];
    SimReplyMode mode = simboardReplies(s.board, s.sensor);
    if (w.size() != 2) {
        *why = "expects one number";
        return false;
    }
    char* end = nullptr;
    long n = strtol(w[1].c_str(), &end, 0); // 0x55 or 85
    if (!end || *end || n < 0 || n > 86400000L || (op == "status" && n > 255) ||
        (op == "length" && (n < 1 || n > 64))) {
        *why = "bad value: " + w[1];
        return false;
    }
    if (op == "delay")
        mode.delayMs = DWORD(n);
    else if (op == "status")
        mode.statusByte = int(n);
    else
        mode.replyLength = DWORD(n);
    simboardSetReplies(s.board, s.sensor, mode);
    return true;
}

// Up to ten bytes in hexadecimal, the rest zero: a report the selected sensor sends by itself.
bool reportStep(ScriptState& s, const Words& w, std::string* why) {
    uint8_t bytes[10] = {};
    if (w.size() < 2 || w.size() > 11) {
        *why = "report BYTE... (1 to 10 hexadecimal bytes)";
        return false;
    }
    for (size_t i = 1; i < w.size(); ++i) {
        char* end = nullptr;
        const unsigned long b = strtoul(w[i].c_str(), &end, 16);
        if (!end || *end || b > 0xFF) {
            *why = "bad byte: " + w[i];
            return false;
        }
        bytes[i - 1] = uint8_t(b);
    }
    simboardSendReport(s.board, s.sensor, bytes, sizeof bytes);
    return true;
}

bool waitWindowStep(ScriptState&, const Words& w, std::string* why) {
    DWORD ms = 10000;
    if (w.size() < 2 || (w.size() == 3 && !wholeAt(w, 2, &ms, why)) || w.size() > 3) {
        *why = "wait-window CLASS [MS]";
        return false;
    }
    if (!waitWindow(w[1], ms)) {
        *why = "no window of class " + w[1];
        return false;
    }
    return true;
}

bool closeWindowStep(ScriptState&, const Words& w, std::string* why) {
    HWND hwnd = w.size() == 2 ? FindWindowA(w[1].c_str(), nullptr) : nullptr;
    if (!hwnd) {
        *why = "no window to close";
        return false;
    }
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    return true;
}

bool waitCommandStep(ScriptState& s, const Words& w, std::string* why) {
    DWORD ms = 10000;
    int command = w.size() >= 2 ? commandNamed(w[1]) : -2;
    if (command == -2 || w.size() > 3 || (w.size() == 3 && !wholeAt(w, 2, &ms, why))) {
        *why = "wait-command Stop|Get|Run|probe [MS]";
        return false;
    }
    int at = simboardWaitCommand(s.board, -1, command, ms, s.logMark);
    if (at < 0) {
        *why = "no " + w[1] + " received";
        return false;
    }
    s.logMark = size_t(at) + 1;
    return true;
}

bool logStep(ScriptState& s, const Words&, std::string*) {
    for (const SimEvent& e : simboardLog(s.board))
        fprintf(s.out, "%s\n", simFormatEvent(e).c_str());
    return true;
}

bool echoStep(ScriptState& s, const Words& w, std::string*) {
    for (size_t i = 1; i < w.size(); ++i)
        fprintf(s.out, "%s%s", i > 1 ? " " : "", w[i].c_str());
    fprintf(s.out, "\n");
    return true;
}

struct ScriptStep {
    const char* name;
    bool (*run)(ScriptState& s, const Words& w, std::string* why); // false with a reason
};

const ScriptStep scriptSteps[] = {
    {"tap", tapStep},
    {"hold", tapStep},
    {"drag", dragStep},
    {"down", downStep},
    {"move", moveStep},
    {"lift", liftStep},
    {"units", unitsStep},
    {"sensor", sensorStep},
    {"sleep", sleepStep},
    {"unplug", plugStep},
    {"replug", plugStep},
    {"silent", replySwitchStep},
    {"fanout", replySwitchStep},
    {"tag", replySwitchStep},
    {"delay", replyNumberStep},
    {"status", replyNumberStep},
    {"length", replyNumberStep},
    {"report", reportStep},
    {"wait-window", waitWindowStep},
    {"close-window", closeWindowStep},
    {"wait-command", waitCommandStep},
    {"log", logStep},
    {"echo", echoStep},
};

// Runs one step; false with a reason when it cannot.
bool runStep(ScriptState& s, const Words& w, std::string* why) {
    for (const ScriptStep& step : scriptSteps)
        if (w[0] == step.name)
            return step.run(s, w, why);
    *why = "unknown step";
    return false;
}

} // namespace

int simboardRunScript(SimBoard* board, const std::string& script, FILE* out) {
    ScriptState s;
    s.board = board;
    s.out = out;
    std::istringstream lines(script);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;)
            w.push_back(word);
        if (w.empty() || w[0][0] == '#')
            continue;
        std::string why;
        if (!runStep(s, w, &why)) {
            fprintf(out, "line %d: %s: %s\n", number, line.c_str(), why.c_str());
            fflush(out);
            return number;
        }
        fflush(out);
    }
    return 0;
}
