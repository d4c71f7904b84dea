// Finding other processes' windows and message boxes, and watching window creation.
#include "tests/support/find_windows.h"

#include <commctrl.h>

#include <mutex>

#include "tests/support/flush_events.h"

namespace {

struct EnumQuery {
    const char* className;
    DWORD processId;
    std::vector<HWND>* found;
};

BOOL CALLBACK collectWindow(HWND hwnd, LPARAM lParam) {
    auto* query = reinterpret_cast<EnumQuery*>(lParam);
    if (query->processId) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid != query->processId)
            return TRUE;
    }
    if (query->className && windowClassName(hwnd) != query->className)
        return TRUE;
    query->found->push_back(hwnd);
    return TRUE;
}

// The pause between two looks of a wait: 10 ms, pumping this thread's messages when asked.
void pauseBetweenLooks(bool pumpMessages) {
    if (pumpMessages)
        flushEvents(10);
    else
        Sleep(10);
}

} // namespace

std::string windowText(HWND hwnd) {
    char text[1024] = {};
    const int length = GetWindowTextA(hwnd, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

std::string windowClassName(HWND hwnd) {
    char name[256] = {};
    const int length = GetClassNameA(hwnd, name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
}

std::vector<HWND> topLevelWindows(const char* className, DWORD processId) {
    std::vector<HWND> found;
    EnumQuery query = {className, processId, &found};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&query));
    return found;
}

HWND findTopLevelWindow(const char* className, DWORD processId) {
    std::vector<HWND> found = topLevelWindows(className, processId);
    return found.empty() ? nullptr : found.front();
}

HWND waitTopLevelWindow(const char* className, DWORD processId, DWORD timeoutMs, bool pumpMessages) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND hwnd = findTopLevelWindow(className, processId))
            return hwnd;
        if (GetTickCount() - start >= timeoutMs)
            return nullptr;
        pauseBetweenLooks(pumpMessages);
    }
}

HWND waitMessageBox(DWORD processId, DWORD timeoutMs, bool pumpMessages) {
    // The dialog exists before its controls do: wait until it is shown, and so complete.
    const DWORD start = GetTickCount();
    for (;;) {
        for (HWND box : topLevelWindows("#32770", processId))
            if (IsWindowVisible(box))
                return box;
        if (GetTickCount() - start >= timeoutMs)
            return nullptr;
        pauseBetweenLooks(pumpMessages);
    }
}

namespace {

BOOL CALLBACK findStaticText(HWND child, LPARAM lParam) {
    auto* text = reinterpret_cast<std::string*>(lParam);
    if (_stricmp(windowClassName(child).c_str(), "Static") != 0)
        return TRUE;
    std::string t = windowText(child);
    if (t.empty())
        return TRUE; // the icon
    *text = t;
    return FALSE;
}

} // namespace

std::string messageBoxText(HWND box) {
    std::string text;
    EnumChildWindows(box, findStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

std::string messageBoxCaption(HWND box) {
    return windowText(box);
}

void pressMessageBoxOk(HWND box) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// ---- WindowCreationWatch ----------------------------------------------------------------------

namespace {

struct CreatedWindow {
    DWORD processId;
    std::string className;
};

struct WatchState {
    std::mutex lock;
    std::vector<CreatedWindow> created;
};
WatchState watchState;

void CALLBACK onWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG idObject, LONG, DWORD, DWORD) {
    if (event != EVENT_OBJECT_CREATE || idObject != OBJID_WINDOW || !hwnd)
        return;
    if (GetAncestor(hwnd, GA_PARENT) != GetDesktopWindow())
        return;
    CreatedWindow created = {0, windowClassName(hwnd)};
    GetWindowThreadProcessId(hwnd, &created.processId);
    std::lock_guard<std::mutex> hold(watchState.lock);
    watchState.created.push_back(created);
}

} // namespace

WindowCreationWatch::WindowCreationWatch() {
    {
        std::lock_guard<std::mutex> hold(watchState.lock);
        watchState.created.clear();
    }
    hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, onWinEvent, 0, 0,
                           WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
}

WindowCreationWatch::~WindowCreationWatch() {
    if (hook)
        UnhookWinEvent(static_cast<HWINEVENTHOOK>(hook));
}

std::vector<std::string> WindowCreationWatch::classes(DWORD processId) const {
    std::vector<std::string> names;
    std::lock_guard<std::mutex> hold(watchState.lock);
    for (const CreatedWindow& c : watchState.created)
        if (!processId || c.processId == processId)
            names.push_back(c.className);
    return names;
}

bool WindowCreationWatch::sawClass(const char* className, DWORD processId) const {
    for (const std::string& c : classes(processId))
        if (c == className)
            return true;
    return false;
}

std::wstring shownTrayBalloon(DWORD notOfProcess, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        for (HWND tip : topLevelWindows(TOOLTIPS_CLASSA)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(tip, &pid);
            WCHAR text[256] = {};
            DWORD_PTR n = 0;
            if (pid != notOfProcess && IsWindowVisible(tip) &&
                (GetWindowLongA(tip, GWL_STYLE) & TTS_BALLOON) &&
                SendMessageTimeoutW(tip, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                                    2000, &n))
                return text;
        }
        flushEvents(100);
    } while (GetTickCount() - start < timeoutMs);
    return L"";
}
