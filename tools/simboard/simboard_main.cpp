// simboard.exe: plays the interactive board for the simulated-board build (VelmoraSim.exe) or any
// program that talks the pipe protocol. Starts the sensors, then runs a script of finger and fault
// steps (from a file or standard input), or serves until it is ended (Ctrl+C, or the process is
// killed). See docs/simulated-board.md.
#include "tools/simboard/simboard.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const USAGE =
    "usage: simboard [options]\n"
    "  --sensor VID:PID[:refuse][:IN/OUT]  add a sensor (hex identifiers; report lengths in\n"
    "                              bytes, 10/9 when not given); default one 0925:0300\n"
    "  --no-sensor                 serve no sensor at all\n"
    "  --screen WxH                screen size in pixels (default: the primary screen)\n"
    "  --offset X,Y  --scale SX,SY  --rotate DEG  --keystone KX,KY  --jitter N\n"
    "                              where the screen lies on the sensor (1024 x 768 units)\n"
    "  --script FILE               run the steps in FILE ('-': standard input), then end\n"
    "  --serve                     after the script, keep serving until ended\n"
    "  --log                       print the log when ending\n"
    "Script steps: tap X Y MS, hold X Y MS, drag X1 Y1 X2 Y2 MS, down X Y, move X Y MS, lift,\n"
    "  units screen|sensor, sensor N, sleep MS, unplug [N], replug [N], silent on|off, delay MS,\n"
    "  status BYTE, length N, wait-window CLASS [MS], close-window CLASS,\n"
    "  wait-command Stop|Get|Run|probe [MS], log, echo TEXT\n";

volatile LONG stopRequested = 0;

BOOL WINAPI onConsoleEvent(DWORD) {
    InterlockedExchange(&stopRequested, 1);
    return TRUE;
}

bool pair(const char* text, double* a, double* b, char separator) {
    char* end = nullptr;
    *a = strtod(text, &end);
    if (!end || *end != separator)
        return false;
    *b = strtod(end + 1, &end);
    return end && *end == 0;
}

bool parseSensor(const char* text, SimSensorConfig* sensor) {
    char* end = nullptr;
    unsigned long vid = strtoul(text, &end, 16);
    if (!end || *end != ':')
        return false;
    unsigned long pid = strtoul(end + 1, &end, 16);
    if (vid > 0xFFFF || pid > 0xFFFF)
        return false;
    sensor->vendorId = uint16_t(vid);
    sensor->productId = uint16_t(pid);
    sensor->refuseOpen = false;
    if (strncmp(end, ":refuse", 7) == 0) {
        sensor->refuseOpen = true;
        end += 7;
    }
    if (*end == 0)
        return true;
    unsigned in = 0, out = 0;
    int used = 0;
    if (sscanf(end, ":%u/%u%n", &in, &out, &used) != 2 || end[used] != 0 || in > 1024 || out > 1024)
        return false;
    sensor->inputReportLength = uint16_t(in);
    sensor->outputReportLength = uint16_t(out);
    return true;
}

bool readAll(FILE* f, std::string* text) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        text->append(buffer, n);
    return !ferror(f);
}

} // namespace

int main(int argc, char** argv) {
    SimBoardConfig config;
    config.sensors.clear();
    bool noSensor = false, serve = false, printLog = false;
    const char* scriptPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        double x, y;
        bool ok = true;
        if (a == "--sensor" && next) {
            SimSensorConfig s;
            ok = parseSensor(next, &s);
            config.sensors.push_back(s);
            ++i;
        } else if (a == "--no-sensor") {
            noSensor = true;
        } else if (a == "--screen" && next && pair(next, &x, &y, 'x') && x > 0 && y > 0) {
            config.geometry.screenWidth = int(x);
            config.geometry.screenHeight = int(y);
            ++i;
        } else if (a == "--offset" && next && pair(next, &x, &y, ',')) {
            config.geometry.offsetX = x;
            config.geometry.offsetY = y;
            ++i;
        } else if (a == "--scale" && next && pair(next, &x, &y, ',')) {
            config.geometry.scaleX = x;
            config.geometry.scaleY = y;
            ++i;
        } else if (a == "--keystone" && next && pair(next, &x, &y, ',')) {
            config.geometry.keystoneX = x;
            config.geometry.keystoneY = y;
            ++i;
        } else if (a == "--rotate" && next) {
            config.geometry.rotationDeg = atof(next);
            ++i;
        } else if (a == "--jitter" && next) {
            config.geometry.jitter = atoi(next);
            ++i;
        } else if (a == "--script" && next) {
            scriptPath = next;
            ++i;
        } else if (a == "--serve") {
            serve = true;
        } else if (a == "--log") {
            printLog = true;
        } else {
            ok = false;
        }
        if (!ok) {
            fprintf(stderr, "simboard: bad option %s\n%s", a.c_str(), USAGE);
            return 2;
        }
    }
    if (config.sensors.empty() && !noSensor)
        config.sensors.push_back(SimSensorConfig{});

    std::string script;
    if (scriptPath) {
        FILE* f = strcmp(scriptPath, "-") == 0 ? stdin : fopen(scriptPath, "rb");
        if (!f || !readAll(f, &script)) {
            fprintf(stderr, "simboard: cannot read %s\n", scriptPath);
            return 2;
        }
        if (f != stdin)
            fclose(f);
    }

    SimBoard* board = simboardStart(config);
    if (!board) {
        fprintf(stderr, "simboard: cannot create the sensors' pipes (error %lu)\n", GetLastError());
        return 1;
    }
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    for (int i = 0; i < simboardSensorCount(board); ++i)
        printf("sensor %d: %04x:%04x%s %s\n", i, config.sensors[size_t(i)].vendorId,
               config.sensors[size_t(i)].productId, config.sensors[size_t(i)].refuseOpen ? " (refuses)" : "",
               simboardPipePath(board, i).c_str());
    const SimGeometry& g = simboardGeometry(board);
    printf("screen %d x %d\n", g.screenWidth, g.screenHeight);
    fflush(stdout);

    int failed = 0;
    if (scriptPath)
        failed = simboardRunScript(board, script, stdout);
    if (!scriptPath || serve) {
        printf("serving; Ctrl+C ends\n");
        fflush(stdout);
        while (!stopRequested)
            Sleep(50);
    }
    if (printLog)
        for (const SimEvent& e : simboardLog(board))
            printf("%s\n", simFormatEvent(e).c_str());
    simboardStop(board);
    return failed ? 1 : 0;
}
