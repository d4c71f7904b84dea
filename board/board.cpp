// The board: its stack of pages on the board's page window, the container's background, and the
// saves that keep it on disk. The page shown lives in the page window's canvas and its history's
// shadow (which always holds the canvas as of the last finished step); the others rest as runs of
// their pixels (packed_page.h), each with its undo lane, which the page window's lane swaps with
// when the page is shown. The disk's writer and the PDF get packed copies: a whole picture of a page
// is only ever made for one page at a time.
#include "board/board.h"

#include <algorithm>
#include <map>
#include <memory>

#include "win32/monitors.h"
#include "win32/key_colour.h"
#include "win32/tray_icon.h"
#include "board/board_storage.h"
#include "board/picture_decode.h"
#include "pages/page_container.h"
#include "pages/page_state.h"

namespace {

constexpr UINT SAVE_DELAY_MS = 1000; // a change is on disk about a second later, well within 5 s
constexpr DWORD SAVE_WAIT_MS = 8000; // "Salir" and log-off wait this long for the disk at most

struct RestingPage {
    PackedPage packed;   // the pixels of a page not shown; no runs: a blank page, or the page shown
    UndoLane lane;       // its steps while it is not shown (resting); empty while it is
    bool dirty = false;  // changed since it was last handed to the disk
    bool unread = false; // its pixels are still only its file's (restored, not shown yet)
    // Its picture while someone holds it in memory (the page shown, the disk's writer until the
    // file is written); expired: the picture is only its file's.
    std::weak_ptr<const BoardPicture> picture;
};

BoardIndex board = freshBoard(BACKGROUND_GREY);
std::map<uint32_t, RestingPage> pagesById;        // by file id: the lanes keep their address for the budget
HWND boardPage = nullptr;                         // page 2, the page window the board is drawn on
HWND boardContainer = nullptr;                    // its container, which paints the background
HWND desktopPageWindow = nullptr;                 // page 1, whose drawing a frozen screen carries
HWND boardBar = nullptr;                          // repainted when the label or the background changes
bool indexDirty = false;                          // the order, a background or the page shown changed
UINT_PTR saveTimer = 0;                           // a save is due when it fires
std::vector<int32_t> lostPages;                   // 1-based pages whose file could not be read, to be told
std::shared_ptr<const BoardPicture> shownPicture; // the shown page's picture, its pixels decoded; null: none
std::vector<BoardPictureSave> picturesDue;        // new pictures for the next save
uint64_t changeCount = 0; // every change of a page or of the index counts one; read by the PDF's
                          // start and end, all on the windows' thread

uint32_t shownId() {
    return board.pages[size_t(board.shown)].fileId;
}

RestingPage& pageEntry(uint32_t id) {
    RestingPage& page = pagesById[id];
    if (!page.lane.resting) {
        page.lane.resting = true;
        addLane(&undoBudget, &page.lane);
    }
    return page;
}

PageRecord* boardRecord() {
    return boardPage ? pageRecordOf(boardPage) : nullptr;
}

// The shown page's history: the pages can be turned only with it (its shadow holds the pixels).
PageHistory* boardHistory() {
    PageRecord* record = boardRecord();
    return record && record->memDC ? record->history : nullptr;
}

COLORREF colourOf(uint32_t rgb) {
    return RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
}

void fillRgb(HDC dc, const RECT& r, uint32_t rgb) {
    HBRUSH brush = CreateSolidBrush(colourOf(rgb));
    if (brush) {
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
}

// The size every page is saved and exported at: the board's monitor (within the canvas).
void monitorSize(const PageHistory* h, int32_t* width, int32_t* height) {
    const RECT area = boardArea();
    *width = area.right - area.left < h->width ? area.right - area.left : h->width;
    *height = area.bottom - area.top < h->height ? area.bottom - area.top : h->height;
}

// A copy of a page's packed pixels: the shown page's packed from the shadow at width x height, a
// resting page's as it rests (its user cuts it to the size).
PackedPage packedCopy(uint32_t id, const PageHistory* h, int32_t width, int32_t height) {
    if (id != shownId())
        return pageEntry(id).packed;
    PackedPage page;
    GdiFlush();
    packRect(h->pixels, h->width, {0, 0, width, height}, &page.runs);
    page.width = width;
    page.height = height;
    return page;
}

// --- saving -------------------------------------------------------------------------------------

BoardSave collectSave() {
    BoardSave save;
    PageHistory* h = boardHistory();
    int32_t width = 0, height = 0;
    if (h)
        monitorSize(h, &width, &height);
    for (const BoardPageEntry& entry : board.pages) {
        RestingPage& page = pageEntry(entry.fileId);
        save.keep.push_back(entry.fileId);
        if (!page.dirty || !h)
            continue;
        // The writer owns the page from here: it keeps trying until the file is written.
        page.dirty = false;
        BoardPageSave file;
        file.fileId = entry.fileId;
        file.width = width;
        file.height = height;
        file.packed = packedCopy(entry.fileId, h, width, height);
        save.pages.push_back(std::move(file));
    }
    for (const BoardPageEntry& entry : board.pages)
        if (entry.picture.width > 0)
            save.keepPictures.push_back(entry.fileId);
    save.pictures = std::move(picturesDue);
    picturesDue.clear();
    save.index = formatBoardIndex(board);
    indexDirty = false;
    return save;
}

void CALLBACK onSaveTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (saveTimer)
        KillTimer(nullptr, saveTimer);
    saveTimer = 0;
    queueBoardSave(collectSave());
}

// The first change arms the timer; more changes before it fires go with the same save, so a
// teacher who keeps drawing still has it all on disk every second.
void scheduleSave() {
    if (!saveTimer)
        saveTimer = SetTimer(nullptr, 0, SAVE_DELAY_MS, onSaveTimer);
}

void pageChanged(PageRecord* record) {
    if (record != boardRecord() || board.pages.empty())
        return;
    pageEntry(shownId()).dirty = true;
    ++changeCount;
    scheduleSave();
}

void indexChanged() {
    indexDirty = true;
    ++changeCount;
    scheduleSave();
}

// --- turning ------------------------------------------------------------------------------------

void putDownGesture() {
    if (boardPage)
        SendMessageA(boardPage, UM_PAGE_PUT_DOWN, 0, 0);
}

// The page shown and its background on the screen now, not at the next turn of the message loop:
// a page turn is done when the user sees it.
void refreshBoard() {
    const UINT now = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
    if (boardContainer)
        RedrawWindow(boardContainer, nullptr, nullptr, now);
    if (boardPage)
        RedrawWindow(boardPage, nullptr, nullptr, now);
    if (boardBar)
        RedrawWindow(boardBar, nullptr, nullptr, now);
}

// The shown page's pixels and steps go to its resting place.
void restShownPage(PageHistory* h) {
    RestingPage& page = pageEntry(shownId());
    GdiFlush();
    packRect(h->pixels, h->width, {0, 0, h->width, h->height}, &page.packed.runs);
    page.packed.width = h->width;
    page.packed.height = h->height;
    exchangeSteps(&h->lane, &page.lane);
}

// A restored page's pixels packed as a resting page (cut to the canvas).
void restPixels(RestingPage* page, const BoardPageFile& file, const PageHistory* h) {
    page->packed = PackedPage{};
    if (file.pixels.empty())
        return;
    page->packed.width = file.width < h->width ? file.width : h->width;
    page->packed.height = file.height < h->height ? file.height : h->height;
    packRect(file.pixels.data(), file.width, {0, 0, page->packed.width, page->packed.height},
             &page->packed.runs);
}

// A page still only in its file is read when it is first needed (shown): its pixels packed as it
// rests. A file that no longer decodes makes it an empty page, told (at once, or with the start's
// balloon), which the next save writes.
void readPage(int32_t k, const PageHistory* h, bool tellNow) {
    RestingPage& page = pageEntry(board.pages[size_t(k)].fileId);
    if (!page.unread)
        return;
    page.unread = false;
    BoardPageFile file;
    if (loadBoardPage(board.pages[size_t(k)].fileId, &file)) {
        restPixels(&page, file, h);
        return;
    }
    page.dirty = true;
    lostPages.push_back(k + 1);
    if (tellNow) {
        scheduleSave();
        tellUnrecoveredPages();
    }
}

// A page's picture with its pixels: the one in memory (decoded now when it is only a PNG file's
// bytes), else its file's. Null for a page without one, or whose picture cannot be read (told, as
// a page that cannot be read is; the page then shows its background there).
std::shared_ptr<const BoardPicture> pictureOf(int32_t k, bool tellNow) {
    const BoardPageEntry& entry = board.pages[size_t(k)];
    if (entry.picture.width <= 0)
        return nullptr;
    std::shared_ptr<const BoardPicture> held = pageEntry(entry.fileId).picture.lock();
    if (held && !held->pixels.empty())
        return held;
    auto picture = std::make_shared<BoardPicture>();
    picture->place = entry.picture;
    DecodedPicture decoded;
    if (held && SUCCEEDED(decodePicture(nullptr, &held->png, 0, 0, &decoded)) &&
        decoded.place.width == entry.picture.width && decoded.place.height == entry.picture.height) {
        picture->pixels = std::move(decoded.pixels);
        return picture;
    }
    if (loadBoardPicture(entry.fileId, entry.picture, picture.get()))
        return picture;
    lostPages.push_back(k + 1);
    if (tellNow)
        tellUnrecoveredPages();
    return nullptr;
}

// Page k becomes the shown one: its pixels into the shadow and the canvas, its steps into the page
// window's lane, its picture decoded for the container.
void showPage(PageHistory* h, int32_t k) {
    PageRecord* record = boardRecord();
    readPage(k, h, true);
    board.shown = k;
    shownPicture = pictureOf(k, true);
    RestingPage& page = pageEntry(shownId());
    GdiFlush();
    std::fill(h->pixels, h->pixels + size_t(h->width) * size_t(h->height), KEY_COLOUR_PIXEL);
    const PackedPage& packed = page.packed;
    if (!packed.runs.empty() && packed.width <= h->width && packed.height <= h->height)
        unpackRect(packed.runs, h->pixels, h->width, {0, 0, packed.width, packed.height});
    page.packed = PackedPage{}; // the canvas holds it now
    exchangeSteps(&h->lane, &page.lane);
    h->changed = {0, 0, 0, 0};
    BitBlt(record->memDC, 0, 0, h->width, h->height, h->shadowDC, 0, 0, SRCCOPY);
    refreshBoard();
}

// Only the shown page is decoded at start; the others are looked at (a file cut short or
// overwritten is told now, with the start's balloon) and read when they are first shown. Each page
// read is packed before another is: a board of 99 pages never holds more than one page's whole
// picture, and the start does not wait for 99 decodes.
void restoreFromDisk(PageHistory* h) {
    BoardIndex index;
    if (!loadBoardIndex(&index)) {
        // A first start: one grey page, as the board always was. Its file goes with the first
        // save, so that the index never names a page without one.
        pageEntry(shownId()).dirty = true;
        return;
    }
    board = index;
    for (size_t i = 0; i < board.pages.size(); ++i) {
        RestingPage& page = pageEntry(board.pages[i].fileId);
        page.unread = true;
        if (int32_t(i) != board.shown && !boardPageLooksWhole(board.pages[i].fileId)) {
            // Told once; the next save gives it an empty file.
            page.unread = false;
            page.dirty = true;
            lostPages.push_back(int32_t(i + 1));
        }
    }
    readPage(board.shown, h, false);
    std::sort(lostPages.begin(), lostPages.end());
    showPage(h, board.shown);
}

// What the board shows under a rectangle where the page has no ink: the picture (if any), else the
// shown page's background.
void backdropPixels(int32_t left, int32_t top, int32_t width, int32_t height, const PictureView* picture,
                    std::vector<uint32_t>* out) {
    out->resize(size_t(width) * size_t(height));
    const BoardBackground b = shownBackground();
    const int32_t step = boardGridStep();
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            (*out)[size_t(y) * size_t(width) + size_t(x)] =
                backdropPixel(b, step, picture, left + x, top + y);
}

// A picture page's picture joins the next save; the page keeps it in memory until it is on disk.
void takePicture(uint32_t fileId, const std::shared_ptr<const BoardPicture>& picture) {
    pageEntry(fileId).picture = picture;
    picturesDue.push_back({fileId, picture});
}

} // namespace

