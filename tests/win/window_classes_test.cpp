// The window classes as start-up registers them, as properties every class keeps (one procedure
// each, the program's icon, the pen only over the pages, the record word only where a record is
// kept), and the layering helper the windows use.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "touch/hold_ring_window.h"
#include "app/main_window.h"
#include "app/settings_window.h"
#include "app/help_window.h"
#include "palette/palette_window.h"
#include "palette/tool_button.h"
#include "palette/tool_strip.h"
#include "pages/page_window.h"
#include "pages/page_container.h"
#include "pages/text_box.h"
#include "presenting/presenting.h"
#include "calibration/calibration_window.h"
#include "board/board_bar.h"
#include "win32/key_colour.h"
#include "win32/layered.h"
#include "app/window_classes.h"
#include "resources/resource_ids.h"

namespace {

HINSTANCE self() {
    return GetModuleHandleA(nullptr);
}

bool registered = false;

void registerOnce() {
    if (!registered)
        registered = registerWindowClasses(self());
    ASSERT_TRUE(registered) << "error " << GetLastError();
}

WNDCLASSEXA classInfo(const char* name) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    EXPECT_TRUE(GetClassInfoExA(self(), name, &wc)) << name << " is registered";
    return wc;
}

bool isPageClass(const std::string& name) {
    return name == "qv_page" || name == "qv_pageparent";
}

} // namespace

TEST(WindowClasses, EveryClassHasItsOwnProcedureTheIconAndASolidBackground) {
    registerOnce();
    const std::set<WNDPROC> declared = {
        mainWindowProc, settingsWindowProc, helpWindowProc,        paletteWindowProc,   toolButtonProc,
        pageWindowProc, pageContainerProc,  calibrationWindowProc, holdRingProc,        boardBarProc,
        toolStripProc,  textBoxProc,        pointerWindowProc,     spotlightWindowProc, shadeWindowProc};
    std::set<WNDPROC> procedures;
    for (int i = 0; i < WINDOW_CLASS_COUNT; ++i) {
        SCOPED_TRACE(WINDOW_CLASS_NAMES[i]);
        const WNDCLASSEXA wc = classInfo(WINDOW_CLASS_NAMES[i]);
        EXPECT_TRUE(declared.count(wc.lpfnWndProc)) << "a procedure declared by its subsystem's header";
        procedures.insert(wc.lpfnWndProc);
        EXPECT_EQ(0, wc.cbClsExtra);
        EXPECT_NE(nullptr, wc.hIcon) << "icon 103";
        EXPECT_EQ(nullptr, wc.lpszMenuName);
        LOGBRUSH brush = {};
        ASSERT_EQ(static_cast<int>(sizeof brush), GetObjectA(wc.hbrBackground, sizeof brush, &brush));
        EXPECT_EQ(static_cast<UINT>(BS_SOLID), brush.lbStyle);
    }
    EXPECT_EQ(size_t(WINDOW_CLASS_COUNT), procedures.size()) << "no two classes share a procedure";
    EXPECT_STREQ("Velmora", WINDOW_CLASS_NAMES[0]) << "the main window's class is registered first";
}

TEST(WindowClasses, ThePagesAloneShowThePenAndKeepTheirRecordInAWindowWord) {
    registerOnce();
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR pen = LoadCursorA(self(), MAKEINTRESOURCEA(IDCUR_PEN));
    ASSERT_NE(nullptr, pen) << "cursor 104 is in the resources";
    for (int i = 0; i < WINDOW_CLASS_COUNT; ++i) {
        SCOPED_TRACE(WINDOW_CLASS_NAMES[i]);
        const WNDCLASSEXA wc = classInfo(WINDOW_CLASS_NAMES[i]);
        EXPECT_EQ(isPageClass(WINDOW_CLASS_NAMES[i]) ? pen : arrow, wc.hCursor);
        EXPECT_TRUE(wc.cbWndExtra == 0 || wc.cbWndExtra == static_cast<int>(sizeof(LONG_PTR)))
            << "window bytes " << wc.cbWndExtra << ": none, or one word for a record's address";
        if (isPageClass(WINDOW_CLASS_NAMES[i])) {
            EXPECT_EQ(static_cast<int>(sizeof(LONG_PTR)), wc.cbWndExtra) << "the page's record";
        }
    }
}

TEST(WindowClasses, OnlyTheMainWindowRedrawsWholeAndOnlyTheHoldRingIgnoresDoubleClicks) {
    registerOnce();
    for (int i = 0; i < WINDOW_CLASS_COUNT; ++i) {
        const std::string name = WINDOW_CLASS_NAMES[i];
        SCOPED_TRACE(name);
        const UINT style = classInfo(name.c_str()).style;
        EXPECT_EQ(name == "Velmora" ? UINT(CS_VREDRAW | CS_HREDRAW) : 0u, style & (CS_VREDRAW | CS_HREDRAW))
            << std::hex << style;
        EXPECT_EQ(name == "qv_hold_ring" ? 0u : UINT(CS_DBLCLKS), style & CS_DBLCLKS) << std::hex << style;
        EXPECT_EQ(0u, style & ~UINT(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS)) << std::hex << style;
    }
}

// The palette, its buttons, the pages, their containers and the calibration window are keyed or
// cleared with the key colour: a class background of any other colour shows through as a frame.
TEST(WindowClasses, WindowsOverTheBoardHaveTheKeyColourBehindThem) {
    registerOnce();
    const std::set<std::string> keyed = {"qv_tool",    "qv_tool_button", "qv_page", "qv_pageparent",
                                         "qv_dingwei", "qv_text_box",    "qv_shade"};
    for (int i = 0; i < WINDOW_CLASS_COUNT; ++i) {
        if (!keyed.count(WINDOW_CLASS_NAMES[i]))
            continue;
        SCOPED_TRACE(WINDOW_CLASS_NAMES[i]);
        LOGBRUSH brush = {};
        ASSERT_EQ(static_cast<int>(sizeof brush),
                  GetObjectA(classInfo(WINDOW_CLASS_NAMES[i]).hbrBackground, sizeof brush, &brush));
        EXPECT_EQ(KEY_COLOUR, brush.lbColor) << std::hex << brush.lbColor;
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
