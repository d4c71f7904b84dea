#include "app/shared/layered.h"

#include "app/app_state.h"

BOOL setLayered(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) {
    if (!setLayeredWindowAttributes)
        return FALSE;
    return setLayeredWindowAttributes(hwnd, key, alpha, flags);
}