HWND boardDesktopPage() {
    return desktopPageWindow;
}

void openBoard(HWND page, HWND container, HWND desktopPage) {
    desktopPageWindow = desktopPage;
    pageBackdrop = {paintBoardBackground, boardBackgroundPixels, boardPicturePlace, boardBackgroundOnly};
    // A board opened again (a palette made anew) starts from what the disk holds, not from the
    // pages of the page window before.
    for (auto& entry : pagesById)
        removeLane(&undoBudget, &entry.second.lane);
    pagesById.clear();
    board = freshBoard(BACKGROUND_GREY);
    lostPages.clear();
    shownPicture.reset();
    picturesDue.clear();
    boardPage = page;
    boardContainer = container;
    pageChangedHook = pageChanged;
    PageHistory* h = boardHistory();
    if (h)
        restoreFromDisk(h);
}

void setBoardBar(HWND bar) {
    boardBar = bar;
}

const BoardIndex& boardIndex() {
    return board;
}

BoardBackground shownBackground() {
    return board.pages[size_t(board.shown)].background;
}

// The square is sized for the board's monitor as it is now: a projector at 100 % beside a laptop
// at 150 % has squares of 40 pixels, and they follow when the board moves to another monitor.
int32_t boardGridStep() {
    return gridStep(boardDpi());
}

