// Exchanges per second against a simulated sensor that answers at once, beside a bare overlapped
// WriteFile/ReadFile pair on the same pipe handle: what the exchange's own work costs (its lock,
// the discard of waiting reports, fresh records per exchange, the copies). The exchange discards
// waiting reports before every command; the same pair with that flush in front of it, and the
// flush alone, show what that costs beside an exchange without it (exchange minus flush).
#include <cstdio>

#include "sensor/device_seam.h"
#include "sensor/sensor_link.h"
#include "tools/simboard/simboard.h"

namespace {

constexpr int SLICES = 15; // the measurements alternate, so both see the same machine load
constexpr double SLICE_MS = 200;

double nowMs() {
    return simboardNowMs();
}

// Writes the command and reads one reply the plainest way: one event and two records reused.
bool barePair(HANDLE h, const SensorReport& command, SensorReport& reply, HANDLE event) {
    OVERLAPPED ov = {};
    ov.hEvent = event;
    DWORD moved = 0;
    if (!WriteFile(h, command.data(), SENSOR_COMMAND_BYTES, nullptr, &ov) &&
        GetLastError() != ERROR_IO_PENDING)
        return false;
    if (!GetOverlappedResult(h, &ov, &moved, TRUE))
        return false;
    ov = OVERLAPPED{};
    ov.hEvent = event;
    if (!ReadFile(h, reply.data(), SENSOR_REPLY_BYTES, nullptr, &ov) && GetLastError() != ERROR_IO_PENDING)
        return false;
    return GetOverlappedResult(h, &ov, &moved, TRUE) != FALSE;
}

struct Rate {
    long count = 0;
    double ms = 0;
    bool failed = false;
    double perSecond() const { return ms > 0 ? count / (ms / 1000.0) : 0; }
};

// One slice of about SLICE_MS of calls.
template <typename F> void slice(F once, Rate* rate) {
    const double start = nowMs();
    double elapsed = 0;
    while ((elapsed = nowMs() - start) < SLICE_MS) {
        for (int i = 0; i < 20; ++i)
            if (!once())
                rate->failed = true;
        rate->count += 20;
    }
    rate->ms += elapsed;
}

} // namespace

int main() {
    SimBoardConfig config;
    config.broadcastDeviceChange = false;
    SimBoard* board = simboardStart(config);
    if (!board) {
        std::printf("the simulated board did not start (error %lu)\n", GetLastError());
        return 1;
    }
    simboardFingerDown(board, 0, 300, 400, SIM_SENSOR);
    HANDLE h = findSensor();
    if (!h) {
        std::printf("no simulated sensor found\n");
        simboardStop(board);
        return 1;
    }
    const SensorReport get = makeSensorCommand(SENSOR_GET);
    SensorReport reply = {};

    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto exchange = [&] { return exchangeReport(h, get, reply) == EXCHANGE_OK && reply[1] == REPORT_DATA; };
    auto bare = [&] { return barePair(h, get, reply, event) && reply[1] == REPORT_DATA; };
    auto flushedBare = [&] {
        return deviceSeam.flushQueue(h) && barePair(h, get, reply, event) && reply[1] == REPORT_DATA;
    };
    auto flush = [&] { return deviceSeam.flushQueue(h) != FALSE; };
    auto probe = [&] { return probeSensor(h) == 1; };
    for (int i = 0; i < 200; ++i) // warm up
        exchange(), bare(), flushedBare();
    Rate exchanges, pairs, flushedPairs, flushes, probes;
    for (int i = 0; i < SLICES; ++i) {
        slice(exchange, &exchanges);
        slice(bare, &pairs);
        slice(flushedBare, &flushedPairs);
        slice(flush, &flushes);
        slice(probe, &probes);
    }
    CloseHandle(event);

    if (exchanges.failed || pairs.failed || flushedPairs.failed || flushes.failed || probes.failed)
        std::printf("a transfer failed during the run\n");
    const double e = exchanges.perSecond(), b = pairs.perSecond(), fb = flushedPairs.perSecond();
    const double f = flushes.perSecond();
    std::printf("exchangeReport (Get)        : %8.0f per second, %6.1f us each (%ld in %.0f ms)\n", e,
                1e6 / e, exchanges.count, exchanges.ms);
    std::printf("bare WriteFile/ReadFile pair: %8.0f per second, %6.1f us each (%ld in %.0f ms)\n", b,
                1e6 / b, pairs.count, pairs.ms);
    std::printf("flush + bare pair           : %8.0f per second, %6.1f us each (%ld in %.0f ms)\n", fb,
                1e6 / fb, flushedPairs.count, flushedPairs.ms);
    std::printf("flush alone (empty handle)  : %8.0f per second, %6.1f us each\n", f, 1e6 / f);
    std::printf("exchange without its flush  : %8.0f per second, %6.1f us each (exchange minus flush)\n",
                1e6 / (1e6 / e - 1e6 / f), 1e6 / e - 1e6 / f);
    std::printf("ratio exchange / bare pair  : %8.2f\n", e / b);
    std::printf("probeSensor (answered just now): %8.0f per second\n", probes.perSecond());
    CloseHandle(h);
    simboardStop(board);
    return 0;
}
