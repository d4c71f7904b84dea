#pragma once
// The palette's buttons, class "qv_tool_button" (toolButtonProc): each is as
// large as the palette, cut to its shape by a window region, and shows its part of the palette
// picture its ButtonRecord names. The record belongs to the palette and is window word 0.
#include <windows.h>

LRESULT CALLBACK toolButtonProc(HWND, UINT, WPARAM, LPARAM);

#include "win32/class_names.h"
#include "palette/core/button_rules.h"
#include "palette/core/palette_layout.h"

// Stores the record's address as the button's window word 0 (the class reserves sizeof(LONG_PTR)).
void attachButtonRecord(HWND button, ButtonRecord* record);
// The record of a button, or null when it has none.
ButtonRecord* buttonRecordOf(HWND button);
// Asks for a repaint of the whole button, background erased.
void repaintButton(HWND button);
// Fills a record with the starting values of palette button n (palette_layout.h).
void initButtonRecord(ButtonRecord* record, int n);

// The region of one prepared shape: CreatePolygonRgn(points, pointCount, WINDING); null when the
// shape has no points or the platform refuses.
HRGN createShapeRegion(const PaletteShape* shape);

// The shape regions of the palette, in building order: each shape is prepared (filled, built,
// turned onto the palette) and given its region. When the region of the disc, the inner or the
// face ellipse or a sector cannot be made, a message box owned by owner with the caption "error"
// and the text "<step>,<GetLastError()>" says so, and building goes on without that region.
// The shapes are scaled from 96 DPI to dpi first.
// The region of shape index, reported by the message box above when it cannot be made.
HRGN createShapeRegionReported(HWND owner, const PaletteShape* shape, int index);
void buildPaletteShapeRegions(HWND owner, PaletteShape shapes[PALETTE_SHAPE_COUNT],
                              HRGN regions[PALETTE_SHAPE_COUNT], int32_t dpi = 96);
void deletePaletteShapeRegions(HRGN regions[PALETTE_SHAPE_COUNT]);

// A new region combined from the shape regions as the recipe says (CombineRgn, RGN_DIFF and
// RGN_AND); rims are the two scratch rim regions, indexed by RimIndex. A missing input region
// counts as empty. The caller owns the result (a region given to SetWindowRgn belongs to the window).
HRGN combineRecipeRegion(const RegionRecipe& recipe, const HRGN regions[PALETTE_SHAPE_COUNT],
                         const HRGN rims[2]);
