// The tool palette, class "qv_tool": a round floating window whose 24 shaped buttons pick the
// tool, colour and width, clear the page, undo and redo its steps, save it as a picture, switch
// between drawing over the desktop and on the grey board, hide the palette or bring it home. Its
// creation makes the whole drawing machinery: both pages with their containers, the buttons and a
// tooltip control.
#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstring>

#include "win32/program.h"
#include "win32/settings_record.h"
#include "win32/core/dpi_scale.h"
#include "win32/dpi.h"
#include "win32/drawn_pictures.h"
#include "resources/resource_ids.h"
#include "win32/ids.h"
#include "win32/layered.h"
#include "win32/monitors.h"
#include "win32/no_activate.h"
#include "win32/show_hide.h"
#include "board/board.h"
#include "board/board_pictures.h"
#include "pages/page_save.h"
#include "board/board_bar.h"
#include "palette/palette_state.h"
#include "palette/tool_button.h"
#include "palette/tool_strip.h"
#include "palette/core/tool_strip_layout.h"
#include "presenting/presenting.h"
#include "touch/hold_ring_window.h"

HWND buttonWindows[PALETTE_BUTTON_COUNT] = {};
ButtonRecord buttonRecords[PALETTE_BUTTON_COUNT] = {};
int32_t penWidthIndex = 1;
int32_t eraserSizeIndex = 1;
char tooltipTexts[PALETTE_BUTTON_COUNT][32] = {};
HWND tooltipWindow = nullptr;
HWND pageWindows[2] = {};
HWND containerWindows[2] = {};
PageRecord pageRecords[2] = {};
DrawState drawState = {};
HWND boardBarWindow = nullptr;
HWND toolStripWindow = nullptr;
int32_t paletteDpi = BASE_DPI;

// The tooltip record the palette passes is the common controls' second form; on a 32-bit build it
// is 44 bytes.
constexpr UINT TOOLINFO_SIZE = offsetof(TTTOOLINFOA, lParam) + sizeof(LPARAM); // TTTOOLINFOA_V2_SIZE
static_assert(sizeof(void*) != 4 || TOOLINFO_SIZE == 44, "TOOLINFOA size on 32-bit");

