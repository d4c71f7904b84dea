// The simulated board's device list in the registry, where the simulated device seam finds the sensors.
#include "tools/simboard/simboard_internal.h"

#include <cstdio>
#include <cstring>

namespace simboard_internal {

// The list lives under the user's own hive, opened with RegOpenCurrentUser: a test that redirects
// HKEY_CURRENT_USER to a scratch key (RegOverridePredefKey) still shares the list with the program.
void writeDeviceList(const SimBoard* board) {
    HKEY user = nullptr;
    if (RegOpenCurrentUser(KEY_ALL_ACCESS, &user) != ERROR_SUCCESS)
        return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(user, SIMBOARD_DEVICES_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
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
            char name[16], data[400];
            snprintf(name, sizeof name, "%d", index++);
            snprintf(data, sizeof data, "%04x %04x %s %s", s.config.vendorId, s.config.productId,
                     s.config.refuseOpen      ? "refuse"
                     : s.config.cancelIgnored ? "nocancel"
                                              : "open",
                     s.pipePath.c_str());
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                           DWORD(strlen(data) + 1));
        }
        RegCloseKey(key);
    }
    RegCloseKey(user);
}

void removeDeviceList() {
    HKEY user = nullptr;
    if (RegOpenCurrentUser(KEY_ALL_ACCESS, &user) != ERROR_SUCCESS)
        return;
    RegDeleteKeyA(user, SIMBOARD_DEVICES_KEY);
    RegDeleteKeyA(user, "Software\\VelmoraSimBoard"); // only when nothing else is left in it
    RegCloseKey(user);
}

} // namespace simboard_internal
