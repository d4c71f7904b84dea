// The palette's window regions, made with CreatePolygonRgn(WINDING) and CombineRgn from the shape
// table: each button's field belongs to its region and to no other, and the holes to none.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>

#include "tests/support/find_windows.h"
#include "tests/support/flush_events.h"
#include "tests/support/palette_fixture.h"

namespace {

// A point well inside button n by the core's own hit test: its 5 x 5 neighbourhood belongs to n
// alone, so the platform's rounding of region edges cannot move it.
bool deepInside(const PaletteShape shapes[], int n, int x, int y) {
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            if (paletteButtonAt(shapes, x + dx + 0.5, y + dy + 0.5) != n)
                return false;
    return true;
}

struct Regions {
    PaletteShape shapes[PALETTE_SHAPE_COUNT] = {};
    HRGN shape[PALETTE_SHAPE_COUNT] = {};
    HRGN rims[2] = {};
    HRGN button[PALETTE_BUTTON_COUNT] = {};
    Regions() {
        buildPaletteShapeRegions(nullptr, shapes, shape);
        rims[RIM_COLOUR] = combineRecipeRegion(rimRecipes[RIM_COLOUR], shape, rims);
        rims[RIM_WIDTH] = combineRecipeRegion(rimRecipes[RIM_WIDTH], shape, rims);
        for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n)
            button[n] = combineRecipeRegion(paletteButtons[n].region, shape, rims);
    }
    ~Regions() {
        for (HRGN r : button)
            DeleteObject(r);
        DeleteObject(rims[0]);
        DeleteObject(rims[1]);
        deletePaletteShapeRegions(shape);
        freePaletteShapes(shapes);
    }
};

TEST(PaletteRegions, EveryShapeHasARegion) {
    Regions r;
    for (int i = 0; i < PALETTE_SHAPE_COUNT; ++i) {
        ASSERT_NE(r.shape[i], nullptr) << "shape " << i;
        RECT box;
        EXPECT_NE(GetRgnBox(r.shape[i], &box), NULLREGION) << "shape " << i;
    }
    // The disc's region spans the whole palette, and nothing lies outside 220 x 220 after the cut.
    RECT box;
    GetRgnBox(r.shape[SHAPE_DISC], &box);
    EXPECT_GE(box.left, 0);
    EXPECT_LE(box.right, PALETTE_SIZE);
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n) {
        EXPECT_NE(GetRgnBox(r.button[n], &box), NULLREGION) << "button " << n;
        EXPECT_GE(box.left, 0) << n;
        EXPECT_GE(box.top, 0) << n;
        EXPECT_LE(box.right, PALETTE_SIZE) << n;
        EXPECT_LE(box.bottom, PALETTE_SIZE) << n;
    }
}

TEST(PaletteRegions, EachFieldBelongsToItsButtonAlone) {
    Regions r;
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n) {
        int samples = 0;
        for (int y = 2; y < PALETTE_SIZE - 2 && samples < 12; y += (n == 2 || n == 3) ? 1 : 3)
            for (int x = 2; x < PALETTE_SIZE - 2 && samples < 12; x += (n == 2 || n == 3) ? 1 : 3) {
                if (!deepInside(r.shapes, n, x, y))
                    continue;
                ++samples;
                for (int m = 0; m < PALETTE_BUTTON_COUNT; ++m) {
                    bool expected = m == n;
                    // The eyes reach over the face's edge: there both hold the point.
                    if ((n == BUTTON_N_FACE && (m == BUTTON_N_RIGHT_EYE || m == BUTTON_N_LEFT_EYE)) ||
                        (m == BUTTON_N_FACE && (n == BUTTON_N_RIGHT_EYE || n == BUTTON_N_LEFT_EYE)))
                        continue;
                    EXPECT_EQ(PtInRegion(r.button[m], x, y) != 0, expected)
                        << "point (" << x << ", " << y << ") of button " << n << " in region of " << m;
                }
            }
        EXPECT_GT(samples, 0) << "no deep point found for button " << n;
    }
}

