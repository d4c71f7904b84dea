#include "board/core/board_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>

namespace {

const char INDEX_HEADER[] = "velmora-board 1";

// A decimal number that is the whole of `word`, in [low, high].
bool readNumber(const std::string& word, long low, long high, long* out) {
    if (word.empty() || word.size() > 9)
        return false;
    for (char c : word)
        if (c < '0' || c > '9')
            return false;
    const long v = std::strtol(word.c_str(), nullptr, 10);
    if (v < low || v > high)
        return false;
    *out = v;
    return true;
}

// "picture left top width height" in words 3 to 7 of a page line.
bool readPicturePlace(const std::vector<std::string>& w, PicturePlace* out) {
    long x = 0, y = 0, width = 0, height = 0;
    if (w[3] != "picture" || !readNumber(w[4], 0, PICTURE_MAX_SIDE, &x) ||
        !readNumber(w[5], 0, PICTURE_MAX_SIDE, &y) || !readNumber(w[6], 1, PICTURE_MAX_SIDE, &width) ||
        !readNumber(w[7], 1, PICTURE_MAX_SIDE, &height))
        return false;
    *out = {int32_t(x), int32_t(y), int32_t(width), int32_t(height)};
    return true;
}

} // namespace

BoardBackground nextBackground(BoardBackground b) {
    return BoardBackground((int32_t(b) + 1) % BACKGROUND_COUNT);
}

int32_t gridStep(int32_t dpi) {
    if (dpi <= 0)
        dpi = 96;
    return (GRID_STEP_96 * dpi + 48) / 96;
}

uint32_t backgroundPixel(BoardBackground b, int32_t x, int32_t y, int32_t step) {
    switch (b) {
    case BACKGROUND_WHITE:
        return BACKGROUND_WHITE_RGB;
    case BACKGROUND_SQUARED:
        if (step > 0 && (x % step == 0 || y % step == 0))
            return GRID_LINE_RGB;
        return BACKGROUND_WHITE_RGB;
    case BACKGROUND_BLACK:
        return BACKGROUND_BLACK_RGB;
    case BACKGROUND_GREY:
    default:
        return BACKGROUND_GREY_RGB;
    }
}

PicturePlace fitPicture(int32_t srcWidth, int32_t srcHeight, int32_t pageWidth, int32_t pageHeight) {
    if (srcWidth <= 0 || srcHeight <= 0 || pageWidth <= 0 || pageHeight <= 0)
        return {};
    double scale = std::min(double(pageWidth) / srcWidth, double(pageHeight) / srcHeight);
    scale = std::min(scale, PICTURE_MAX_ENLARGEMENT);
    PicturePlace place;
    place.width = std::max(1, std::min(pageWidth, int32_t(std::lround(srcWidth * scale))));
    place.height = std::max(1, std::min(pageHeight, int32_t(std::lround(srcHeight * scale))));
    place.x = (pageWidth - place.width) / 2;
    place.y = (pageHeight - place.height) / 2;
    return place;
}

uint32_t backdropPixel(BoardBackground b, int32_t step, const PictureView* picture, int32_t x, int32_t y) {
    if (picture && picture->pixels) {
        const PicturePlace& p = picture->place;
        if (x >= p.x && y >= p.y && x - p.x < p.width && y - p.y < p.height)
            return picture->pixels[size_t(y - p.y) * size_t(p.width) + size_t(x - p.x)] & 0xFFFFFF;
    }
    return backgroundPixel(b, x, y, step);
}

void composeBackground(BoardBackground b, int32_t step, uint32_t keyRgb, int32_t width, int32_t height,
                       uint32_t* pixels, const PictureView* picture) {
    for (int32_t y = 0; y < height; ++y) {
        uint32_t* row = pixels + size_t(y) * size_t(width);
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t p = row[x] & 0xFFFFFF;
            row[x] = p == keyRgb ? backdropPixel(b, step, picture, x, y) : p;
        }
    }
}

BoardIndex freshBoard(BoardBackground background) {
    BoardIndex board;
    board.pages.push_back({1, background});
    board.shown = 0;
    board.nextFileId = 2;
    return board;
}

