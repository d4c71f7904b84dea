#pragma once
// The board on disk: the folder LocalAppData\Velmora\Pizarra holds one PNG per page and the index
// (board_rules.h). Every file is written whole to a temporary name and then moved over the old one,
// so a crash or a power cut in the middle of a write leaves the previous file whole. The writing
// (PNG encoding included) runs on a thread of its own, from copies of the pixels.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pages/core/board_rules.h"

// A page's pixels, 0x00RRGGBB, top row first; empty when it has none (a page that could not be read).
struct BoardPageFile {
    uint32_t fileId = 0;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

// One save: the pages that changed, then the index, then the files of pages no longer on the board
// go (every page file not named in `keep`).
struct BoardSave {
    std::vector<BoardPageFile> pages;
    std::string index;
    std::vector<uint32_t> keep;
};

// LocalAppData\Velmora\Pizarra, made when missing; false when it cannot be.
bool boardFolder(std::wstring* folder);

// The board as the disk holds it. False when there is no index that reads (a first start): the
// caller starts a fresh board. Each page's file is read; a page whose file is missing or damaged
// comes back without pixels, and its position (1-based) is in `lost`.
bool loadBoardFiles(BoardIndex* index, std::vector<BoardPageFile>* pages, std::vector<int32_t>* lost);

// Hands a save to the writing thread and returns at once. A save still waiting takes this one's
// pages and index into it, so a slow disk never piles saves up.
void queueBoardSave(BoardSave save);
// Waits until every save handed over is on disk, at most timeoutMs; false on time-out.
bool waitBoardSaves(DWORD timeoutMs);

// A PNG file's pixels; false when it is missing or does not decode.
bool decodePngFile(const std::wstring& path, BoardPageFile* out);
// Writes the bytes to path + ".tmp", flushes them to the disk and moves the file over `path`. On
// failure no file at `path` has changed and the error is returned (0 on success).
DWORD writeFileReplacing(const std::wstring& path, const std::vector<uint8_t>& bytes);
