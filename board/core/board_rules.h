#pragma once
// The board as a stack of pages, free of the platform: which page is shown, turning and adding
// pages, each page's background and its colours, a page's picture (a frozen screen, a photo, a
// page of an earlier board) and where it lies, the "n / N" label, and the small index that keeps
// the stack on disk (the order, each page's background, picture and file, the page shown).
#include <cstdint>
#include <string>
#include <vector>

constexpr int32_t BOARD_MAX_PAGES = 99;

// The palette's command that freezes the screen into a new board page (a row of its tool strip).
constexpr int32_t IDC_FREEZE_SCREEN = 100319;

// A page's background, chosen in this order by the background button. Grey is the board of old, so
// a board nobody touches looks as it always did.
enum BoardBackground : int32_t {
    BACKGROUND_GREY = 0,
    BACKGROUND_WHITE = 1,
    BACKGROUND_SQUARED = 2, // white with light blue lines every grid step
    BACKGROUND_BLACK = 3,
};
constexpr int32_t BACKGROUND_COUNT = 4;

constexpr uint32_t BACKGROUND_GREY_RGB = 0xC8C8C8; // the key colour: the board as it always was
constexpr uint32_t BACKGROUND_WHITE_RGB = 0xFFFFFF;
constexpr uint32_t GRID_LINE_RGB = 0xA8D0F0; // light blue
constexpr uint32_t BACKGROUND_BLACK_RGB = 0x000000;

// The square of the grid is 40 pixels at 96 DPI.
constexpr int32_t GRID_STEP_96 = 40;

BoardBackground nextBackground(BoardBackground b);
// The grid step at that DPI (96 when the DPI is unknown, 0 or less).
int32_t gridStep(int32_t dpi);
// The background's colour (0x00RRGGBB) at pixel (x, y) of the board: the grid's lines are the
// pixel columns and rows at multiples of the step, one pixel wide.
uint32_t backgroundPixel(BoardBackground b, int32_t x, int32_t y, int32_t step);
// Where a page's picture lies on the page, in the page's pixels. A page without one has an empty
// place (width 0).
struct PicturePlace {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};
constexpr int32_t PICTURE_MAX_SIDE = 16384; // the largest side a page's picture may have
constexpr double PICTURE_MAX_ENLARGEMENT = 2.0;

// A picture of srcWidth x srcHeight laid on a page of pageWidth x pageHeight: whole, its aspect
// kept, centred, as large as the page allows but never enlarged past PICTURE_MAX_ENLARGEMENT times.
// Empty when either size is not positive.
PicturePlace fitPicture(int32_t srcWidth, int32_t srcHeight, int32_t pageWidth, int32_t pageHeight);

// A page's picture in memory: its place and its place.width x place.height pixels (0x00RRGGBB).
struct PictureView {
    PicturePlace place;
    const uint32_t* pixels = nullptr;
};

// What the board shows at pixel (x, y) of a page where the drawing has none of its own: the
// picture where it lies, else the background.
uint32_t backdropPixel(BoardBackground b, int32_t step, const PictureView* picture, int32_t x, int32_t y);

// A picture of the page as it shows: every pixel of the key colour takes what lies under the
// drawing (backdropPixel: the picture, or the background's colour). `pixels` are 0x00RRGGBB (the
// fourth byte is ignored and cleared), top row first.
void composeBackground(BoardBackground b, int32_t step, uint32_t keyRgb, int32_t width, int32_t height,
                       uint32_t* pixels, const PictureView* picture = nullptr);

struct BoardPageEntry {
    uint32_t fileId;            // the page's file: pageFileName(fileId); unique on the board
    BoardBackground background; // what the board shows under the page's key-colour pixels
    PicturePlace picture = {};  // where its picture lies (pictureFileName(fileId)); empty: none
};

// The board: its pages in order and the page shown. A board always has 1 to BOARD_MAX_PAGES pages.
struct BoardIndex {
    std::vector<BoardPageEntry> pages;
    int32_t shown = 0;       // 0-based
    uint32_t nextFileId = 1; // the id the next new page takes; above every id in use
};

// One empty page of that background.
BoardIndex freshBoard(BoardBackground background);

// A board of one empty page with that background, after `old`: its file is new, so no file of the
// old board is taken before the new index is written.
BoardIndex boardAfter(const BoardIndex& old, BoardBackground background);

// The page before or after the shown one; -1 when there is none (the board does not wrap).
int32_t previousPage(const BoardIndex& board);
int32_t nextPage(const BoardIndex& board);
// A new empty page right after the shown one, which becomes the shown page; its background is the
// shown page's. False (nothing changed) when the board already has BOARD_MAX_PAGES pages.
// With a picture place, the page has a picture there.
bool addPageAfterShown(BoardIndex* board, const PicturePlace& picture = {});

// A board of pages with these pictures (one page each, in order, on that background) after `old`:
// their files are new, as boardAfter's are. The caller keeps to BOARD_MAX_PAGES.
BoardIndex boardOfPictures(const BoardIndex& old, BoardBackground background,
                           const std::vector<PicturePlace>& pictures);

// "2 / 5": the shown page and how many there are, both counted from 1.
std::string pageLabel(const BoardIndex& board);

// The page file of an id: "pagina-7.png"; its picture's: "imagen-7.png".
std::string pageFileName(uint32_t fileId);
std::string pictureFileName(uint32_t fileId);

// The index as text, and back. Reading is forgiving, line by line: a page line that does not read
// (or repeats a file, or comes after BOARD_MAX_PAGES others) is skipped, a shown page out of range
// is the first; the board is lost only when nothing of it reads (false, `out` left as it was).
std::string formatBoardIndex(const BoardIndex& board);
bool parseBoardIndex(const std::string& text, BoardIndex* out);