namespace {

// The presenting tool's windows, over them the palette, its open tool strip, and over them the hold
// ring, at the top of the topmost windows.
void raisePaletteAndRing(HWND palette) {
    raisePresenting();
    raiseTopmost(palette);
    if (toolStripWindow && IsWindowVisible(toolStripWindow))
        raiseTopmost(toolStripWindow);
    raiseTopmost(hwndHoldRing.load());
}

PaletteShape paletteShapes[PALETTE_SHAPE_COUNT] = {};

void onPresentingEnded();

HINSTANCE programInstance() {
    return hInstance ? hInstance : GetModuleHandleA(nullptr);
}

void toolChanged(HWND page) {
    if (page)
        SendMessageA(page, UM_PAGE_TOOL_CHANGED, 0, 0);
}

void setLook(int n, int32_t state, int32_t picture, bool repaint) {
    buttonRecords[n].state = state;
    buttonRecords[n].picture = picture;
    if (repaint)
        repaintButton(buttonWindows[n]);
}

void setRimPicture(int n, int32_t picture) {
    buttonRecords[n].picture = picture;
    repaintButton(buttonWindows[n]);
}

// --- creation -----------------------------------------------------------------------------------

void addExStyle(HWND hwnd, LONG_PTR bits) {
    SetWindowLongPtrA(hwnd, GWL_EXSTYLE, GetWindowLongPtrA(hwnd, GWL_EXSTYLE) | bits);
}

// A container and its page over the whole screen. Container 1 is nearly invisible (alpha 1 of
// 255) yet takes the pointer; container 2 is the opaque board. Without the layering call (not
// found at start-up) no window is made layered: a layered window that never gets its attributes
// stays invisible. Neither is ever activated by a touch.
void createPagePair(int i, const RECT& area) {
    const bool layering = setLayeredWindowAttributes != nullptr;
    const int x = area.left, y = area.top, width = area.right - area.left, height = area.bottom - area.top;
    HWND container = CreateWindowExA(0, PAGE_CONTAINER_CLASS, "", WS_POPUP, x, y, width, height, nullptr,
                                     nullptr, programInstance(), nullptr);
    if (i == 0) {
        addExStyle(container, (layering ? WS_EX_LAYERED : 0) | WS_EX_TOOLWINDOW | NO_ACTIVATE_EX_STYLE);
        setLayered(container, 0xFF, 1, LWA_ALPHA);
    } else {
        addExStyle(container, WS_EX_TOOLWINDOW | NO_ACTIVATE_EX_STYLE);
    }
    HWND page = CreateWindowExA(0, PAGE_CLASS, "", WS_POPUP, x, y, width, height, container, nullptr,
                                programInstance(), nullptr);
    addExStyle(page, (layering ? WS_EX_LAYERED : 0) | WS_EX_TOOLWINDOW | NO_ACTIVATE_EX_STYLE);
    setLayered(page, KEY_COLOUR, 255, LWA_COLORKEY);
    SetWindowLongPtrA(container, 0, reinterpret_cast<LONG_PTR>(page));
    containerWindows[i] = container;
    pageWindows[i] = page;
}

// Makes the buttons (create) or fits the made ones to a new scale: every button as large as the
// palette at paletteDpi, with its region scaled alike.
void layOutButtons(HWND palette, bool create) {
    HRGN regions[PALETTE_SHAPE_COUNT] = {};
    buildPaletteShapeRegions(palette, paletteShapes, regions, paletteDpi);
    const int32_t size = paletteSizeForDpi(paletteDpi);
    HRGN rims[2] = {};
    const HRGN noRims[2] = {nullptr, nullptr};
    for (int n : paletteButtonCreationOrder) {
        // The rim scratch regions come right before the buttons that are cut by them.
        if (n == BUTTON_N_BLACK)
            rims[RIM_COLOUR] = combineRecipeRegion(rimRecipes[RIM_COLOUR], regions, noRims);
        if (n == BUTTON_N_WIDTH_0)
            rims[RIM_WIDTH] = combineRecipeRegion(rimRecipes[RIM_WIDTH], regions, noRims);
        const PaletteButtonEntry& entry = paletteButtons[n];
        HRGN region = combineRecipeRegion(entry.region, regions, rims);
        HWND button = buttonWindows[n];
        if (create) {
            button = CreateWindowExA(NO_ACTIVATE_EX_STYLE, TOOL_BUTTON_CLASS, "",
                                     WS_CHILD | (entry.visibleAtCreation ? WS_VISIBLE : 0), 0, 0, size, size,
                                     palette, nullptr, programInstance(), nullptr);
            initButtonRecord(&buttonRecords[n], n);
            attachButtonRecord(button, &buttonRecords[n]);
            buttonWindows[n] = button;
            if (!entry.visibleAtCreation)
                ShowWindow(button, SW_SHOWNORMAL);
        } else {
            SetWindowPos(button, nullptr, 0, 0, size, size, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
        }
        // From here the region belongs to the button; one that cannot be given is ours to delete.
        if (region && !SetWindowRgn(button, region, TRUE))
            DeleteObject(region);
    }
    for (HRGN rim : rims)
        if (rim)
            DeleteObject(rim);
    deletePaletteShapeRegions(regions);
}

// The pen's width and the eraser's size in pixels of the board's monitor, where they draw.
void scaleDrawingSizes() {
    const int32_t dpi = boardDpi();
    drawState.penWidth = scaledForDpi(penWidths[penWidthIndex], dpi);
    drawState.eraserSize = scaledForDpi(eraserSizes[eraserSizeIndex], dpi);
    drawState.dpi = dpi;
}

void createTooltips(HWND palette) {
    tooltipWindow = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, palette, nullptr,
                                    programInstance(), nullptr);
    if (!tooltipWindow)
        return; // the palette works without tips
    SetWindowPos(tooltipWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n) {
        TOOLINFOA info = {};
        info.cbSize = TOOLINFO_SIZE;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = palette;
        info.uId = reinterpret_cast<UINT_PTR>(buttonWindows[n]);
        info.hinst = programInstance();
        info.lpszText = tooltipTexts[n];
        SendMessageA(tooltipWindow, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
}

// The pictures the palette's buttons show, drawn ahead for a scale the resources do not carry.
// The logo comes first: the first paint needs it, and drawn here it is drawn on the second core
// while the first paint draws the normal look and the rims' first markers. Then the rest, so that
// the first press, hover or marker at that scale paints at once.
void drawPalettePicturesAhead(int32_t dpi) {
    static const int32_t ids[] = {IDB_PALETTE_LOGO,    IDB_PALETTE_PRESSED,   IDB_PALETTE_HOVER,
                                  IDB_COLOUR_MARK_RED, IDB_COLOUR_MARK_GREEN, IDB_COLOUR_MARK_BLUE,
                                  IDB_WIDTH_MARK_0,    IDB_WIDTH_MARK_2,      IDB_WIDTH_MARK_3};
    drawPicturesAhead(ids, int32_t(sizeof ids / sizeof ids[0]), dpi);
}

LRESULT onCreate(HWND palette) {
    // The tooltip class must be registered before the control is made, or no tip ever shows.
    INITCOMMONCONTROLSEX icc = {sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n) {
        std::memset(tooltipTexts[n], 0, sizeof tooltipTexts[n]);
        std::strncpy(tooltipTexts[n], paletteButtons[n].tooltip, sizeof tooltipTexts[n] - 1);
    }
    const RECT board = boardArea();
    createPagePair(0, board);
    createPagePair(1, board);
    paletteDpi = dpiOfWindow(palette);
    drawPalettePicturesAhead(paletteDpi);
    layOutButtons(palette, true);

    buttonRecords[BUTTON_N_CLEAR].kind = BUTTON_ACTION;
    buttonRecords[BUTTON_N_DESKTOP].kind = BUTTON_TOGGLE;
    buttonRecords[BUTTON_N_BOARD].kind = BUTTON_TOGGLE;
    setLook(BUTTON_N_PEN, BUTTON_DOWN, PICTURE_PRESSED, false);
    drawState.currentPage = nullptr;
    drawState.tool = IDC_PEN;
    penWidthIndex = 1;
    eraserSizeIndex = 1;
    scaleDrawingSizes();
    drawState.colour = RGB(0, 0, 0);

    for (int i = 0; i < 2; ++i) {
        pageRecords[i] = {nullptr, DRAG_IDLE, &drawState, nullptr, {0, 0}, nullptr, 0};
        SetWindowLongPtrA(pageWindows[i], 0, reinterpret_cast<LONG_PTR>(&pageRecords[i]));
    }
    SendMessageA(pageWindows[0], UM_PAGE_INIT, 0, 0);
    SendMessageA(pageWindows[1], UM_PAGE_INIT, 0, 0);
    // The board page is a stack of pages, back from the disk as it was left.
    openBoard(pageWindows[1], containerWindows[1], pageWindows[0]);
    boardBarWindow = createBoardBar(pageWindows[1], programInstance());
    setBoardBar(boardBarWindow);

    createTooltips(palette);
    toolStripWindow = createToolStrip(palette, programInstance());
    createPresentingWindows(programInstance());
    presentingEndedHook = onPresentingEnded;

    // "Si ejecutar Zarpelo al inicio?" answered yes: the palette shows at start. Posted, so that it
    // shows once the creator has made it layered and topmost.
    if (settings.showPaletteAtStart == 1)
        PostMessageA(palette, UM_PALETTE_START_SHOW, 0, 0);
    return 0;
}

// --- stacking -----------------------------------------------------------------------------------

// Shows a page and its container (its owner), topmost, so that the taskbar, or a window the
// lesson's program brings up, never covers the board; the palette and the ring stay above them.
// Made topmost before they are shown: Wine gives a full-screen window the stacking state it has
// when it is mapped, and later takes back a "topmost" given after that. Stacked again after they
// are shown: Wine maps a newly shown window above all others, the topmost palette included.
void showPagePair(HWND palette, HWND page) {
    HWND container = GetParent(page);
    for (HWND w : {container, page})
        raiseTopmost(w);
    for (HWND w : {container, page})
        showWithoutActivating(w);
    for (HWND w : {container, page})
        raiseTopmost(w);
    raisePaletteAndRing(palette);
}

// The board's bar (when shown), then the palette and the ring: the windows over a shown page.
void raiseAbovePage(HWND palette) {
    if (boardBarWindow && IsWindowVisible(boardBarWindow))
        raiseTopmost(boardBarWindow);
    raisePaletteAndRing(palette);
}

// While a page is shown the palette checks, this often, that it is still above the page, and
// steps back on top if not. Wine raises a full-screen window once more some time after it is
// shown (when the X server has mapped it), and another program's topmost window can come up
// over the board: either would leave the palette under the page, out of reach of a touch.
constexpr UINT_PTR STACK_CHECK_TIMER = 1;
constexpr UINT STACK_CHECK_MS = 500;

bool above(HWND window, HWND page) {
    for (HWND w = GetWindow(page, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV))
        if (w == window)
            return true;
    return false;
}

void onStackCheck(HWND palette) {
    HWND page = drawState.currentPage;
    if (!page || !IsWindowVisible(page))
        page = presentingCover(); // the spotlight or the shade, shown without a page
    if (!page || !IsWindowVisible(page) || !IsWindowVisible(palette)) {
        KillTimer(palette, STACK_CHECK_TIMER);
        return;
    }
    const bool stripUnder = IsWindowVisible(toolStripWindow) && !above(toolStripWindow, page);
    if (!above(palette, page) || stripUnder ||
        (IsWindowVisible(boardBarWindow) && !above(boardBarWindow, page)))
        raiseAbovePage(palette);
}

// Hides a page and its container (its owner). They stay topmost, hidden, covering nothing.
void hidePagePair(HWND page) {
    if (!page)
        return;
    ShowWindow(page, SW_HIDE);
    if (HWND container = GetParent(page))
        ShowWindow(container, SW_HIDE);
}

// --- commands -----------------------------------------------------------------------------------

bool modeOn(int n) {
    return buttonRecords[n].state == BUTTON_DOWN;
}

void onColour(int k) {
    setRimPicture(BUTTON_N_COLOUR_RIM, PICTURE_COLOUR_MARK_FIRST + k);
    drawState.colour = static_cast<COLORREF>(buttonRecords[BUTTON_N_BLACK + k].colour);
    toolChanged(drawState.currentPage);
}

void onWidth(int k) {
    setRimPicture(BUTTON_N_WIDTH_RIM, PICTURE_WIDTH_MARK_FIRST + k);
    if (drawState.tool == IDC_ERASER)
        eraserSizeIndex = k;
    else
        penWidthIndex = k;
    scaleDrawingSizes();
    toolChanged(drawState.currentPage);
}

// The "more tools" button shows the pressed look while the strip is open or one of its tools is in
// use (the pen's button then no longer shows which tool draws); the strip shows which one.
void showStripState() {
    const bool on = IsWindowVisible(toolStripWindow) || stripToolOfCommand(drawState.tool) >= 0;
    setLook(BUTTON_N_MORE_TOOLS, on ? BUTTON_DOWN : BUTTON_NORMAL, on ? PICTURE_PRESSED : PICTURE_NORMAL,
            true);
    if (toolStripWindow)
        InvalidateRect(toolStripWindow, nullptr, FALSE);
}

void openToolStrip(HWND palette, bool open) {
    showToolStrip(toolStripWindow, palette, open);
    showStripState();
}

int32_t toolBeforePresenting = IDC_PEN; // the tool a presenting tool's end brings back

// A presenting tool ended by itself (Esc ends the spotlight): the tool before it is the tool again.
void onPresentingEnded() {
    if (isPresentingTool(drawState.tool))
        drawState.tool = toolBeforePresenting;
    showStripState();
    toolChanged(drawState.currentPage);
}

// The palette goes (the right eye, the tray's toggle): a presenting tool on ends with it.
void endPresentingTool() {
    if (!presentingTool())
        return;
    endPresenting();
    onPresentingEnded();
}

void onTool(HWND palette, int32_t id) {
    const int32_t old = drawState.tool;
    // A presenting tool on ends before any tool is picked; its own button picked again ends it and
    // brings back the tool in use before it.
    if (isPresentingTool(old)) {
        endPresenting();
        if (id == old)
            id = toolBeforePresenting;
    } else if (isPresentingTool(id)) {
        toolBeforePresenting = old;
    }
    if (old != id) {
        const int oldButton = paletteButtonOfCommand(old);
        if (oldButton >= 0 && paletteButtons[oldButton].commandKind == COMMAND_TOOL)
            setLook(oldButton, BUTTON_NORMAL, PICTURE_NORMAL, true);
        // The width rim shows the width of whatever is in use: the eraser's size or the pen's width.
        if (old != IDC_ERASER && id == IDC_ERASER)
            setRimPicture(BUTTON_N_WIDTH_RIM, PICTURE_WIDTH_MARK_FIRST + eraserSizeIndex);
        else if (old == IDC_ERASER && id != IDC_ERASER)
            setRimPicture(BUTTON_N_WIDTH_RIM, PICTURE_WIDTH_MARK_FIRST + penWidthIndex);
    }
    drawState.tool = id;
    toolChanged(drawState.currentPage);
    // A tool picked, on the ring or in the strip, closes the strip.
    openToolStrip(palette, false);
    if (isPresentingTool(id)) {
        startPresenting(id);
        raisePaletteAndRing(palette);
        SetTimer(palette, STACK_CHECK_TIMER, STACK_CHECK_MS, nullptr);
    }
    // Picking a tool always leaves a page on screen to draw on (the pointer's touches, and the
    // spotlight's inside its circle, come through a page too); the shade takes its own.
    if (id != TOOL_SHADE && !modeOn(BUTTON_N_DESKTOP) && !modeOn(BUTTON_N_BOARD)) {
        setLook(BUTTON_N_DESKTOP, BUTTON_DOWN, PICTURE_HOVER, true);
        SendMessageA(palette, WM_COMMAND, IDC_DESKTOP, 0);
    }
}

// Desktop mode (i = 0) or board mode (i = 1); the mode's button has already flipped itself.
void onMode(HWND palette, int i) {
    const int self = i == 0 ? BUTTON_N_DESKTOP : BUTTON_N_BOARD;
    const int other = i == 0 ? BUTTON_N_BOARD : BUTTON_N_DESKTOP;
    if (modeOn(self)) {
        hidePagePair(pageWindows[1 - i]);
        showPagePair(palette, pageWindows[i]);
        showBoardBar(boardBarWindow, i == 1);
        raiseAbovePage(palette);
        SetTimer(palette, STACK_CHECK_TIMER, STACK_CHECK_MS, nullptr);
        setLook(other, BUTTON_NORMAL, PICTURE_NORMAL, true);
        toolChanged(drawState.currentPage);
        drawState.currentPage = pageWindows[i];
        toolChanged(drawState.currentPage);
    } else {
        if (i == 1)
            showBoardBar(boardBarWindow, false);
        hidePagePair(pageWindows[i]);
        toolChanged(drawState.currentPage);
    }
}

void onHide(HWND palette) {
    endPresentingTool();
    ShowWindow(palette, SW_HIDE);
    openToolStrip(palette, false);
    showBoardBar(boardBarWindow, false);
    for (HWND page : pageWindows)
        hidePagePair(page);
    toolChanged(drawState.currentPage);
}

MonitorBox toBox(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

void onHome(HWND palette) {
    const BoxPoint home = paletteHome(toBox(boardWorkArea()), paletteDpi);
    const int32_t size = paletteSizeForDpi(paletteDpi);
    MoveWindow(palette, home.x, home.y, size, size, TRUE);
}

// The board's monitor moved or changed size: the containers and pages cover it again (the canvas
// grows first when the monitor outgrew it), and the palette comes back inside the monitor's work
// area if it would be left outside.
void onBoardMoved(HWND palette) {
    const RECT board = boardArea();
    const int width = board.right - board.left, height = board.bottom - board.top;
    const IntPoint needed = canvasSize(width, height);
    if (needed.x > canvasExtent.x || needed.y > canvasExtent.y) {
        const POINT grown = {needed.x > canvasExtent.x ? needed.x : canvasExtent.x,
                             needed.y > canvasExtent.y ? needed.y : canvasExtent.y};
        // Every step under way is finished at the old size first.
        bool all = true;
        for (HWND page : pageWindows) {
            SendMessageA(page, UM_PAGE_PUT_DOWN, 0, 0);
            all = SendMessageA(page, UM_PAGE_GROW, WPARAM(grown.x), LPARAM(grown.y)) == 1 && all;
        }
        // Should a page be left at the old size (no memory for a bitmap), the extent stays too:
        // nothing is ever read or written beyond a page's canvas.
        if (all) {
            canvasExtent = grown;
            if (canvasRegion)
                SetRectRgn(canvasRegion, 0, 0, grown.x, grown.y);
        }
    }
    scaleDrawingSizes(); // the board's monitor may have another scale
    toolChanged(drawState.currentPage);
    for (int i = 0; i < 2; ++i) {
        const UINT flags = SWP_NOACTIVATE | SWP_NOZORDER;
        SetWindowPos(containerWindows[i], nullptr, board.left, board.top, width, height, flags);
        SetWindowPos(pageWindows[i], nullptr, board.left, board.top, width, height, flags);
    }
    // The board's squares are sized for its monitor's scale, which may be another now even where the
    // rectangle is not (a move between monitors of one size).
    InvalidateRect(containerWindows[1], nullptr, TRUE);
    placeBoardBar(boardBarWindow);
    followBoardMonitor(); // the spotlight or the shade over the monitor as it is now
    raisePaletteAndRing(palette);
    RECT now = {};
    GetWindowRect(palette, &now);
    const BoxPoint at = paletteInside({now.left, now.top}, toBox(boardWorkArea()), paletteDpi);
    if (at.x != now.left || at.y != now.top)
        SetWindowPos(palette, nullptr, at.x, at.y, 0, 0, SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE);
}

// The screen as it shows now, with the desktop page's drawing, becomes a new board page, and the
// board shows it. The strip closes first: it is not in the picture.
void onFreeze(HWND palette) {
    openToolStrip(palette, false);
    if (!freezeScreenToBoard(boardDesktopPage()))
        return;
    if (!modeOn(BUTTON_N_BOARD)) {
        setLook(BUTTON_N_BOARD, BUTTON_DOWN, PICTURE_HOVER, true);
        SendMessageA(palette, WM_COMMAND, IDC_BOARD, 0);
    }
}

// A tool of the strip: picked as a ring tool is (it closes the strip), with the put-down and the
// raise every palette command has.
void onStripTool(HWND palette, int32_t id) {
    raisePaletteAndRing(palette);
    if (drawState.currentPage)
        SendMessageA(drawState.currentPage, UM_PAGE_PUT_DOWN, 0, 0);
    if (id == IDC_FREEZE_SCREEN)
        onFreeze(palette);
    else
        onTool(palette, id);
}

// The ids exceed 65535: the whole wParam is the id. The button table says what each id does; an
// id that no button sends, or one the palette has no use for (the face's), is ignored.
void onCommand(HWND palette, WPARAM wParam) {
    const uint64_t wide = wParam;
    const int n = wide >> 32 ? -1 : paletteButtonOfCommand(static_cast<int32_t>(wParam));
    if (n < 0 && !(wide >> 32) && stripToolOfCommand(static_cast<int32_t>(wParam)) >= 0) {
        onStripTool(palette, static_cast<int32_t>(wParam));
        return;
    }
    if (n < 0 || paletteButtons[n].commandKind == COMMAND_NONE)
        return;
    const PaletteButtonEntry& entry = paletteButtons[n];
    raisePaletteAndRing(palette); // stays above the pages
    // Whatever the action, a gesture under way or a held cut-out is put down first, before the
    // action changes the tool or hides the page: nothing drawn is lost by a palette touch.
    // A colour or a width keeps an open text box, which takes them.
    const bool restyles = entry.commandKind == COMMAND_COLOUR || entry.commandKind == COMMAND_WIDTH;
    if (drawState.currentPage)
        SendMessageA(drawState.currentPage, UM_PAGE_PUT_DOWN, restyles ? PUT_DOWN_KEEP_TEXT : 0, 0);
    switch (entry.commandKind) {
    case COMMAND_COLOUR:
        onColour(n - BUTTON_N_BLACK);
        break;
    case COMMAND_WIDTH:
        onWidth(n - BUTTON_N_WIDTH_0);
        break;
    case COMMAND_TOOL:
        onTool(palette, entry.command);
        break;
    case COMMAND_PAGE:
        if (drawState.currentPage)
            SendMessageA(drawState.currentPage, entry.pageMessage, 0, 0);
        break;
    case COMMAND_MODE:
        onMode(palette, n == BUTTON_N_DESKTOP ? 0 : 1);
        break;
    case COMMAND_HIDE:
        onHide(palette);
        break;
    case COMMAND_HOME:
        onHome(palette);
        break;
    case COMMAND_SAVE:
        if (drawState.currentPage)
            savePagePicture(palette, drawState.currentPage);
        break;
    case COMMAND_STRIP:
        openToolStrip(palette, !IsWindowVisible(toolStripWindow));
        break;
    default:
        break;
    }
}

// Shows a hidden palette; hides a shown one together with the current page and its container,
// and then both modes are off.
void onToggleShow(HWND palette) {
    if (!toggleShown(palette, SW_SHOWNOACTIVATE)) {
        endPresentingTool();
        openToolStrip(palette, false);
        showBoardBar(boardBarWindow, false);
        hidePagePair(drawState.currentPage);
        setLook(BUTTON_N_DESKTOP, BUTTON_NORMAL, PICTURE_NORMAL, false);
        setLook(BUTTON_N_BOARD, BUTTON_NORMAL, PICTURE_NORMAL, false);
    }
    toolChanged(drawState.currentPage);
}

// The palette was moved onto a monitor of another scale (or that monitor's scale changed): it
// takes the rectangle the system suggests, its buttons and regions the new size, and repaints.
LRESULT onDpiChanged(HWND palette, WPARAM wParam, LPARAM lParam) {
    const int32_t dpi = LOWORD(wParam);
    if (dpi < 1)
        return 0;
    if (dpi != paletteDpi)
        drawPalettePicturesAhead(dpi);
    paletteDpi = dpi;
    takeSuggestedRect(palette, lParam);
    layOutButtons(palette, false);
    InvalidateRect(palette, nullptr, TRUE);
    placeToolStrip(toolStripWindow, palette, paletteDpi);
    return 0;
}

// The open strip follows the palette wherever it is dragged or sent home.
void onMove(HWND palette) {
    if (toolStripWindow && IsWindowVisible(toolStripWindow))
        placeToolStrip(toolStripWindow, palette, paletteDpi);
}

} // namespace

LRESULT CALLBACK paletteWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return onCreate(hwnd);
    case WM_COMMAND:
        onCommand(hwnd, wParam);
        return 0;
    case UM_TOGGLE_SHOW:
        onToggleShow(hwnd);
        return 0;
    case WM_TIMER:
        if (wParam == STACK_CHECK_TIMER)
            onStackCheck(hwnd);
        return 0;
    case UM_BOARD_MOVED:
        onBoardMoved(hwnd);
        return 0;
    case WM_DPICHANGED:
        return onDpiChanged(hwnd, wParam, lParam);
    case WM_MOVE:
        onMove(hwnd);
        return 0;
    case UM_PALETTE_START_SHOW:
        if (!IsWindowVisible(hwnd)) {
            showWithoutActivating(hwnd);
            toolChanged(drawState.currentPage);
        }
        return 0;
    case WM_MOUSEACTIVATE:
        return NO_ACTIVATE_ON_CLICK;
    case WM_SYSCOMMAND:
        return refuseCloseCommand(hwnd, wParam, lParam); // the palette cannot be closed from the keyboard
    case WM_CLOSE:
    case WM_DESTROY:
        freePaletteShapes(paletteShapes);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
