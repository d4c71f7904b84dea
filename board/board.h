#pragma once
// The board: a stack of pages shown one at a time on the board's page window (page 2). The page
// shown lives in that window's canvas and undo history; the others rest packed in memory, each
// with its own history, and every page is kept on disk (board_storage.h) as it is drawn. Each page
// has its background, which the board's container paints under the page's key-colour pixels.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "board/board_storage.h"
#include "board/core/board_rules.h"
#include "pages/core/packed_page.h"
#include "pages/core/page_rules.h"

// Takes the board's page window and its container (the page has its canvas and history), and
// brings the board back from disk as it was: pages, backgrounds, pictures, the page shown. The
// desktop page is the one whose drawing a frozen screen carries.
void openBoard(HWND page, HWND container, HWND desktopPage = nullptr);
HWND boardDesktopPage();
// The bar that shows the board's state and asks for its commands; null: none.
void setBoardBar(HWND bar);

// The commands of the bar. Each puts down a gesture under way on the page first.
void turnBoardPage(int32_t delta); // -1 the page before, +1 the page after; nothing at either end
void addBoardPage();               // a new empty page after the shown one, shown at once
void cycleBoardBackground();       // the shown page's next background
void saveBoardPdf(HWND owner);     // "PDF": startBoardPdf(owner, false)
void startNewBoard(HWND owner);    // "Nueva pizarra": startBoardPdf(owner, true)

// Every page into one PDF of Pictures\Velmora, composed, encoded and written on a thread of its own
// from a copy of the packed pages (copyBoard), the board usable meanwhile. Once it is written a
// balloon names it, and with `thenNewBoard` the board becomes one empty page (replaceBoardAfterPdf);
// else a box says why and the board stays. One at a time: while one is being written another ask
// only adds its `thenNewBoard`. With `thenPictures`, the new board is a page for each of them (a
// board opened from a PDF in this one's place). False when none could be started (no page shown,
// no thread).
bool startBoardPdf(HWND owner, bool thenNewBoard,
                   std::vector<std::shared_ptr<const BoardPicture>> thenPictures = {});
// A PDF is being written: its outcome is not told yet.
bool boardPdfWriting();
// Waits until a PDF being written is on disk (or has failed), at most timeoutMs; its outcome is
// told at the next turn of the message loop. False on time-out.
bool waitBoardPdf(DWORD timeoutMs);

// What the bar shows.
const BoardIndex& boardIndex();
// The shown page's background and the grid's step on this display.
BoardBackground shownBackground();
int32_t boardGridStep();

// The container's background: paints the shown page's background on the board's container; false
// for any other window (it then erases as its class does).
bool paintBoardBackground(HWND container, HDC dc);
// The background under a rectangle of the board as 0x00RRGGBB pixels, top row first.
void boardBackgroundPixels(int32_t left, int32_t top, int32_t width, int32_t height,
                           std::vector<uint32_t>* out);

// Where the shown page's picture lies (false: it has none), and the background alone, without it.
bool boardPicturePlace(IntRect* place);
void boardBackgroundOnly(int32_t left, int32_t top, int32_t width, int32_t height,
                         std::vector<uint32_t>* out);

// Writes every change now and waits for the disk, and for a PDF being written, at most a few seconds
// in all: "Salir" and log-off.
void saveBoardNow();
// The tray balloon for pages that could not be read back at start; nothing when all came back.
void tellUnrecoveredPages();

// A copy of the board to compose away from the windows' thread: every page in order, packed, with
// its background, to be composed at width x height (the monitor's size) on squares of gridStep.
struct BoardCopyPage {
    PackedPage packed;
    BoardBackground background;
    uint32_t unreadFileId; // not 0: the page is still only this file (loadBoardPage), not `packed`
    uint32_t fileId;
    PicturePlace picturePlace;                   // empty: the page has no picture
    std::shared_ptr<const BoardPicture> picture; // null: read it from its file (loadBoardPicture)
};
struct BoardCopy {
    std::vector<BoardCopyPage> pages;
    int32_t width = 0;
    int32_t height = 0;
    int32_t gridStep = 0;
    uint64_t changes = 0; // the board's changes counted when the copy was made
};
bool copyBoard(BoardCopy* out);
// "Nueva pizarra" once its PDF is written: one empty page on the shown page's background, unless the
// board has changed since the copy the PDF was made of (false: the board then stays as it is). With
// pictures (a board opened from a PDF in its place), a page for each of them instead.
bool replaceBoardAfterPdf(uint64_t changesAtCopy,
                          const std::vector<std::shared_ptr<const BoardPicture>>& pictures = {});

// The size of a board page: the board's monitor's (within the canvas). False while there is no board.
bool boardPageSize(int32_t* width, int32_t* height);
// New pages after the shown one, one for each picture (its place on the page, and its pixels or
// its PNG file), each under an empty ink layer, the first of them shown; as many as the board has
// room for. Returns how many were added.
int32_t addPicturePages(const std::vector<std::shared_ptr<const BoardPicture>>& pictures);