void turnBoardPage(int32_t delta) {
    PageHistory* h = boardHistory();
    const int32_t k = delta < 0 ? previousPage(board) : nextPage(board);
    if (!h || k < 0)
        return;
    putDownGesture();
    restShownPage(h);
    showPage(h, k);
    indexChanged();
}

void addBoardPage() {
    PageHistory* h = boardHistory();
    if (!h || int32_t(board.pages.size()) >= BOARD_MAX_PAGES)
        return;
    putDownGesture();
    restShownPage(h);
    addPageAfterShown(&board);
    pageEntry(shownId()).dirty = true; // an empty page has its file too
    showPage(h, board.shown);
    indexChanged();
}

void cycleBoardBackground() {
    putDownGesture();
    board.pages[size_t(board.shown)].background = nextBackground(shownBackground());
    refreshBoard();
    indexChanged();
}

void startNewBoard(HWND owner) {
    if (!boardHistory())
        return;
    putDownGesture();
    startBoardPdf(owner, true);
}

bool boardPageSize(int32_t* width, int32_t* height) {
    PageHistory* h = boardHistory();
    if (!h)
        return false;
    monitorSize(h, width, height);
    return *width > 0 && *height > 0;
}

int32_t addPicturePages(const std::vector<std::shared_ptr<const BoardPicture>>& pictures) {
    PageHistory* h = boardHistory();
    if (!h || pictures.empty() || int32_t(board.pages.size()) >= BOARD_MAX_PAGES)
        return 0;
    putDownGesture();
    restShownPage(h);
    const int32_t first = board.shown + 1;
    int32_t added = 0;
    for (const auto& picture : pictures) {
        if (!addPageAfterShown(&board, picture->place))
            break;
        pageEntry(shownId()).dirty = true; // its ink layer, empty, has its file too
        takePicture(shownId(), picture);
        ++added;
    }
    showPage(h, first);
    indexChanged();
    return added;
}

