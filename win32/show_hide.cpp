#include "win32/show_hide.h"

bool toggleShown(HWND hwnd, int showCommand) {
    if (ShowWindow(hwnd, showCommand)) {
        ShowWindow(hwnd, SW_HIDE);
        return false;
    }
    return true;
}

bool hideOnClose(HWND hwnd, WPARAM wParam) {
    if (!isCloseCommand(wParam))
        return false;
    ShowWindow(hwnd, SW_HIDE);
    return true;
}

LRESULT refuseCloseCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (isCloseCommand(wParam))
        return 0;
    return DefWindowProcA(hwnd, WM_SYSCOMMAND, wParam, lParam);
}
