#pragma once
// The presenting tools, free of the platform: the pointer's dot and its fading trail, the
// spotlight's circle and what a drag does to it, the shade's cover and its grip. Sizes are pixels
// at 96 DPI, scaled with the board's monitor; points and boxes are on the virtual screen.
#include <cstddef>
#include <cstdint>
#include <vector>

// The tools of the palette's strip (their ids follow the marking tools').
constexpr int32_t TOOL_POINTER = 100316;
constexpr int32_t TOOL_SPOTLIGHT = 100317;
constexpr int32_t TOOL_SHADE = 100318;
bool isPresentingTool(int32_t tool);

struct PxPoint {
    int32_t x, y;
};
// right and bottom outside.
struct PxRect {
    int32_t left, top, right, bottom;
};

// --- the pointer -------------------------------------------------------------------------------

constexpr int32_t POINTER_DOT_96 = 16; // the dot across, its soft edge included
constexpr uint32_t POINTER_FADE_MS =
    500; // a point of the trail (and the dot after the lift) fades in this long
constexpr int32_t POINTER_TRAIL_MAX_96 = 240; // the trail's length: what a draw of it covers stays small
constexpr uint32_t POINTER_RED = 0x00FF2020;  // the dot's colour, 0x00RRGGBB

struct TrailPoint {
    int32_t x, y;
    uint32_t timeMs;
};
struct PointerTrail {
    std::vector<TrailPoint> points; // oldest first; the last is the dot
    bool down = false;              // the finger is on the board
    uint32_t liftMs = 0;            // when it lifted
};

// A point of the finger: the dot moves there, the trail follows it. Points older than the fade
// and the trail's tail beyond its length are dropped.
void trailTouch(PointerTrail* trail, PxPoint p, uint32_t nowMs, int32_t dpi);
// The finger lifted: the dot fades where it is, as the trail does.
void trailLift(PointerTrail* trail, uint32_t nowMs);
// Drops what has faded by nowMs; false when nothing is left to show.
bool trailAlive(PointerTrail* trail, uint32_t nowMs);
// The box that holds everything the trail shows (empty when there is nothing).
PxRect trailBounds(const PointerTrail& trail, int32_t dpi);
// Draws the trail as it shows at nowMs into `pixels` (box's width x height, top row first,
// premultiplied 0xAARRGGBB, cleared here): each older point a smaller, fainter dot by its age,
// overlaps no stronger than the strongest, and with `withDot` the dot at the newest point, at full
// strength while the finger is down and fading after the lift. Without it the trail leaves the dot
// to a window of its own (renderDot), which a move only moves.
void renderTrail(const PointerTrail& trail, uint32_t nowMs, int32_t dpi, const PxRect& box, uint32_t* pixels,
                 bool withDot);
// The dot's own box, the dot at p with its soft edge: a square whose size depends on the scale
// only, so its pixels stay the same wherever the finger goes. The same box as trailBounds gives a
// trail of that one point.
PxRect dotBounds(PxPoint p, int32_t dpi);
// Draws the dot at full strength into `pixels` (dotBounds' width x height, as renderTrail): the
// pixels renderTrail gives the dot of a finger that is down, in the same place within its box.
void renderDot(int32_t dpi, uint32_t* pixels);

// --- the spotlight -----------------------------------------------------------------------------

constexpr uint8_t SPOTLIGHT_DIM_ALPHA = 191; // 75 % towards black outside the circle
constexpr int32_t SPOTLIGHT_RIM_96 = 16;     // the rim's band is this far either side of the edge
constexpr int32_t SPOTLIGHT_MIN_RADIUS_96 = 32;

struct Circle {
    int32_t cx, cy, r;
};
enum SpotPart { SPOT_OUTSIDE, SPOT_INSIDE, SPOT_RIM };

// A sixth of the monitor's height across, centred on `at` (kept on the monitor).
Circle spotlightStart(const PxRect& monitor, PxPoint at);
// What a touch at p takes: the rim (its band either side of the edge, and the grip), the inside,
// or nothing.
SpotPart spotlightPart(const Circle& c, PxPoint p, int32_t dpi);
// The grip on the rim a finger finds: a knob at the lower right of the edge.
PxPoint spotlightGrip(const Circle& c);
// A drag of the inside by (dx, dy): the circle moves, its centre kept on the monitor.
Circle spotlightMoved(const Circle& from, int32_t dx, int32_t dy, const PxRect& monitor);
// A drag of the rim to p: the edge follows the finger, the radius between its least and half the
// monitor's height.
Circle spotlightResized(const Circle& from, PxPoint p, const PxRect& monitor, int32_t dpi);
// Every pixel the circle, its rim and its grip can touch.
PxRect spotlightBounds(const Circle& c, int32_t dpi);
// The spotlight's look of one pixel: the dimming outside, clear inside (alpha 0: the touches there
// go through to the page under it, which hands them back), the rim's white line and the grip;
// premultiplied 0xAARRGGBB.
uint32_t spotlightPixel(const Circle& c, int32_t x, int32_t y, int32_t dpi);

// --- the shade ---------------------------------------------------------------------------------

constexpr int32_t SHADE_GRIP_WIDTH_96 = 160;
constexpr int32_t SHADE_GRIP_HEIGHT_96 = 40;

// The cover's upper edge after a drag by dy from `top` on a monitor `height` high: it moves with
// the finger, never above the monitor and never so low that its grip leaves it.
int32_t shadeTop(int32_t top, int32_t dy, int32_t height, int32_t dpi);
// The grip in the cover's own coordinates (its upper edge at 0): centred, hanging from the edge.
PxRect shadeGrip(int32_t width, int32_t dpi);