bool replaceBoardAfterPdf(uint64_t changesAtCopy,
                          const std::vector<std::shared_ptr<const BoardPicture>>& pictures) {
    PageHistory* h = boardHistory();
    if (!h)
        return false;
    putDownGesture();
    if (changeCount != changesAtCopy)
        return false; // drawn on or turned since: the old board stays as it is, nothing is ever lost
    const BoardBackground background = shownBackground();
    for (auto& entry : pagesById)
        removeLane(&undoBudget, &entry.second.lane);
    pagesById.clear();
    picturesDue.clear();
    removeLane(&undoBudget, &h->lane); // the shown page's steps go with it
    addLane(&undoBudget, &h->lane);
    std::vector<PicturePlace> places;
    for (const auto& picture : pictures)
        places.push_back(picture->place);
    board = boardOfPictures(board, background, places);
    for (size_t i = 0; i < board.pages.size(); ++i) {
        pageEntry(board.pages[i].fileId).dirty = true;
        if (i < pictures.size())
            takePicture(board.pages[i].fileId, pictures[i]);
    }
    showPage(h, 0);
    indexChanged();
    return true;
}

bool paintBoardBackground(HWND container, HDC dc) {
    if (!container || container != boardContainer)
        return false;
    RECT client = {0, 0, 0, 0};
    GetClientRect(container, &client);
    const BoardBackground b = shownBackground();
    const int32_t step = boardGridStep();
    fillRgb(dc, client, backgroundPixel(b, 1, 1, step));
    if (b == BACKGROUND_SQUARED && step > 0) {
        for (int32_t x = 0; x < client.right; x += step)
            fillRgb(dc, {x, 0, x + 1, client.bottom}, GRID_LINE_RGB);
        for (int32_t y = 0; y < client.bottom; y += step)
            fillRgb(dc, {0, y, client.right, y + 1}, GRID_LINE_RGB);
    }
    if (shownPicture) {
        const PicturePlace& p = shownPicture->place;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = p.width;
        info.bmiHeader.biHeight = -p.height; // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, p.x, p.y, DWORD(p.width), DWORD(p.height), 0, 0, 0, UINT(p.height),
                          shownPicture->pixels.data(), &info, DIB_RGB_COLORS);
    }
    return true;
}

