#pragma once
// Registry helpers: the program's key, values as text, and a scratch HKCU per test.
#include <windows.h>

#include <string>
#include <vector>

constexpr const char* TOLVEX_KEY = "SOFTWARE\\Tolvex";

// Removes HKCU\SOFTWARE\Tolvex with everything in it; true when it is gone (or was never there).
bool deleteTolvexKey();
bool registryKeyExists(HKEY root, const char* path);
// A value as text: REG_SZ with or without a terminating zero byte, REG_DWORD in decimal; false
// when it is missing.
bool readRegistryText(HKEY root, const char* path, const char* value, std::string* text);
// Writes a REG_SZ of exactly these bytes (no terminating zero, as the program writes them).
bool writeRegistryText(HKEY root, const char* path, const char* value, const std::string& text);
// The names of the values under a key, in enumeration order.
std::vector<std::string> registryValueNames(HKEY root, const char* path);

// Points HKEY_CURRENT_USER of this process at a fresh scratch key for the duration of one test
// (RegOverridePredefKey), and removes it afterwards. Create one at the start of a test that
// writes the registry; the program's code then sees an empty HKCU of its own.
struct ScratchCurrentUser {
    ScratchCurrentUser();
    ~ScratchCurrentUser();
    ScratchCurrentUser(const ScratchCurrentUser&) = delete;
    ScratchCurrentUser& operator=(const ScratchCurrentUser&) = delete;
    HKEY key = nullptr;
    std::string path; // under the real HKCU
};
