#include "win32/no_activate.h"

namespace {

constexpr UINT KEEP_PLACE_AND_FOCUS = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

} // namespace

void addNoActivateStyle(HWND hwnd) {
    SetWindowLongPtrA(hwnd, GWL_EXSTYLE, GetWindowLongPtrA(hwnd, GWL_EXSTYLE) | NO_ACTIVATE_EX_STYLE);
}

bool showWithoutActivating(HWND hwnd) {
    return ShowWindow(hwnd, SW_SHOWNOACTIVATE) != FALSE;
}

void raiseTopmost(HWND hwnd) {
    if (hwnd)
        SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, KEEP_PLACE_AND_FOCUS);
}

void raiseWithoutActivating(HWND hwnd) {
    if (hwnd)
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, KEEP_PLACE_AND_FOCUS);
}