TEST(PaletteRegions, HolesBelongToNoButton) {
    Regions r;
    // The square's corners, the band between face and ring, the gaps between buttons, and the gaps
    // either side of "more tools" in what was the stretch of ring without buttons above the face.
    const POINT holes[] = {{1, 1},     {218, 1},   {1, 218}, {218, 218},
                           {155, 187}, {190, 168}, {49, 63}, {102, 33}};
    for (POINT h : holes)
        for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n)
            EXPECT_FALSE(PtInRegion(r.button[n], h.x, h.y)) << "(" << h.x << ", " << h.y << ") in " << n;
    // Between neighbouring tools: the middle of each gap, half-way out on the ring.
    for (int n = 4; n < 11; ++n) {
        if (n == 7)
            continue; // 7 and 8 face each other across the empty stretch
        const PaletteShapeEntry& a = paletteShapeEntries[shapeOfSector(n)];
        const PaletteShapeEntry& b = paletteShapeEntries[shapeOfSector(n + 1)];
        double gap = (a.endAngle - 1 + (b.startAngle < a.startAngle ? b.startAngle + 360 : b.startAngle)) / 2;
        PaletteShape ray = {};
        ray.radius = 100;
        ray.startAngle = gap;
        ray.endAngle = gap + 1; // two vertices: the arc point at the gap's angle, then the centre
        ray.center = {0, 20};
        buildSector(&ray);
        rotateShape(&ray, PALETTE_ROTATION, PALETTE_CENTER, PALETTE_CENTER);
        int x = ray.points[0].x, y = ray.points[0].y;
        freeShape(&ray);
        for (int m = 0; m < PALETTE_BUTTON_COUNT; ++m)
            EXPECT_FALSE(PtInRegion(r.button[m], x, y))
                << "gap after " << n << " at (" << x << ", " << y << ") in " << m;
    }
}

TEST(PaletteRegions, RimsAreTheBandsOverTheirFields) {
    Regions r;
    // Every point of a rim lies in the band 102 .. 110 from the palette centre; the colour and width
    // buttons under them stay inside radius 102 wherever a rim covers their angle.
    for (int rim : {BUTTON_N_COLOUR_RIM, BUTTON_N_WIDTH_RIM}) {
        int inBand = 0;
        for (int y = 0; y < PALETTE_SIZE; ++y)
            for (int x = 0; x < PALETTE_SIZE; ++x) {
                if (!PtInRegion(r.button[rim], x, y))
                    continue;
                double d = std::hypot(x + 0.5 - PALETTE_CENTER, y + 0.5 - PALETTE_CENTER);
                EXPECT_TRUE(d > 99.5 && d < 112)
                    << "rim " << rim << " at (" << x << ", " << y << "), radius " << d;
                ++inBand;
                for (int n = 12; n <= 19; ++n)
                    EXPECT_FALSE(PtInRegion(r.button[n], x, y)) << "button " << n << " under rim " << rim;
            }
        EXPECT_GT(inBand, 300) << "rim " << rim;
    }
}

// The pixels of a button's region, hashed row by row (FNV-1a over the inside/outside bits).
uint32_t regionHash(HRGN region, int* pixels) {
    uint32_t hash = 2166136261u;
    *pixels = 0;
    for (int y = 0; y < PALETTE_SIZE; ++y)
        for (int x = 0; x < PALETTE_SIZE; ++x) {
            const bool in = PtInRegion(region, x, y) != 0;
            *pixels += in;
            hash = (hash ^ (in ? 1u : 0u)) * 16777619u;
        }
    return hash;
}