void boardBackgroundPixels(int32_t left, int32_t top, int32_t width, int32_t height,
                           std::vector<uint32_t>* out) {
    PictureView picture;
    if (shownPicture)
        picture = {shownPicture->place, shownPicture->pixels.data()};
    backdropPixels(left, top, width, height, &picture, out);
}

bool boardPicturePlace(IntRect* place) {
    if (!shownPicture)
        return false;
    const PicturePlace& p = shownPicture->place;
    *place = {p.x, p.y, p.x + p.width, p.y + p.height};
    return true;
}

void boardBackgroundOnly(int32_t left, int32_t top, int32_t width, int32_t height,
                         std::vector<uint32_t>* out) {
    backdropPixels(left, top, width, height, nullptr, out);
}

void saveBoardNow() {
    putDownGesture();
    bool due = saveTimer != 0 || indexDirty;
    for (const auto& entry : pagesById)
        due = due || entry.second.dirty;
    if (saveTimer)
        KillTimer(nullptr, saveTimer);
    saveTimer = 0;
    if (due)
        queueBoardSave(collectSave());
    const DWORD start = GetTickCount();
    waitBoardSaves(SAVE_WAIT_MS);
    const DWORD spent = GetTickCount() - start;
    waitBoardPdf(spent < SAVE_WAIT_MS ? SAVE_WAIT_MS - spent : 0);
}

void tellUnrecoveredPages() {
    if (lostPages.empty())
        return;
    std::string text;
    if (lostPages.size() == 1) {
        text = "No se pudo recuperar la p\xE1gina " + std::to_string(lostPages[0]);
    } else {
        text = "No se pudieron recuperar las p\xE1ginas";
        for (size_t i = 0; i < lostPages.size(); ++i)
            text += (i ? ", " : " ") + std::to_string(lostPages[i]);
    }
    showTrayBalloon("Pizarra", text.c_str());
    lostPages.clear();
}

bool copyBoard(BoardCopy* out) {
    PageHistory* h = boardHistory();
    if (!h)
        return false;
    putDownGesture();
    monitorSize(h, &out->width, &out->height);
    out->gridStep = boardGridStep();
    out->changes = changeCount;
    out->pages.clear();
    for (size_t i = 0; i < board.pages.size(); ++i) {
        const BoardPageEntry& entry = board.pages[i];
        RestingPage& page = pageEntry(entry.fileId);
        const bool unread = page.unread;
        std::shared_ptr<const BoardPicture> picture =
            int32_t(i) == board.shown && shownPicture ? shownPicture : page.picture.lock();
        out->pages.push_back({unread ? PackedPage{} : packedCopy(entry.fileId, h, out->width, out->height),
                              entry.background, unread ? entry.fileId : 0, entry.fileId, entry.picture,
                              std::move(picture)});
    }
    return true;
}
