// "PDF": the whole board as one PDF in Pictures\Velmora, named as the saved pictures are. Each page
// is encoded as a 24-bit PNG of the board's monitor size, its background under its drawing, and
// the PDF carries the PNG's data as it is: lossless, and WIC's PNG encoder is all it needs.
//
// A full board takes seconds to compose and encode, so it is done on a thread of its own, from a
// copy of the packed pages (never the live canvas), one page's picture at a time; the windows'
// thread polls for the outcome with a timer and tells it, so the board and the palette answer all
// the while.
#include "win32/key_colour.h"
#include "win32/tray_icon.h"
#include "board/board.h"
#include "board/board_storage.h"
#include "board/core/pdf_document.h"
#include "board/picture_decode.h"
#include "pages/core/undo_history.h"
#include "pages/png_encoder.h"
#include "pages/picture_file.h"

#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

namespace {

// A page of the PDF is the monitor's pixels at 96 per inch: a reader shows it at the board's size
// and aspect ratio.
constexpr double POINTS_PER_PIXEL = 72.0 / 96.0;
constexpr UINT OUTCOME_POLL_MS = 50;

// One PDF being written. The windows' thread fills the copy before the thread starts; the thread
// writes the outcome (ok, path, reason) and then sets `done` (release); the windows' thread reads
// the outcome only after it has seen `done` (acquire).
struct PdfJob {
    BoardCopy board;                                               // the thread's own copy
    uint64_t changesAtCopy = 0;                                    // the board's changes when it was copied
    HWND owner = nullptr;                                          // the box's owner; the windows' thread's
    bool thenNewBoard = false;                                     // the windows' thread's
    std::vector<std::shared_ptr<const BoardPicture>> thenPictures; // the new board's pages (empty: one
                                                                   // empty page); the windows' thread's
    bool ok = false;               // the outcome, written by the thread: written,
    std::wstring path;             // where (on success)
    std::string reason;            // or why not (on failure)
    std::atomic<bool> done{false}; // the outcome is written
};

std::shared_ptr<PdfJob> running; // the PDF being written; the windows' thread's (the thread keeps
                                 // its own reference, so a job outlives whichever lets go first)
UINT_PTR outcomeTimer = 0;       // polls `running` for its outcome

// A page's picture at width x height: from its packed copy, or from its file when it has not been
// read since the start (an empty page when the file no longer decodes).
void pagePicture(const BoardCopyPage& page, int32_t width, int32_t height, std::vector<uint32_t>* pixels) {
    if (!page.unreadFileId) {
        unpackPage(page.packed, width, height, KEY_COLOUR_PIXEL, pixels);
        return;
    }
    BoardPageFile file;
    PackedPage packed;
    if (loadBoardPage(page.unreadFileId, &file)) {
        packRect(file.pixels.data(), file.width, {0, 0, file.width, file.height}, &packed.runs);
        packed.width = file.width;
        packed.height = file.height;
    }
    file = BoardPageFile{};
    unpackPage(packed, width, height, KEY_COLOUR_PIXEL, pixels);
}

// The page's picture with its pixels: the copy's, decoded when it holds only a PNG file, else its
// file's. False when the page has none, or it cannot be read (the page then goes without it, as the
// board shows it).
bool pictureOfPage(const BoardCopyPage& page, BoardPicture* out) {
    if (page.picturePlace.width <= 0)
        return false;
    if (page.picture && !page.picture->pixels.empty()) {
        *out = *page.picture;
        return true;
    }
    DecodedPicture decoded;
    if (page.picture && SUCCEEDED(decodePicture(nullptr, &page.picture->png, 0, 0, &decoded)) &&
        decoded.place.width == page.picturePlace.width && decoded.place.height == page.picturePlace.height) {
        out->place = page.picturePlace;
        out->pixels = std::move(decoded.pixels);
        return true;
    }
    return loadBoardPicture(page.fileId, page.picturePlace, out);
}

bool composeDocument(const BoardCopy& board, std::vector<uint8_t>* pdf, std::string* reason) {
    std::vector<PdfPage> pages;
    std::vector<uint32_t> pixels;
    for (size_t i = 0; i < board.pages.size(); ++i) {
        PdfPage page;
        page.widthPt = board.width * POINTS_PER_PIXEL;
        page.heightPt = board.height * POINTS_PER_PIXEL;
        pagePicture(board.pages[i], board.width, board.height, &pixels);
        BoardPicture picture;
        PictureView view;
        if (pictureOfPage(board.pages[i], &picture))
            view = {picture.place, picture.pixels.data()};
        composeBackground(board.pages[i].background, board.gridStep, KEY_COLOUR_PIXEL, board.width,
                          board.height, pixels.data(), &view);
        if (!encodePngBytes(pixels.data(), board.width, board.height, &page.png)) {
            *reason = "No se pudo codificar la p\xE1gina " + std::to_string(i + 1);
            return false;
        }
        pages.push_back(std::move(page));
    }
    return pdfFromPngPages(pages, *pdf, *reason);
}

// Into a new file of Pictures\Velmora; on failure no file is left and `reason` says why.
bool writeBoardDocument(const std::vector<uint8_t>& pdf, std::wstring* path, std::string* reason) {
    std::wstring folder;
    if (!pictureFolder(&folder, reason) || !reserveName(folder, path, reason, ".pdf"))
        return false;
    const DWORD error = writeFileReplacing(*path, pdf);
    if (error) {
        DeleteFileW(path->c_str());
        *reason = "No se pudo escribir el archivo: " + systemText(error);
        return false;
    }
    return true;
}

void writePdf(std::shared_ptr<PdfJob> job) {
    std::vector<uint8_t> pdf;
    job->ok =
        composeDocument(job->board, &pdf, &job->reason) && writeBoardDocument(pdf, &job->path, &job->reason);
    job->board = BoardCopy{}; // the copy goes as soon as it has served
    job->done.store(true, std::memory_order_release);
}

void tellFailure(HWND owner, const std::string& reason) {
    MessageBoxA(IsWindow(owner) ? owner : nullptr, ("No se pudo guardar el PDF\r\n" + reason).c_str(),
                "Error", MB_OK | MB_ICONERROR);
}

void CALLBACK onOutcomeTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (!running || !running->done.load(std::memory_order_acquire))
        return;
    KillTimer(nullptr, outcomeTimer);
    outcomeTimer = 0;
    const std::shared_ptr<PdfJob> job = std::move(running);
    running.reset();
    if (job->ok) {
        showTrayBalloon("PDF guardado", fileNameOf(job->path).c_str());
        // Pages opened in the board's place that cannot take it (the board changed meanwhile) are
        // added after the page shown instead: neither the board nor the pages are lost.
        if (job->thenNewBoard && !replaceBoardAfterPdf(job->changesAtCopy, job->thenPictures) &&
            !job->thenPictures.empty())
            addPicturePages(job->thenPictures);
        return;
    }
    tellFailure(job->owner, job->reason);
}

} // namespace

