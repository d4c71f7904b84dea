// The simulated board's device list in the registry, where the simulated device seam finds the sensors.
#include "tools/simboard/simboard_internal.h"

#include <cstdio>
#include <cstring>

namespace {

// The board's keys live under the user's own hive, opened with RegOpenCurrentUser: a test that
// redirects HKEY_CURRENT_USER to a scratch key (RegOverridePredefKey) still shares them with the
// program. The key at path below it, created when missing; null when either cannot be opened.
HKEY createUserKey(const char* path) {
    HKEY user = nullptr;
    if (RegOpenCurrentUser(KEY_ALL_ACCESS, &user) != ERROR_SUCCESS)
        return nullptr;
    HKEY key = nullptr;
    if (RegCreateKeyExA(user, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        key = nullptr;
    RegCloseKey(user);
    return key;
}

void setText(HKEY key, const char* name, const char* text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(strlen(text) + 1));
}

} // namespace

namespace simboard_internal {

void writeDeviceList(const SimBoard* board) {
    HKEY key = createUserKey(SIMBOARD_DEVICES_KEY);
    if (key) {
        for (;;) { // drop the old list
            char name[64];
            DWORD length = sizeof name;
            if (RegEnumValueA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (RegDeleteValueA(key, name) != ERROR_SUCCESS)
                break;
        }
        int index = 0;
        for (const SimSensor& s : board->sensors) {
            if (!s.plugged)
                continue;
            char name[16], data[400], reports[32] = "";
            snprintf(name, sizeof name, "%d", index++);
            if (s.config.inputReportLength != 10 || s.config.outputReportLength != 9)
                snprintf(reports, sizeof reports, "reports:%u:%u ", s.config.inputReportLength,
                         s.config.outputReportLength);
            snprintf(data, sizeof data, "%04x %04x %s %s%s", s.config.vendorId, s.config.productId,
                     s.config.refuseOpen      ? "refuse"
                     : s.config.cancelIgnored ? "nocancel"
                                              : "open",
                     reports, s.pipePath.c_str());
            setText(key, name, data);
        }
        RegCloseKey(key);
    }
}

void removeDeviceList() {
    HKEY user = nullptr;
    if (RegOpenCurrentUser(KEY_ALL_ACCESS, &user) != ERROR_SUCCESS)
        return;
    RegDeleteKeyA(user, SIMBOARD_DEVICES_KEY);
    RegDeleteKeyA(user, SIMBOARD_NOTICES_KEY);
    RegDeleteKeyA(user, "Software\\VelmoraSimBoard"); // only when nothing else is left in it
    RegCloseKey(user);
}

// Each notice is a value of its own, numbered on from the last, so that a watcher that reads the
// key a little late still sees every one in order; the oldest go once more than NOTICES_KEPT are
// there (a watcher reads them long before that).
void announceInterface(const SimBoard* board, int sensor, bool arrival) {
    constexpr unsigned long long NOTICES_KEPT = 32;
    static LONG64 lastNumber = 0; // one board per process at a time
    const unsigned long long number = static_cast<unsigned long long>(InterlockedIncrement64(&lastNumber));
    HKEY key = createUserKey(SIMBOARD_NOTICES_KEY);
    if (key) {
        char name[64], data[400];
        if (number > NOTICES_KEPT) {
            snprintf(name, sizeof name, "%lu-%llu", GetCurrentProcessId(), number - NOTICES_KEPT);
            RegDeleteValueA(key, name);
        }
        snprintf(name, sizeof name, "%lu-%llu", GetCurrentProcessId(), number);
        snprintf(data, sizeof data, "%s %s", arrival ? "arrival" : "removal",
                 board->sensors[size_t(sensor)].pipePath.c_str());
        setText(key, name, data);
        RegCloseKey(key);
    }
}

} // namespace simboard_internal
