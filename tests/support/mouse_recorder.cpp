// A WH_MOUSE_LL hook on a thread of its own. Low-level hooks are called on the thread that set
// them, through its message queue, so that thread does nothing but pump messages.
#include "tests/support/mouse_recorder.h"

#include <mutex>

namespace {

std::mutex recordLock;
std::vector<MouseRecord> records;
HANDLE hookThread = nullptr;
DWORD hookThreadId = 0;
HANDLE hookReady = nullptr;
bool hookSet = false;

LRESULT CALLBACK onMouse(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* info = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        MouseRecord r = {static_cast<UINT>(wParam), info->pt, (info->flags & LLMHF_INJECTED) != 0,
                         info->time};
        std::lock_guard<std::mutex> hold(recordLock);
        records.push_back(r);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI hookThreadMain(LPVOID) {
    HHOOK hook = SetWindowsHookExA(WH_MOUSE_LL, onMouse, GetModuleHandleA(nullptr), 0);
    hookSet = hook != nullptr;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the queue exists before the starter goes on
    SetEvent(hookReady);
    if (!hook)
        return 1;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    UnhookWindowsHookEx(hook);
    return 0;
}

} // namespace

bool mouseRecorderStart() {
    if (hookThread)
        return hookSet;
    mouseRecorderClear();
    hookReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    hookThread = CreateThread(nullptr, 0, hookThreadMain, nullptr, 0, &hookThreadId);
    if (!hookThread)
        return false;
    WaitForSingleObject(hookReady, 5000);
    CloseHandle(hookReady);
    hookReady = nullptr;
    if (!hookSet) {
        WaitForSingleObject(hookThread, 5000);
        CloseHandle(hookThread);
        hookThread = nullptr;
    }
    return hookSet;
}

void mouseRecorderStop() {
    if (!hookThread)
        return;
    PostThreadMessageA(hookThreadId, WM_QUIT, 0, 0);
    WaitForSingleObject(hookThread, 5000);
    CloseHandle(hookThread);
    hookThread = nullptr;
    hookSet = false;
}

std::vector<MouseRecord> mouseRecorderEvents() {
    std::lock_guard<std::mutex> hold(recordLock);
    return records;
}

void mouseRecorderClear() {
    std::lock_guard<std::mutex> hold(recordLock);
    records.clear();
}

std::vector<MouseRecord> mouseRecorderButtons() {
    std::vector<MouseRecord> buttons;
    for (const MouseRecord& r : mouseRecorderEvents())
        if (r.message != WM_MOUSEMOVE && r.message != WM_MOUSEWHEEL && r.message != WM_MOUSEHWHEEL)
            buttons.push_back(r);
    return buttons;
}
