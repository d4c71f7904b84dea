// The window classes, registered by WinMain before the main window is created.
#include "app/window_classes.h"

#include "win32/key_colour.h"
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
#include "resources/resource_ids.h"

namespace {

constexpr int ICON_ID = IDI_VELMORA;      // the program's icon group, 103
constexpr int PAGE_CURSOR_ID = IDCUR_PEN; // cursor group 104, of the pages and their containers

// A child's record address lives in window word 0: 4 bytes on a 32-bit build, 8 on 64-bit.
constexpr int RECORD_WORD = sizeof(LONG_PTR);
static_assert(sizeof(void*) != 4 || RECORD_WORD == 4, "record word on 32-bit");

enum ClassCursor { ARROW_CURSOR, PAGE_CURSOR };

struct ClassEntry {
    const char* name;
    WNDPROC proc;
    UINT style;
    int windowExtra;
    ClassCursor cursor;
    COLORREF background;
};

const ClassEntry CLASSES[WINDOW_CLASS_COUNT] = {
    {WINDOW_CLASS_NAMES[0], mainWindowProc, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS, 0, ARROW_CURSOR,
     RGB(255, 255, 255)},
    {WINDOW_CLASS_NAMES[1], settingsWindowProc, CS_DBLCLKS, 0, ARROW_CURSOR, RGB(205, 205, 205)},
    {WINDOW_CLASS_NAMES[2], helpWindowProc, CS_DBLCLKS, 0, ARROW_CURSOR, RGB(255, 255, 255)},
    {WINDOW_CLASS_NAMES[3], paletteWindowProc, CS_DBLCLKS, 0, ARROW_CURSOR, KEY_COLOUR},
    {WINDOW_CLASS_NAMES[4], toolButtonProc, CS_DBLCLKS, RECORD_WORD, ARROW_CURSOR, KEY_COLOUR},
    {WINDOW_CLASS_NAMES[5], pageWindowProc, CS_DBLCLKS, RECORD_WORD, PAGE_CURSOR, KEY_COLOUR},
    {WINDOW_CLASS_NAMES[6], pageContainerProc, CS_DBLCLKS, RECORD_WORD, PAGE_CURSOR, KEY_COLOUR},
    {WINDOW_CLASS_NAMES[7], calibrationWindowProc, CS_DBLCLKS, RECORD_WORD, ARROW_CURSOR, KEY_COLOUR},
    {WINDOW_CLASS_NAMES[8], holdRingProc, 0, 0, ARROW_CURSOR, RGB(0, 0, 0)},
    {WINDOW_CLASS_NAMES[9], boardBarProc, CS_DBLCLKS, 0, ARROW_CURSOR, KEY_COLOUR},
    {WINDOW_CLASS_NAMES[10], toolStripProc, CS_DBLCLKS, 0, ARROW_CURSOR, KEY_COLOUR},
    {WINDOW_CLASS_NAMES[11], textBoxProc, CS_DBLCLKS, 0, ARROW_CURSOR, KEY_COLOUR},
    {WINDOW_CLASS_NAMES[12], pointerWindowProc, CS_DBLCLKS, 0, ARROW_CURSOR, KEY_COLOUR},
    {WINDOW_CLASS_NAMES[13], spotlightWindowProc, CS_DBLCLKS, 0, ARROW_CURSOR, KEY_COLOUR},
    {WINDOW_CLASS_NAMES[14], shadeWindowProc, CS_DBLCLKS, 0, ARROW_CURSOR, KEY_COLOUR},
};

ATOM registerClass(HINSTANCE instance, const ClassEntry& entry) {
    WNDCLASSA wc = {};
    wc.style = entry.style;
    wc.lpfnWndProc = entry.proc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = entry.windowExtra;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(ICON_ID));
    wc.hCursor = entry.cursor == PAGE_CURSOR ? LoadCursorA(instance, MAKEINTRESOURCEA(PAGE_CURSOR_ID))
                                             : LoadCursorA(nullptr, IDC_ARROW);
    // The brush belongs to the class for the life of the process.
    wc.hbrBackground = CreateSolidBrush(entry.background);
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = entry.name;
    const ATOM atom = RegisterClassA(&wc);
    if (!atom)
        DeleteObject(wc.hbrBackground);
    return atom;
}

} // namespace

bool registerWindowClasses(HINSTANCE instance) {
    if (!registerClass(instance, CLASSES[0]))
        return false;
    for (int i = 1; i < WINDOW_CLASS_COUNT; ++i)
        registerClass(instance, CLASSES[i]);
    return true;
}
