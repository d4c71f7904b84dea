#include "touch/pointer_injection.h"

#include <windows.h>

const PointerOutput systemPointer = {
    [](int32_t x, int32_t y) { SetCursorPos(x, y); },
    [](uint32_t flags, int32_t x, int32_t y) {
        mouse_event(flags, static_cast<DWORD>(x), static_cast<DWORD>(y), 0, 0);
    },
    []() -> uint32_t { return GetTickCount(); },
    [](uint32_t ms) { Sleep(ms); },
    []() { return GetSystemMetrics(SM_SWAPBUTTON) != 0; },
};

const PointerOutput virtualDeskPointer = {
    systemPointer.setCursorPos,
    [](uint32_t flags, int32_t x, int32_t y) {
        mouse_event(flags | MOUSEEVENTF_VIRTUALDESK, static_cast<DWORD>(x), static_cast<DWORD>(y), 0, 0);
    },
    systemPointer.tickCount,
    systemPointer.sleepMs,
    systemPointer.buttonsSwapped,
};
