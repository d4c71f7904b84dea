// The simulated board's fingers: timed paths of down, move, hold and lift, and where a finger is now.
#include "tools/simboard/simboard_internal.h"

#include <cmath>

using namespace simboard_internal;

namespace {

// Where the finger is at board time now, in the path's units.
bool fingerAt(const SimFinger& f, double now, double* x, double* y) {
    double t = now - f.start;
    const SimSegment* current = nullptr;
    for (const SimSegment& s : f.segments)
        if (s.t0 <= t)
            current = &s;
    if (!current) {
        *x = f.restX;
        *y = f.restY;
        return f.restDown;
    }
    if (t < current->t1 && current->t1 > current->t0) {
        double a = (t - current->t0) / (current->t1 - current->t0);
        *x = current->x0 + (current->x1 - current->x0) * a;
        *y = current->y0 + (current->y1 - current->y0) * a;
    } else {
        *x = current->x1;
        *y = current->y1;
    }
    return current->down;
}

} // namespace

namespace simboard_internal {

// The finger's point in sensor units (not rounded); false while lifted.
bool fingerSensorPoint(const SimBoard* board, const SimFinger& f, double now, double* sx, double* sy) {
    double x, y;
    if (!fingerAt(f, now, &x, &y))
        return false;
    if (f.units == SIM_SCREEN) {
        simScreenToSensor(board->mapping, x, y, sx, sy);
    } else {
        *sx = x;
        *sy = y;
    }
    return true;
}

// Rounds to whole sensor units; a point off the sensor's 1024 x 768 space is not seen.
bool roundToSensor(double sx, double sy, int* x, int* y) {
    if (!std::isfinite(sx) || !std::isfinite(sy))
        return false;
    long rx = std::lround(sx), ry = std::lround(sy);
    if (rx < 0 || rx > 1023 || ry < 0 || ry > 767)
        return false;
    *x = int(rx);
    *y = int(ry);
    return true;
}

int jitterOffset(SimBoard* board) {
    int j = board->geometry.jitter;
    if (j <= 0)
        return 0;
    board->random = board->random * 1103515245u + 12345u;
    return int((board->random >> 16) % unsigned(2 * j + 1)) - j;
}

} // namespace simboard_internal

namespace {

// Puts a path on the finger, starting from wherever the finger is now.
void playPath(SimBoard* board, int sensor, const SimPath& path) {
    Locked locked(board);
    SimFinger& f = board->sensors[size_t(sensor)].finger;
    double now = simboardNowMs();
    double sx = 0, sy = 0, x = 0, y = 0;
    bool down = fingerSensorPoint(board, f, now, &sx, &sy);
    if (down) {
        if (path.units == SIM_SCREEN) {
            simSensorToScreen(board->mapping, sx, sy, &x, &y);
        } else {
            x = sx;
            y = sy;
        }
    }
    SimFinger next;
    next.units = path.units;
    next.start = now;
    next.restDown = down;
    next.restX = x;
    next.restY = y;
    double t = 0;
    for (const SimStep& step : path.steps) {
        SimSegment s{t, t, down, x, y, x, y};
        switch (step.kind) {
        case SIM_DOWN:
            down = true;
            x = step.x;
            y = step.y;
            s = SimSegment{t, t, true, x, y, x, y};
            break;
        case SIM_MOVE:
            s = SimSegment{t, t + step.ms, true, x, y, step.x, step.y};
            down = true;
            x = step.x;
            y = step.y;
            t += step.ms;
            break;
        case SIM_HOLD:
            s = SimSegment{t, t + step.ms, down, x, y, x, y};
            t += step.ms;
            break;
        case SIM_LIFT:
            down = false;
            s = SimSegment{t, t, false, x, y, x, y};
            break;
        }
        next.segments.push_back(s);
    }
    next.end = now + t;
    f = std::move(next);
}

} // namespace

SimPath& simDown(SimPath& path, double x, double y) {
    path.steps.push_back(SimStep{SIM_DOWN, x, y, 0});
    return path;
}

SimPath& simMove(SimPath& path, double x, double y, DWORD ms) {
    path.steps.push_back(SimStep{SIM_MOVE, x, y, ms});
    return path;
}

SimPath& simHold(SimPath& path, DWORD ms) {
    path.steps.push_back(SimStep{SIM_HOLD, 0, 0, ms});
    return path;
}

SimPath& simLift(SimPath& path) {
    path.steps.push_back(SimStep{SIM_LIFT, 0, 0, 0});
    return path;
}

void simboardPlay(SimBoard* board, int sensor, const SimPath& path) {
    if (validSensor(board, sensor))
        playPath(board, sensor, path);
}

bool simboardFingerIdle(const SimBoard* board, int sensor) {
    if (!validSensor(board, sensor))
        return true;
    Locked locked(board);
    return simboardNowMs() >= board->sensors[size_t(sensor)].finger.end;
}

bool simboardWaitFinger(SimBoard* board, int sensor, DWORD timeoutMs, bool pumpMessages) {
    double deadline = simboardNowMs() + timeoutMs;
    while (!simboardFingerIdle(board, sensor)) {
        if (simboardNowMs() >= deadline)
            return false;
        waitPumping(2, pumpMessages);
    }
    return true;
}

void simboardFingerDown(SimBoard* board, int sensor, double x, double y, SimUnits units) {
    SimPath path;
    path.units = units;
    simboardPlay(board, sensor, simDown(path, x, y));
}

void simboardFingerLift(SimBoard* board, int sensor) {
    SimPath path;
    simboardPlay(board, sensor, simLift(path));
}

void simboardTap(SimBoard* board, int sensor, double x, double y, DWORD ms, SimUnits units, bool pumpMessages,
                 DWORD settleMs) {
    SimPath path;
    path.units = units;
    simLift(simHold(simDown(path, x, y), ms));
    simboardPlay(board, sensor, path);
    simboardWaitFinger(board, sensor, ms + 30000, pumpMessages);
    double until = simboardNowMs() + settleMs;
    while (simboardNowMs() < until)
        waitPumping(2, pumpMessages);
}

void simboardDrag(SimBoard* board, int sensor, double x1, double y1, double x2, double y2, DWORD ms,
                  SimUnits units, bool pumpMessages, DWORD settleMs) {
    SimPath path;
    path.units = units;
    simLift(simMove(simDown(path, x1, y1), x2, y2, ms));
    simboardPlay(board, sensor, path);
    simboardWaitFinger(board, sensor, ms + 30000, pumpMessages);
    double until = simboardNowMs() + settleMs;
    while (simboardNowMs() < until)
        waitPumping(2, pumpMessages);
}

bool simboardFingerPoint(SimBoard* board, int sensor, int* x, int* y) {
    if (!validSensor(board, sensor))
        return false;
    Locked locked(board);
    double sx, sy;
    if (!fingerSensorPoint(board, board->sensors[size_t(sensor)].finger, simboardNowMs(), &sx, &sy))
        return false;
    return roundToSensor(sx, sy, x, y);
}