BoardIndex boardAfter(const BoardIndex& old, BoardBackground background) {
    BoardIndex board;
    board.pages.push_back({old.nextFileId, background});
    board.nextFileId = old.nextFileId + 1;
    return board;
}

int32_t previousPage(const BoardIndex& board) {
    return board.shown > 0 ? board.shown - 1 : -1;
}

int32_t nextPage(const BoardIndex& board) {
    return board.shown + 1 < int32_t(board.pages.size()) ? board.shown + 1 : -1;
}

bool addPageAfterShown(BoardIndex* board, const PicturePlace& picture) {
    if (int32_t(board->pages.size()) >= BOARD_MAX_PAGES)
        return false;
    const BoardBackground background =
        board->pages.empty() ? BACKGROUND_GREY : board->pages[size_t(board->shown)].background;
    const int32_t at = board->pages.empty() ? 0 : board->shown + 1;
    board->pages.insert(board->pages.begin() + at, {board->nextFileId++, background, picture});
    board->shown = at;
    return true;
}

BoardIndex boardOfPictures(const BoardIndex& old, BoardBackground background,
                           const std::vector<PicturePlace>& pictures) {
    BoardIndex board;
    board.nextFileId = old.nextFileId;
    for (const PicturePlace& place : pictures)
        board.pages.push_back({board.nextFileId++, background, place});
    if (board.pages.empty())
        board.pages.push_back({board.nextFileId++, background});
    return board;
}

std::string pageLabel(const BoardIndex& board) {
    return std::to_string(board.shown + 1) + " / " + std::to_string(board.pages.size());
}

std::string pageFileName(uint32_t fileId) {
    return "pagina-" + std::to_string(fileId) + ".png";
}

std::string pictureFileName(uint32_t fileId) {
    return "imagen-" + std::to_string(fileId) + ".png";
}

// velmora-board 1
// shown 2
// page 1 0
// page 4 2 picture 0 60 1920 960
// The page lines in order: the file id and the background, and for a page with a picture where
// it lies (left, top, width, height).
std::string formatBoardIndex(const BoardIndex& board) {
    std::string text = std::string(INDEX_HEADER) + "\n";
    text += "shown " + std::to_string(board.shown + 1) + "\n";
    for (const BoardPageEntry& p : board.pages) {
        text += "page " + std::to_string(p.fileId) + " " + std::to_string(int32_t(p.background));
        const PicturePlace& c = p.picture;
        if (c.width > 0)
            text += " picture " + std::to_string(c.x) + " " + std::to_string(c.y) + " " +
                    std::to_string(c.width) + " " + std::to_string(c.height);
        text += "\n";
    }
    return text;
}

bool parseBoardIndex(const std::string& text, BoardIndex* out) {
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line != INDEX_HEADER)
        return false;
    BoardIndex board;
    long shown = 1;
    std::set<uint32_t> ids;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word && w.size() < 9;)
            w.push_back(word);
        long v = 0, bg = 0;
        PicturePlace picture;
        if (w.size() == 2 && w[0] == "shown" && readNumber(w[1], 1, BOARD_MAX_PAGES, &v)) {
            shown = v;
        } else if ((w.size() == 3 || w.size() == 8) && w[0] == "page" && readNumber(w[1], 1, 99999999, &v) &&
                   readNumber(w[2], 0, BACKGROUND_COUNT - 1, &bg) &&
                   (w.size() == 3 || readPicturePlace(w, &picture)) && !ids.count(uint32_t(v)) &&
                   int32_t(board.pages.size()) < BOARD_MAX_PAGES) {
            ids.insert(uint32_t(v));
            board.pages.push_back({uint32_t(v), BoardBackground(bg), picture});
            if (uint32_t(v) >= board.nextFileId)
                board.nextFileId = uint32_t(v) + 1;
        }
    }
    if (board.pages.empty())
        return false;
    board.shown = shown <= long(board.pages.size()) ? int32_t(shown - 1) : 0;
    *out = board;
    return true;
}
