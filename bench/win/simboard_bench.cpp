// How fast the simulated board serves: round trips (9-byte command, 10-byte reply) per second on
// one connection and on four connections at once, and how many device enumerations through the
// simulated seam per second (each reads the board's list from the registry). Prints figures.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "sensor/device_seam.h"
#include "tools/simboard/simboard.h"

namespace {

const uint8_t GET[9] = {0x00, 0xA0, 0x01, 0, 0, 0, 0, 0, 0x60};

bool roundTrip(HANDLE h, HANDLE event) {
    uint8_t out[9], in[10];
    memcpy(out, GET, 9);
    DWORD n = 0;
    OVERLAPPED ov{};
    ov.hEvent = event;
    if (!WriteFile(h, out, 9, nullptr, &ov) && GetLastError() != ERROR_IO_PENDING)
        return false;
    if (WaitForSingleObject(event, 1000) != WAIT_OBJECT_0 || !GetOverlappedResult(h, &ov, &n, FALSE))
        return false;
    ov = OVERLAPPED{};
    ov.hEvent = event;
    if (!ReadFile(h, in, 10, nullptr, &ov) && GetLastError() != ERROR_IO_PENDING)
        return false;
    return WaitForSingleObject(event, 1000) == WAIT_OBJECT_0 && GetOverlappedResult(h, &ov, &n, FALSE) &&
           n == 10 && in[1] == 0x0A;
}

struct Worker {
    std::string path;
    int rounds;
    int done;
};

DWORD WINAPI worker(void* parameter) {
    Worker* w = static_cast<Worker*>(parameter);
    HANDLE h = CreateFileA(w->path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    w->done = 0;
    if (h != INVALID_HANDLE_VALUE)
        for (int i = 0; i < w->rounds && roundTrip(h, event); ++i)
            ++w->done;
    CloseHandle(event);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    return 0;
}

double roundTripsPerSecond(SimBoard* board, int threads, int rounds) {
    Worker workers[8];
    HANDLE handles[8];
    double start = simboardNowMs();
    for (int i = 0; i < threads; ++i) {
        workers[i] = Worker{simboardPipePath(board, 0), rounds, 0};
        handles[i] = CreateThread(nullptr, 0, worker, &workers[i], 0, nullptr);
    }
    WaitForMultipleObjects(DWORD(threads), handles, TRUE, INFINITE);
    double seconds = (simboardNowMs() - start) / 1000.0;
    int total = 0;
    for (int i = 0; i < threads; ++i) {
        total += workers[i].done;
        CloseHandle(handles[i]);
    }
    return total / seconds;
}

double enumerationsPerSecond(int count) {
    double start = simboardNowMs();
    int found = 0;
    for (int i = 0; i < count; ++i) {
        GUID guid;
        deviceSeam.getHidGuid(&guid);
        HDEVINFO set =
            deviceSeam.getClassDevs(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        for (DWORD index = 0; deviceSeam.enumDeviceInterfaces(set, nullptr, &guid, index, &data); ++index)
            ++found;
        deviceSeam.destroyDeviceInfoList(set);
    }
    double seconds = (simboardNowMs() - start) / 1000.0;
    return found ? count / seconds : 0;
}

} // namespace

int main() {
    SimBoard* board = simboardStart();
    if (!board) {
        printf("the board could not start (error %lu)\n", GetLastError());
        return 1;
    }
    roundTripsPerSecond(board, 1, 200); // warm up
    double one = roundTripsPerSecond(board, 1, 5000);
    double four = roundTripsPerSecond(board, 4, 2500);
    double lists = enumerationsPerSecond(2000);
    printf("simulated board, Get round trips on one connection:    %8.0f per second (%.1f us each)\n", one,
           1e6 / one);
    printf("simulated board, Get round trips on four connections:  %8.0f per second in all\n", four);
    printf("simulated seam, enumerations of a one-sensor list:      %8.0f per second\n", lists);
    simboardStop(board);
    return 0;
}
