#pragma once
// From the transform's (u, v) to screen pixels and to absolute mouse units.
//
// u runs linearly between the x of the first and second cross, v between the y of the first and
// third cross (top-left, top-right, bottom-left); the fourth cross is not used.

struct ScreenPoint {
    int x, y;
};

// Where calibration cross index (0 top left, 1 top right, 2 bottom left, 3 bottom right) stands on
// a screen width x height of the given DPI: 100 pixels in from the left or right edge, 50 from the
// top or bottom, at 96 DPI and scaled by the DPI (150, 75 at 144): the same place on the glass that
// a program the system stretches puts them. Index 4 is the check cross that follows them, at the
// centre (width / 2, height / 2). (0, 0) for an index outside 0..4.
ScreenPoint calibrationCross(int index, int width, int height, int dpi = 96);

// A screen the crosses are laid out on: its size in pixels and its DPI.
struct CrossScreen {
    int width, height, dpi;
};

// Whether any of the five crosses (the four corners and the check cross) stands elsewhere on
// `after` than on `before`. Touches taken against the crosses of `before` no longer belong to the
// crosses of `after`: a calibration under way has to start again.
bool calibrationCrossesMoved(const CrossScreen& before, const CrossScreen& after);

// The unrounded position: X = T1.x + (T2.x - T1.x) u, Y = T1.y + (T3.y - T1.y) v, in double.
// targets[k] is {x, y} of cross k + 1.
void unitSquareToScreen(double u, double v, const int targets[3][2], double xy[2]);

// The pixel the pointer goes to: the unrounded position truncated toward zero and held inside the
// screen (0..width-1, 0..height-1), so a touch beyond the crosses stops at the screen's edge and
// no position handed to the system is ever outside it. false (pixel unchanged) when u or v is not
// finite or the screen has no size.
bool unitSquareToPixel(double u, double v, const int targets[3][2], int width, int height,
                       ScreenPoint& pixel);

// Whether `made` can be the screen a calibration was made on: a size and a DPI of 1 to 65535 each
// on which the crosses stand in order (the right ones right of the left ones, the bottom ones
// below the top ones). A screen without a size is not known.
bool calibrationScreenKnown(const CrossScreen& made);

// The pixel for (u, v) of a calibration made on `made`, on the board's monitor as it is now
// (width x height, its crosses at targets). (u, v) is a position among the crosses as they stood
// on `made`; the projected picture fills the same glass at any size and scale, so that position,
// as a fraction of `made`'s size, is the same fraction of the monitor now. Truncated and held
// inside the screen as by unitSquareToPixel, and false in the same cases. A calibration whose
// screen is not known maps onto the crosses of now: unitSquareToPixel with targets.
bool calibratedPixel(double u, double v, const CrossScreen& made, const int targets[3][2], int width,
                     int height, ScreenPoint& pixel);

// Absolute mouse units 0..65535 for pixel p of a screen extent pixels wide (or high). The system
// takes a normalised d to pixel floor(d * extent / 65536); d = ceil(p * 65536 / extent) is the
// smallest d that lands on p itself (0 for p = 0, slightly below 65535 for p = extent - 1). The
// result is held to 0..65535; an extent below 1 gives 0.
int pixelToMouse(int p, int extent);
inline int pixelToMouseX(int x, int width) {
    return pixelToMouse(x, width);
}
inline int pixelToMouseY(int y, int height) {
    return pixelToMouse(y, height);
}

// Where the board's monitor lies on the desktop. All zero is a board on the primary monitor at
// (0, 0): absolute units over the primary, as the system takes them without further flags.
struct BoardPlacement {
    int left, top;    // the monitor's origin on the virtual screen (may be negative)
    bool virtualDesk; // another monitor: units over the virtual screen (MOUSEEVENTF_VIRTUALDESK)
    int deskLeft, deskTop, deskWidth, deskHeight; // the virtual screen, when virtualDesk
};

// What the pointer is given for a pixel of the board's monitor (in the monitor's own coordinates,
// 0..width-1 and 0..height-1): the desktop position for SetCursorPos, and the absolute units
// that land on that same position, over the primary monitor or over the virtual screen.
struct PointerPlace {
    int x, y;           // on the virtual screen
    int mouseX, mouseY; // 0..65535
};
PointerPlace boardPixelToPointer(const BoardPlacement& board, ScreenPoint local, int width, int height);
