#pragma once
// Libraries loaded at run time by name come from System32 only: a copy of the program run from a
// Downloads folder must not load a DLL planted beside it.
#include <windows.h>

// Makes System32 the only directory the process's later loads by name search, where the system
// has SetDefaultDllDirectories (Windows 8, and Windows 7 with KB2533623); looked up at run time, so
// a system without it starts as before. Called first thing in WinMain.
void restrictDllSearchToSystem32();

// Loads a system library from System32: by the search flag where the system knows it, or else by
// its full path in the system directory. Null when it is not there.
HMODULE loadSystemLibrary(const char* name);
