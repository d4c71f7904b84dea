#include "win32/program.h"

HINSTANCE hInstance = nullptr;
std::atomic<HWND> hwndMain{nullptr};
HWND hwndPalette = nullptr;
