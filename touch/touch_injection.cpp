#include "touch/touch_injection.h"

#include <atomic>

#include "app/shared/system_library.h"

namespace {

// Written at start (GUI thread, before the reader thread exists); read by the reader per frame.
std::atomic<InjectTouchInputFn> injectFunction{nullptr};
// Set by the start when injection works; cleared for good by the first refused frame (reader).
std::atomic<bool> injectionWorks{false};

template <typename Fn> Fn lookUp(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

bool injectFrame(const TouchFrame& frame) {
    const InjectTouchInputFn inject = injectFunction.load();
    if (!inject)
        return false;
    const InjectedTouchInfo info = injectedTouchInfo(frame);
    return inject(1, &info) != FALSE;
}

} // namespace

TouchInjectionFunctions systemTouchInjectionFunctions() {
    // user32 is loaded in every GUI process; this takes one more reference, from System32 only.
    const HMODULE user32 = loadSystemLibrary("user32.dll");
    if (!user32)
        return {nullptr, nullptr};
    return {lookUp<InitializeTouchInjectionFn>(user32, "InitializeTouchInjection"),
            lookUp<InjectTouchInputFn>(user32, "InjectTouchInput")};
}

bool startTouchInjection(const TouchInjectionFunctions& functions) {
    const bool works = functions.initialize && functions.inject &&
                       functions.initialize(1, INJECTED_TOUCH_FEEDBACK_DEFAULT) != FALSE;
    injectFunction = works ? functions.inject : nullptr;
    injectionWorks = works;
    return works;
}

bool touchInjectionAvailable() {
    return injectionWorks.load();
}

void touchInjectionRefused() {
    injectionWorks = false;
}

const TouchOutput systemTouch = {
    injectFrame,
    []() -> uint32_t { return GetTickCount(); },
    [](uint32_t ms) { Sleep(ms); },
};

InjectedTouchInfo injectedTouchInfo(const TouchFrame& frame) {
    InjectedTouchInfo info = {};
    info.pointerInfo.pointerType = INJECTED_PT_TOUCH;
    info.pointerInfo.pointerId = frame.id;
    info.pointerInfo.pointerFlags = frame.flags;
    info.pointerInfo.ptPixelLocation = {frame.x, frame.y};
    info.pointerInfo.dwTime = frame.time;
    info.touchMask = INJECTED_TOUCH_MASK_CONTACTAREA;
    info.rcContact = {frame.area.left, frame.area.top, frame.area.right, frame.area.bottom};
    return info;
}

bool ownWindowAt(int32_t x, int32_t y) {
    const HWND window = WindowFromPoint({x, y});
    DWORD process = 0;
    if (window)
        GetWindowThreadProcessId(window, &process);
    return window && process == GetCurrentProcessId();
}
