#include "win32/layered.h"

HMODULE user32Module = LoadLibraryA("User32.DLL");
SetLayeredWindowAttributesFn setLayeredWindowAttributes = nullptr;

BOOL setLayered(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) {
    if (!setLayeredWindowAttributes)
        return FALSE;
    return setLayeredWindowAttributes(hwnd, key, alpha, flags);
}