bool startBoardPdf(HWND owner, bool thenNewBoard,
                   std::vector<std::shared_ptr<const BoardPicture>> thenPictures) {
    if (running) {
        running->thenNewBoard = running->thenNewBoard || thenNewBoard;
        if (thenNewBoard)
            running->thenPictures = std::move(thenPictures);
        return true;
    }
    auto job = std::make_shared<PdfJob>();
    job->owner = owner;
    job->thenNewBoard = thenNewBoard;
    job->thenPictures = std::move(thenPictures);
    if (!copyBoard(&job->board)) {
        tellFailure(owner, "No se pudieron leer las p\xE1ginas de la pizarra");
        return false;
    }
    job->changesAtCopy = job->board.changes;
    outcomeTimer = SetTimer(nullptr, 0, OUTCOME_POLL_MS, onOutcomeTimer);
    bool started = outcomeTimer != 0;
    try {
        if (started)
            std::thread(writePdf, job).detach();
    } catch (const std::system_error&) {
        KillTimer(nullptr, outcomeTimer);
        outcomeTimer = 0;
        started = false;
    }
    if (!started) {
        tellFailure(owner, "No se pudo empezar a escribir");
        return false;
    }
    running = std::move(job);
    return true;
}

bool boardPdfWriting() {
    return running != nullptr;
}

bool waitBoardPdf(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (running && !running->done.load(std::memory_order_acquire)) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

void saveBoardPdf(HWND owner) {
    if (boardPdfWriting())
        return; // the PDF under way is told when written
    startBoardPdf(owner, false);
}
