#include "presenting/presenting.h"

#include "win32/monitors.h"
#include "win32/no_activate.h"

void (*presentingEndedHook)() = nullptr;

namespace {

int32_t toolOn = 0;
HWND spotlightWindow = nullptr, shadeWindow = nullptr;
POINT lastTouch = {INT32_MIN, INT32_MIN};

// Where the spotlight opens: the last touch on the board's monitor, else its centre.
POINT spotlightOpening() {
    const RECT board = boardArea();
    if (PtInRect(&board, lastTouch))
        return lastTouch;
    return {(board.left + board.right) / 2, (board.top + board.bottom) / 2};
}

} // namespace

void createPresentingWindows(HINSTANCE instance) {
    createPointerWindows(instance);
    spotlightWindow = createSpotlightWindow(instance);
    shadeWindow = createShadeWindow(instance);
}

void startPresenting(int32_t tool) {
    endPresenting();
    if (!isPresentingTool(tool))
        return;
    toolOn = tool;
    if (tool == TOOL_SPOTLIGHT)
        showSpotlight(true, spotlightOpening());
    else if (tool == TOOL_SHADE)
        showShade(true);
}

void endPresenting() {
    switch (toolOn) {
    case TOOL_POINTER:
        pointerPutAway();
        break;
    case TOOL_SPOTLIGHT:
        showSpotlight(false, {0, 0});
        break;
    case TOOL_SHADE:
        showShade(false);
        break;
    default:
        break;
    }
    toolOn = 0;
}

int32_t presentingTool() {
    return toolOn;
}

HWND presentingCover() {
    if (toolOn == TOOL_SPOTLIGHT)
        return spotlightWindow;
    return toolOn == TOOL_SHADE ? shadeWindow : nullptr;
}

void raisePresenting() {
    if (toolOn == TOOL_SPOTLIGHT)
        raiseSpotlight();
    else if (HWND cover = presentingCover())
        if (IsWindowVisible(cover))
            raiseTopmost(cover);
    raisePointer();
}

void followBoardMonitor() {
    const int32_t tool = toolOn;
    if (tool == TOOL_POINTER)
        pointerPutAway();
    else if (tool == TOOL_SPOTLIGHT || tool == TOOL_SHADE)
        startPresenting(tool); // made again over the monitor as it is now, at its scale
}

void noteBoardTouch(POINT p) {
    lastTouch = p;
}
