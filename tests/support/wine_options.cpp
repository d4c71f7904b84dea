#include "tests/support/wine_options.h"

#include <windows.h>

#include <cstdio>

void skipWindowManagerWait() {
    if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
        return;
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    char keyName[MAX_PATH + 64];
    std::snprintf(keyName, sizeof keyName, "Software\\Wine\\AppDefaults\\%s\\X11 Driver", name);
    HKEY key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, keyName, &key) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
        RegCloseKey(key);
    }
}
