#pragma once
// The program's window classes: the eight of the main window and its windows, and the hold ring.
#include <windows.h>

#include "win32/class_names.h"

// Registers the classes in their fixed order. Only the first registration ("Velmora") is
// tested: returns false when it failed. The other results are not examined.
bool registerWindowClasses(HINSTANCE instance);
