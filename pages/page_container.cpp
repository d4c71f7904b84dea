// The page container, class "qv_pageparent": a full-screen window right below its page. It is the
// page's backdrop (practically invisible over the desktop, or the opaque grey board) and catches
// the pointer where the page is transparent, handing the mouse message to the page unchanged.
#include "pages/page_container.h"

#include "win32/no_activate.h"
#include "win32/show_hide.h"

namespace {

// Both windows cover the board's monitor from its corner, so the client coordinates in lParam hold for the
// page as they are. A container without a page drops the message.
LRESULT forwardToPage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND page = reinterpret_cast<HWND>(GetWindowLongPtrA(hwnd, 0));
    if (page)
        SendMessageA(page, message, wParam, lParam);
    return 0;
}

} // namespace

PageBackdrop pageBackdrop = {nullptr, nullptr, nullptr, nullptr};

LRESULT CALLBACK pageContainerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        return forwardToPage(hwnd, message, wParam, lParam);
    case WM_MOUSEACTIVATE:
        return NO_ACTIVATE_ON_CLICK;
    case WM_ERASEBKGND:
        // The board's container shows the shown page's background; the other erases with its class.
        if (pageBackdrop.paint && pageBackdrop.paint(hwnd, reinterpret_cast<HDC>(wParam)))
            return 1;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_SYSCOMMAND:
        return refuseCloseCommand(hwnd, wParam, lParam); // the board cannot be closed from the keyboard
    default:
        // Double clicks included: the class has CS_DBLCLKS, and a double click starts nothing.
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
