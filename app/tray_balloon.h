#pragma once
// A balloon over the tray icon: the record that carries balloons is larger than the icon's own
// first form, so the icon is modified with a copy of its record of that size.
#include <windows.h>

// True when the shell took the balloon; false with no tray icon.
bool showTrayBalloon(const char* title, const char* text);
