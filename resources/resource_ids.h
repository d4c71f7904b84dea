#pragma once
// Resource ids of the program's pictures (resources/velmora.rc, drawn by tools/picgen). The numbers
// are the resources as seen from outside the program (a resource viewer, the generated files named
// by them: bitmap100.bmp, icon103.ico), so they stay as they are, gaps and all.
#define IDI_VELMORA 103

// Bitmaps: the logos, the palette pictures (220 x 220) and the help pages (220 x 220).
#define IDB_PALETTE_LOGO 100      // 430 x 250, shown stretched on the palette's face
#define IDB_PALETTE_NORMAL 101    // grey ring
#define IDB_PALETTE_PRESSED 102   // orange ring
#define IDB_PALETTE_HOVER 103     // light ring, paler fields
#define IDB_COLOUR_MARK_BLACK 113 // 113 .. 116: the colour rim's marker at black, red, green, blue
#define IDB_COLOUR_MARK_RED 114
#define IDB_COLOUR_MARK_GREEN 115
#define IDB_COLOUR_MARK_BLUE 116
#define IDB_WIDTH_MARK_0 117 // 117 .. 120: the width rim's marker at width 0 .. 3
#define IDB_WIDTH_MARK_1 118
#define IDB_WIDTH_MARK_2 119
#define IDB_WIDTH_MARK_3 120
#define IDB_BOARD_BAR_NORMAL 130   // the board bar's buttons: one strip of cells, grey
#define IDB_BOARD_BAR_PRESSED 131  // and pressed, orange
#define IDB_TOOL_STRIP_NORMAL 132  // the palette's tool strip: one row of cells, grey
#define IDB_TOOL_STRIP_PRESSED 133 // and chosen or pressed, orange
#define IDB_CALIBRATION_LOGO 200   // 430 x 250, shown stretched to 512 x 296
#define IDB_HELP_PAGE_1 301        // 301 .. 304
#define IDB_HELP_PAGE_2 302
#define IDB_HELP_PAGE_3 303
#define IDB_HELP_PAGE_4 304

// The resources carry the pictures at 100 %; the program draws every other scale at run time. The
// generator also writes the 150 and 200 % pictures of the palette, the help pages and the logos
// for the picture test, under the ids of the 100 % set plus 1000 (150 %) or 2000 (200 %): the
// palette logo's are 430 x 250 enlarged (645 x 375, 860 x 500), the calibration logo's the size it
// is shown at for their scale (768 x 444, 1024 x 592).
#define IDB_SET_150_OFFSET 1000
#define IDB_SET_200_OFFSET 2000
#ifdef __cplusplus
constexpr int pictureSetId(int id, int percent) {
    return id + (percent >= 200 ? IDB_SET_200_OFFSET : percent >= 150 ? IDB_SET_150_OFFSET : 0);
}
#endif

// Cursors of the drawing pages, each with images of 32, 40, 48, 56 and 64 pixels (96 to 192 DPI).
#define IDCUR_POINTING_HAND 101 // a selection is held: over it
#define IDCUR_GRABBING_HAND 103 // a selection is held: while dragging it
#define IDCUR_PEN 104           // pen and line
#define IDCUR_PEN_CROSS 105     // ellipse and cut
#define IDCUR_ERASER_BASE 200   // the eraser of size s (8, 16, 32 or 64) has cursor IDCUR_ERASER_BASE + s
#define IDCUR_ERASER_8 208
#define IDCUR_ERASER_16 216
#define IDCUR_ERASER_32 232
#define IDCUR_ERASER_64 264
