#include "tests/support/wine_options.h"

#include <windows.h>

#include <cstdio>

namespace {

bool underWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

void driverKeyName(const char* exeName, char* keyName, size_t size) {
    std::snprintf(keyName, size, "Software\\Wine\\AppDefaults\\%s\\X11 Driver", exeName);
}

} // namespace

void skipWindowManagerWait() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    skipWindowManagerWaitFor(name);
}

void restoreWindowManagerWait(const char* exeName) {
    if (!underWine())
        return;
    char keyName[MAX_PATH + 64];
    driverKeyName(exeName, keyName, sizeof keyName);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, keyName, "Managed");
}

void skipWindowManagerWaitFor(const char* exeName) {
    if (!underWine())
        return;
    char keyName[MAX_PATH + 64];
    driverKeyName(exeName, keyName, sizeof keyName);
    HKEY key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, keyName, &key) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
        RegCloseKey(key);
    }
}