TEST(PaletteRegions, OldButtonsKeepTheirRegionsPixelForPixel) {
    // Measured before the undo, redo and save buttons were added to the free arc.
    const struct {
        int pixels;
        uint32_t hash;
    } before[21] = {
        {768, 0xB83051F1u},   {753, 0x6A348464u}, {117, 0xF7662006u}, {127, 0x6DA26A8Au}, {687, 0x43AC0C86u},
        {430, 0x28C3DA07u},   {398, 0xF42C425Fu}, {407, 0x19B78276u}, {406, 0x51AEC8F7u}, {398, 0x1223435Du},
        {448, 0x080BC745u},   {646, 0xF4D98777u}, {433, 0x30F62018u}, {587, 0xB073BD0Cu}, {795, 0x055EC5A6u},
        {968, 0x826C0987u},   {443, 0x0DFB430Cu}, {609, 0x31DEFD06u}, {806, 0xF40CBC7Du}, {838, 0xA82A7D83u},
        {17790, 0xFA8E382Fu},
    };
    Regions r;
    for (int n = 0; n < 21; ++n) {
        int pixels = 0;
        const uint32_t hash = regionHash(r.button[n], &pixels);
        EXPECT_EQ(pixels, before[n].pixels) << "button " << n;
        EXPECT_EQ(hash, before[n].hash) << "button " << n;
    }
}

// A region that cannot be made is reported by a message box "error" with "<step>,<error code>",
// and the build goes on; the eyes' regions are not checked.
struct ReportCall {
    int index;
    HRGN result;
    std::atomic<bool> done{false};
};

DWORD WINAPI reportOnThread(void* p) {
    auto* call = static_cast<ReportCall*>(p);
    PaletteShape empty = {};
    call->result = createShapeRegionReported(nullptr, &empty, call->index);
    call->done = true;
    return 0;
}

std::string reportFor(int index, bool* returned, HRGN* result) {
    ReportCall call;
    call.index = index;
    HANDLE thread = CreateThread(nullptr, 0, reportOnThread, &call, 0, nullptr);
    std::string text = "(no message box)";
    HWND box = waitMessageBox(GetCurrentProcessId(), call.index < 0 ? 0 : 3000, true);
    if (index >= 0 && box) {
        // The box can be found before its text control exists: give it a moment.
        for (int i = 0; i < 40 && messageBoxText(box).empty(); ++i)
            flushEvents(50);
        text = messageBoxCaption(box) + "|" + messageBoxText(box);
        pressMessageBoxOk(box);
    }
    WaitForSingleObject(thread, 3000);
    CloseHandle(thread);
    *returned = call.done;
    *result = call.result;
    return text;
}

TEST(PaletteRegions, FailedRegionIsReportedWithItsStep) {
    const struct {
        int shapeIndex;
        const char* expected;
    } cases[] = {
        {SHAPE_DISC, "error|1,87"},
        {SHAPE_FACE_ELLIPSE, "error|3,87"},
        {shapeOfSector(0), "error|0,87"},
        {shapeOfSector(17), "error|17,87"},
    };
    for (const auto& c : cases) {
        bool returned = false;
        HRGN result = nullptr;
        EXPECT_EQ(reportFor(c.shapeIndex, &returned, &result), c.expected) << "shape " << c.shapeIndex;
        EXPECT_TRUE(returned);
        EXPECT_EQ(result, nullptr);
    }
    // An eye without a region: no message box, the call simply returns no region.
    PaletteShape empty = {};
    EXPECT_EQ(createShapeRegionReported(nullptr, &empty, SHAPE_LEFT_EYE), nullptr);
    flushEvents(100);
    EXPECT_EQ(waitMessageBox(GetCurrentProcessId(), 0, false), nullptr);
}

// A button whose input region is missing gets an empty region rather than a failure.
TEST(PaletteRegions, MissingInputRegionCountsAsEmpty) {
    Regions r;
    HRGN withoutInner[PALETTE_SHAPE_COUNT];
    for (int i = 0; i < PALETTE_SHAPE_COUNT; ++i)
        withoutInner[i] = r.shape[i];
    withoutInner[SHAPE_DISC] = nullptr;
    HRGN tool = combineRecipeRegion(paletteButtons[4].region, withoutInner, r.rims);
    ASSERT_NE(tool, nullptr);
    RECT box;
    EXPECT_EQ(GetRgnBox(tool, &box), NULLREGION);
    DeleteObject(tool);
}

} // namespace
