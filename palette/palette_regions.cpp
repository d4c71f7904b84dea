// The palette's window regions, made from the shapes of palette/core/palette_layout.h.
#include <cstdio>
#include <vector>

#include "palette/tool_button.h"

static_assert(sizeof(POINT) == sizeof(ShapePoint) && sizeof(LONG) == sizeof(int32_t),
              "a shape vertex is laid out as a POINT");

HRGN createShapeRegion(const PaletteShape* shape) {
    if (!shape->points || shape->pointCount < 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::vector<POINT> points(size_t(shape->pointCount));
    for (int32_t i = 0; i < shape->pointCount; ++i)
        points[size_t(i)] = {shape->points[i].x, shape->points[i].y};
    return CreatePolygonRgn(points.data(), shape->pointCount, WINDING);
}

HRGN createShapeRegionReported(HWND owner, const PaletteShape* shape, int index) {
    HRGN region = createShapeRegion(shape);
    int step = shapeErrorNumber(index);
    if (!region && step >= 0) {
        char text[32];
        std::snprintf(text, sizeof text, "%d,%d", step, int(GetLastError()));
        MessageBoxA(owner, text, "error", MB_OK);
    }
    return region;
}

void buildPaletteShapeRegions(HWND owner, PaletteShape shapes[PALETTE_SHAPE_COUNT],
                              HRGN regions[PALETTE_SHAPE_COUNT], int32_t dpi) {
    preparePaletteShapes(shapes);
    scalePaletteShapes(shapes, dpi);
    for (int i = 0; i < PALETTE_SHAPE_COUNT; ++i)
        regions[i] = createShapeRegionReported(owner, &shapes[i], i);
}

void deletePaletteShapeRegions(HRGN regions[PALETTE_SHAPE_COUNT]) {
    for (int i = 0; i < PALETTE_SHAPE_COUNT; ++i) {
        if (regions[i])
            DeleteObject(regions[i]);
        regions[i] = nullptr;
    }
}

namespace {

// dest := a op b, where a missing region is empty.
void combine(HRGN dest, HRGN a, HRGN b, int op) {
    HRGN empty = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(dest, a ? a : empty, b ? b : empty, op);
    DeleteObject(empty);
}

HRGN shapeRegion(const HRGN regions[PALETTE_SHAPE_COUNT], int index) {
    return index >= 0 && index < PALETTE_SHAPE_COUNT ? regions[index] : nullptr;
}

} // namespace

HRGN combineRecipeRegion(const RegionRecipe& recipe, const HRGN regions[PALETTE_SHAPE_COUNT],
                         const HRGN rims[2]) {
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    HRGN a = shapeRegion(regions, recipe.shapeA);
    switch (recipe.kind) {
    case REGION_POLYGON:
        combine(result, a, nullptr, RGN_OR);
        break;
    case REGION_RIM:
        combine(result, a, shapeRegion(regions, recipe.shapeB), RGN_DIFF);
        break;
    case REGION_RING:
        combine(result, a, regions[SHAPE_INNER_ELLIPSE], RGN_DIFF);
        combine(result, result, regions[SHAPE_DISC], RGN_AND);
        if (recipe.rim == RIM_COLOUR || recipe.rim == RIM_WIDTH)
            combine(result, result, rims[recipe.rim], RGN_DIFF);
        if (recipe.rim == RIM_EYES) {
            combine(result, result, regions[SHAPE_RIGHT_EYE], RGN_DIFF);
            combine(result, result, regions[SHAPE_LEFT_EYE], RGN_DIFF);
        }
        break;
    }
    return result;
}
