// The eight window classes as start-up registers them: names, styles, window bytes, cursors,
// brushes and icon; and the layering helper the windows use.
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/shared/layered.h"
#include "app/window_classes.h"
#include "app/window_procs.h"
#include "resources/resource_ids.h"

namespace {

struct Expected {
    const char* name;
    WNDPROC proc;
    UINT style;
    int windowExtra;
    bool pageCursor;
    COLORREF background;
};

const Expected EXPECTED[8] = {
    {"Velmora", mainWindowProc, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS, 0, false, RGB(255, 255, 255)},
    {"qv_sysset", settingsWindowProc, CS_DBLCLKS, 0, false, RGB(205, 205, 205)},
    {"qv_help", helpWindowProc, CS_DBLCLKS, 0, false, RGB(255, 255, 255)},
    {"qv_tool", paletteWindowProc, CS_DBLCLKS, 0, false, RGB(200, 200, 200)},
    {"qv_tool_button", toolButtonProc, CS_DBLCLKS, sizeof(LONG_PTR), false, RGB(200, 200, 200)},
    {"qv_page", pageWindowProc, CS_DBLCLKS, sizeof(LONG_PTR), true, RGB(200, 200, 200)},
    {"qv_pageparent", pageContainerProc, CS_DBLCLKS, sizeof(LONG_PTR), true, RGB(200, 200, 200)},
    {"qv_dingwei", calibrationWindowProc, CS_DBLCLKS, sizeof(LONG_PTR), false, RGB(200, 200, 200)},
};

HINSTANCE self() {
    return GetModuleHandleA(nullptr);
}

bool registered = false;

void registerOnce() {
    if (!registered)
        registered = registerWindowClasses(self());
    ASSERT_TRUE(registered) << "error " << GetLastError();
}

} // namespace

TEST(WindowClasses, EachClassIsAsTheTableSays) {
    registerOnce();
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR pen = LoadCursorA(self(), MAKEINTRESOURCEA(IDCUR_PEN));
    ASSERT_NE(nullptr, pen) << "cursor 104 is in the resources";
    for (int i = 0; i < 8; ++i) {
        const Expected& e = EXPECTED[i];
        SCOPED_TRACE(e.name);
        EXPECT_STREQ(e.name, WINDOW_CLASS_NAMES[i]) << "registration order";
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        ASSERT_TRUE(GetClassInfoExA(self(), e.name, &wc));
        EXPECT_EQ(e.proc, wc.lpfnWndProc);
        EXPECT_EQ(e.style, wc.style);
        EXPECT_EQ(0, wc.cbClsExtra);
        EXPECT_EQ(e.windowExtra, wc.cbWndExtra);
        EXPECT_EQ(e.pageCursor ? pen : arrow, wc.hCursor);
        EXPECT_NE(nullptr, wc.hIcon) << "icon 103";
        EXPECT_EQ(nullptr, wc.lpszMenuName);
        LOGBRUSH brush = {};
        ASSERT_EQ(static_cast<int>(sizeof brush), GetObjectA(wc.hbrBackground, sizeof brush, &brush));
        EXPECT_EQ(static_cast<UINT>(BS_SOLID), brush.lbStyle);
        EXPECT_EQ(e.background, brush.lbColor);
    }
}

TEST(WindowClasses, ASecondRegistrationReportsTheFirstClassFailing) {
    registerOnce();
    EXPECT_FALSE(registerWindowClasses(self())) << "\"Velmora\" exists already";
    EXPECT_EQ(static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS), GetLastError());
}

TEST(Layering, IsSkippedWithoutTheEntryPointAndAppliedWithIt) {
    HWND hwnd = CreateWindowExA(WS_EX_LAYERED, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, self(),
                                nullptr);
    ASSERT_NE(nullptr, hwnd);
    const SetLayeredWindowAttributesFn found = setLayeredWindowAttributes;
    setLayeredWindowAttributes = nullptr; // as when the lookup in User32.DLL failed
    EXPECT_FALSE(setLayered(hwnd, 0, 128, LWA_ALPHA));
    setLayeredWindowAttributes = reinterpret_cast<SetLayeredWindowAttributesFn>(
        reinterpret_cast<void*>(GetProcAddress(user32Module, "SetLayeredWindowAttributes")));
    ASSERT_NE(nullptr, setLayeredWindowAttributes) << "the static initialiser loaded User32.DLL";
    EXPECT_TRUE(setLayered(hwnd, 0, 128, LWA_ALPHA));
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(hwnd, nullptr, &alpha, &flags));
    EXPECT_EQ(128, alpha);
    EXPECT_EQ(static_cast<DWORD>(LWA_ALPHA), flags);
    setLayeredWindowAttributes = found;
    DestroyWindow(hwnd);
}
