#pragma once
// The board: a stack of pages shown one at a time on the board's page window (page 2). The page
// shown lives in that window's canvas and undo history; the others rest packed in memory, each
// with its own history, and every page is kept on disk (board_storage.h) as it is drawn. Each page
// has its background, which the board's container paints under the page's key-colour pixels.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pages/core/board_rules.h"

// Takes the board's page window and its container (the page has its canvas and history), and
// brings the board back from disk as it was: pages, backgrounds, the page shown.
void openBoard(HWND page, HWND container);
// The bar that shows the board's state and asks for its commands; null: none.
void setBoardBar(HWND bar);

// The commands of the bar. Each puts down a gesture under way on the page first.
void turnBoardPage(int32_t delta); // -1 the page before, +1 the page after; nothing at either end
void addBoardPage();               // a new empty page after the shown one, shown at once
void cycleBoardBackground();       // the shown page's next background
bool saveBoardPdf(HWND owner);     // "PDF": every page into one file of Pictures\Velmora; true when
                                   // written (a balloon names it), else a box says why
void startNewBoard(HWND owner);    // "Nueva pizarra": the PDF first, then one empty page

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

// Writes every change now and waits for the disk (at most a few seconds): "Salir" and log-off.
void saveBoardNow();
// The tray balloon for pages that could not be read back at start; nothing when all came back.
void tellUnrecoveredPages();

// The pictures of every page in order, each as the board shows it (its background under the
// drawing), at the monitor's size.
struct BoardPagePicture {
    int32_t width;
    int32_t height;
    std::vector<uint32_t> pixels; // 0x00RRGGBB, top row first
};
bool boardPagePictures(std::vector<BoardPagePicture>* out);
