#include "touch/touch_injection.h"

#include <atomic>

#include "win32/precise_clock.h"
#include "win32/system_library.h"

std::atomic<int32_t> touchChoice{1};

namespace {

// Written by the GUI thread before the reader thread exists; read by the reader as it starts.
std::atomic<InitializeTouchInjectionFn> boundInitialize{nullptr};
std::atomic<InjectTouchInputFn> boundInject{nullptr};
// Written by the start (reader thread, as it begins); read by the reader per frame.
std::atomic<InjectTouchInputFn> injectFunction{nullptr};
// Set by the start when injection works: the GUI thread offers the choice.
std::atomic<bool> injectionStarted{false};
// Set by the reader when it gives touch up, cleared by the GUI thread when the user ticks touch
// again; read by both (the reader at every touch-down, the GUI for the menu's tick).
std::atomic<bool> injectionGivenUp{false};
std::atomic<DWORD> lastRefusal{0}; // written and read by the injecting thread

template <typename Fn> Fn lookUp(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

bool injectFrame(const TouchFrame& frame) {
    const InjectTouchInputFn inject = injectFunction.load();
    if (!inject)
        return false;
    const InjectedTouchInfo info = injectedTouchInfo(frame);
    if (inject(1, &info) != FALSE)
        return true;
    const DWORD error = GetLastError();
    lastRefusal = error;
    char line[96];
    wsprintfA(line, "Velmora: touch frame 0x%lx refused, error %lu\n",
              static_cast<unsigned long>(frame.flags), static_cast<unsigned long>(error));
    OutputDebugStringA(line); // for a technician's debug viewer: which refusals a PC gives
    return false;
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

void bindTouchInjection(const TouchInjectionFunctions& functions) {
    boundInitialize = functions.initialize;
    boundInject = functions.inject;
}

TouchInjectionFunctions boundTouchInjection() {
    return {boundInitialize.load(), boundInject.load()};
}

// "InitializeTouchInjection must precede any call to InjectTouchInput", and a frame's time stamp
// "cannot be more recent than the injecting thread's current tick count or QueryPerformanceCounter
// value": the injecting thread is the one that sets injection up, so both belong to the same thread.
bool startTouchInjection(const TouchInjectionFunctions& functions) {
    const bool works = functions.initialize && functions.inject &&
                       functions.initialize(1, INJECTED_TOUCH_FEEDBACK_DEFAULT) != FALSE;
    injectFunction = works ? functions.inject : nullptr;
    injectionGivenUp = false;
    injectionStarted = works;
    return works;
}

bool touchInjectionStarted() {
    return injectionStarted.load();
}

bool touchInjectionAvailable() {
    return injectionStarted.load() && !injectionGivenUp.load();
}

void giveUpTouchInjection() {
    injectionGivenUp = true;
}

bool resumeTouchInjection() {
    return injectionGivenUp.exchange(false);
}

DWORD lastTouchRefusal() {
    return lastRefusal.load();
}

const TouchOutput systemTouch = {
    injectFrame,
    []() -> uint32_t { return GetTickCount(); },
    [](uint32_t ms) { Sleep(ms); },
    preciseMs,
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
