#pragma once
// Material brought onto the board, each piece as new pages with a picture under an empty ink layer:
// the screen frozen as it shows, pictures opened from files, and the pages of a board saved as a
// PDF by Velmora (yesterday's lesson).
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "board/board_storage.h"

// What the board's monitor shows under Velmora's windows, with the desktop page's drawing on it,
// becomes a new page after the shown one, which the board shows. False (told) when nothing was added.
bool freezeScreenToBoard(HWND desktopPage);

// Windows' file dialog ("Abrir imagen", in the user's Pictures folder, several files at once):
// each picture chosen becomes a page, fitted; each Velmora PDF asks whether it replaces the board
// or adds its pages (openBoardFiles). The keyboard goes back to whoever had it before.
void openPicturesOnBoard(HWND owner);

// The files, as if chosen in the dialog: the pictures first, in order, then each PDF. Whatever
// cannot be opened is told in one box naming each file and what is wrong, and changes nothing.
void openBoardFiles(HWND owner, const std::vector<std::wstring>& paths);

// Every page of a Velmora PDF as a picture for a board page of pageWidth x pageHeight, each checked
// whole (decoded once): a page of the board's size keeps its PNG as it is, any other is fitted.
// False, with `reason` (Windows-1252, the end of a sentence that starts with the file's name), when
// the file is not one or is damaged: nothing is then read.
bool readBoardPdf(const std::wstring& path, int32_t pageWidth, int32_t pageHeight,
                  std::vector<std::shared_ptr<const BoardPicture>>* out, std::string* reason);
