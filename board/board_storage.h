#pragma once
// The board on disk: the folder LocalAppData\Velmora\Pizarra holds one PNG per page and the index
// (board_rules.h). Every file is written whole to a temporary name and then moved over the old one,
// so a crash or a power cut in the middle of a write leaves the previous file whole. The writing
// (PNG encoding included) runs on a thread of its own, from packed copies of the pages. A write
// that fails (a scanner holding the fresh file, a full disk) is tried again, and the index is
// never written while a page it names has no file.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "board/core/board_rules.h"
#include "pages/core/packed_page.h"

// A page's pixels, 0x00RRGGBB, top row first; empty when it has none (a page that could not be read).
struct BoardPageFile {
    uint32_t fileId = 0;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

// A page to write: its packed pixels, written as a picture of width x height (blank, the key
// colour, beyond what the packed rectangle holds).
struct BoardPageSave {
    uint32_t fileId = 0;
    int32_t width = 0;
    int32_t height = 0;
    PackedPage packed;
};

// A page's picture, held while its page is shown or while it is not on disk yet: where it lies, its
// pixels (place.width x place.height, 0x00RRGGBB), or, when it came as a PNG file (a page of a PDF)
// and has not been shown, that file alone, which is then written as it is.
struct BoardPicture {
    PicturePlace place;
    std::vector<uint32_t> pixels;
    std::vector<uint8_t> png;
};

// A picture to write. A picture never changes: it is written once, when its page is made, and the
// writer holds it until its file is on disk.
struct BoardPictureSave {
    uint32_t fileId = 0;
    std::shared_ptr<const BoardPicture> picture;
};

// One save: the pages that changed and the new pictures, then the index, then the files of pages
// no longer on the board go (every page file not named in `keep`, which lists the index's pages,
// and every picture file not named in `keepPictures`).
struct BoardSave {
    std::vector<BoardPageSave> pages;
    std::vector<BoardPictureSave> pictures;
    std::string index;
    std::vector<uint32_t> keep;
    std::vector<uint32_t> keepPictures;
};

// LocalAppData\Velmora\Pizarra, made when missing; false when it cannot be.
bool boardFolder(std::wstring* folder);

// The board's index as the disk holds it. False when there is none that reads (a first start): the
// caller starts a fresh board.
bool loadBoardIndex(BoardIndex* index);
// One page's file, decoded; false when it is missing or damaged. The caller reads the pages one at
// a time, so only one page's whole picture is ever held while the board is brought back.
bool loadBoardPage(uint32_t fileId, BoardPageFile* out);
// A page's picture from its file, at its place's size; false when it is missing or damaged.
bool loadBoardPicture(uint32_t fileId, const PicturePlace& place, BoardPicture* out);
// A look at a page's file without decoding it (pngLooksWhole): false when it is missing, cut short
// or overwritten.
bool boardPageLooksWhole(uint32_t fileId);

// Hands a save to the writing thread and returns at once. A save still waiting takes this one's
// pages and index into it, so a slow disk never piles saves up. A page whose file cannot be written
// is tried again a few times at once, then every BOARD_RETRY_LATER_MS, until it is written or a later save
// brings newer pixels for it; the index waits until every page it names has a file.
void queueBoardSave(BoardSave save);
constexpr DWORD BOARD_RETRY_LATER_MS = 2000;
// Waits until every save handed over is on disk, at most timeoutMs; false on time-out (a write that
// keeps failing is still being tried).
bool waitBoardSaves(DWORD timeoutMs);

// A PNG file's pixels; false when it is missing or does not decode.
bool decodePngFile(const std::wstring& path, BoardPageFile* out);
// Writes the bytes to path + ".tmp", flushes them to the disk and moves the file over `path`. On
// failure no file at `path` has changed and the error is returned (0 on success).
DWORD writeFileReplacing(const std::wstring& path, const std::vector<uint8_t>& bytes);
