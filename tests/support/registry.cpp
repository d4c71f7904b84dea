// Registry helpers: the program's key, values as text, and a scratch HKCU per test.
#include "tests/support/registry.h"

#include <cstdio>

bool deleteTolvexKey() {
    const LSTATUS status = RegDeleteTreeA(HKEY_CURRENT_USER, TOLVEX_KEY);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        return false;
    RegDeleteKeyA(HKEY_CURRENT_USER, TOLVEX_KEY);
    return !registryKeyExists(HKEY_CURRENT_USER, TOLVEX_KEY);
}

bool registryKeyExists(HKEY root, const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool readRegistryText(HKEY root, const char* path, const char* value, std::string* text) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    BYTE data[4096];
    DWORD size = sizeof data;
    const LSTATUS status = RegQueryValueExA(key, value, nullptr, &type, data, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return false;
    if (type == REG_DWORD && size == 4) {
        DWORD number;
        memcpy(&number, data, 4);
        *text = std::to_string(number);
        return true;
    }
    std::string s(reinterpret_cast<const char*>(data), size);
    while (!s.empty() && s.back() == '\0')
        s.pop_back();
    *text = s;
    return true;
}

bool writeRegistryText(HKEY root, const char* path, const char* value, const std::string& text) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LSTATUS status = RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                                          static_cast<DWORD>(text.size()));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

std::vector<std::string> registryValueNames(HKEY root, const char* path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

ScratchCurrentUser::ScratchCurrentUser() {
    static LONG counter = 0;
    char name[96];
    std::snprintf(name, sizeof name, "Software\\VelmoraTestScratch\\%lu-%ld", GetCurrentProcessId(),
                  InterlockedIncrement(&counter));
    path = name;
    RegDeleteTreeA(HKEY_CURRENT_USER, name);
    if (RegCreateKeyExA(HKEY_CURRENT_USER, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        key = nullptr;
        return;
    }
    RegOverridePredefKey(HKEY_CURRENT_USER, key);
}

ScratchCurrentUser::~ScratchCurrentUser() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (key)
        RegCloseKey(key);
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}
