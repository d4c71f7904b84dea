// A hidden top-level window for hearing the system's broadcasts.
#include "tests/support/hidden_window.h"

HWND createHiddenWindow(const char* className, WNDPROC procedure) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc); // fails when an earlier test of the program registered it: that class serves
    return CreateWindowA(className, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
}

void destroyHiddenWindow(HWND hwnd) {
    char className[256] = {};
    GetClassNameA(hwnd, className, sizeof className);
    DestroyWindow(hwnd);
    UnregisterClassA(className, GetModuleHandleA(nullptr));
}
