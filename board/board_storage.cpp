// The board on disk: the folder, the atomic file writes, PNG decoding through WIC, and the writing
// thread.
#include <initguid.h> // the known-folder and WIC GUIDs are defined here, not taken from a library

#include "board/board_storage.h"

#include "win32/key_colour.h"
#include "win32/com_scope.h"
#include "board/core/pdf_document.h"
#include "board/picture_decode.h"
#include "win32/known_folder.h"
#include "pages/png_encoder.h"

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <wincodec.h>

#include <condition_variable>
#include <deque>
#include <iterator>
#include <map>
#include <mutex>
#include <thread>

namespace {

std::wstring widen(const std::string& s) {
    return std::wstring(s.begin(), s.end()); // the board's file names are plain ASCII
}

// A page's PNG is far smaller than its pixels; more than this is not one of ours.
constexpr LONGLONG MAX_PAGE_FILE_BYTES = 256LL * 1024 * 1024;

bool makeFolder(const std::wstring& folder) {
    if (CreateDirectoryW(folder.c_str(), nullptr))
        return true;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

template <typename Bytes>
bool readWholeFile(const std::wstring& path, Bytes* out, LONGLONG limit = 1024 * 1024) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < limit;
    if (ok) {
        out->assign(size_t(size.QuadPart), 0);
        DWORD got = 0;
        ok = out->empty() ||
             (ReadFile(file, &(*out)[0], DWORD(out->size()), &got, nullptr) && got == out->size());
    }
    CloseHandle(file);
    return ok;
}

// --- the writing thread -------------------------------------------------------------------------

// Allocated once and never freed: the thread may still wait on them while the process ends.
struct SaveQueue {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<BoardSave> waiting; // at most one: a new save joins it
    bool busy = false;             // a save is being written
    bool unwritten = false;        // a write failed and is tried again later: the saves are not done
    bool started = false;
};
SaveQueue& saveQueue() {
    static SaveQueue* queue = new SaveQueue;
    return *queue;
}

// What the writing thread has yet to put on disk: pages already encoded (a PNG is a small part of
// its pixels, so a page that cannot be written costs little to keep) and the index. The writing
// thread's alone.
struct Unwritten {
    std::map<uint32_t, std::vector<uint8_t>> pages; // by file id
    // The pictures' files by file id, each with the picture it was made from: the board finds the
    // picture in memory until its file is on disk (BoardPictureSave).
    std::map<uint32_t, std::pair<std::shared_ptr<const BoardPicture>, std::vector<uint8_t>>> pictures;
    std::string index;
    std::vector<uint32_t> keep;         // the pages the index names
    std::vector<uint32_t> keepPictures; // and their pictures
    bool indexDue = false;
};

// A scanner (an antivirus, a backup or indexing service) opens a fresh file for a moment after it
// is written; while it holds it, creating the file again, or moving a file over it, fails with a
// sharing violation or access denied (Windows' file documentation: "A file must also be closed
// before an application can move it", and a file that exists and is open "must have been opened
// with applicable sharing permissions"). Such a write is tried a few times, a short wait apart; any
// other failure (a full disk) waits for the next round.
constexpr int WRITE_ATTEMPTS = 4;
constexpr DWORD WRITE_RETRY_MS = 150;

bool heldByAnother(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

DWORD writeWithRetries(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    DWORD error = 0;
    for (int attempt = 0; attempt < WRITE_ATTEMPTS; ++attempt) {
        if (attempt > 0)
            Sleep(WRITE_RETRY_MS);
        error = writeFileReplacing(path, bytes);
        if (!error || !heldByAnother(error))
            break;
    }
    return error;
}

std::wstring pagePath(const std::wstring& folder, uint32_t fileId) {
    return folder + L"\\" + widen(pageFileName(fileId));
}

std::wstring picturePath(const std::wstring& folder, uint32_t fileId) {
    return folder + L"\\" + widen(pictureFileName(fileId));
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool named(const std::vector<uint32_t>& keep, uint32_t fileId) {
    for (uint32_t id : keep)
        if (id == fileId)
            return true;
    return false;
}

// The files of pages (or pictures) no longer on the board go, once the index no longer names them.
void removeOtherFiles(const std::wstring& folder, const wchar_t* pattern, const std::vector<uint32_t>& keep,
                      std::string (*nameOf)(uint32_t)) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        bool kept = false;
        for (uint32_t id : keep)
            kept = kept || widen(nameOf(id)) == found.cFileName;
        if (!kept)
            DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// The save's pages are encoded one at a time (one page's whole picture at once) and join what is
// still to be written, newer bytes over older; a page no longer on the board is not written.
void takeSave(BoardSave* save, Unwritten* u) {
    std::vector<uint32_t> pixels;
    for (const BoardPageSave& page : save->pages) {
        std::vector<uint8_t> png;
        unpackPage(page.packed, page.width, page.height, KEY_COLOUR_PIXEL, &pixels);
        if (encodePngBytes(pixels.data(), page.width, page.height, &png))
            u->pages[page.fileId] = std::move(png);
    }
    for (BoardPictureSave& picture : save->pictures) {
        const BoardPicture& p = *picture.picture;
        std::vector<uint8_t> png = p.png;
        if (png.empty() && !encodePngBytes(p.pixels.data(), p.place.width, p.place.height, &png))
            continue;
        u->pictures[picture.fileId] = {std::move(picture.picture), std::move(png)};
    }
    u->index = std::move(save->index);
    u->keep = std::move(save->keep);
    u->keepPictures = std::move(save->keepPictures);
    u->indexDue = true;
    for (auto it = u->pages.begin(); it != u->pages.end();)
        it = named(u->keep, it->first) ? std::next(it) : u->pages.erase(it);
    for (auto it = u->pictures.begin(); it != u->pictures.end();)
        it = named(u->keepPictures, it->first) ? std::next(it) : u->pictures.erase(it);
}

// The pages first, the index after them, and only once every page it names has a file: an index on
// disk never names a page without one, so a crash while a page cannot be written brings the board
// back as it was before the change. A page that cannot be written keeps its previous file. True
// when everything is on disk.
bool writeUnwritten(Unwritten* u) {
    std::wstring folder;
    if (!boardFolder(&folder))
        return false;
    for (auto it = u->pictures.begin(); it != u->pictures.end();)
        it = writeWithRetries(picturePath(folder, it->first), it->second.second) == 0 ? u->pictures.erase(it)
                                                                                      : std::next(it);
    for (auto it = u->pages.begin(); it != u->pages.end();)
        it = writeWithRetries(pagePath(folder, it->first), it->second) == 0 ? u->pages.erase(it)
                                                                            : std::next(it);
    if (u->indexDue) {
        bool everyFile = true;
        for (uint32_t id : u->keep)
            everyFile = everyFile && fileExists(pagePath(folder, id));
        for (uint32_t id : u->keepPictures)
            everyFile = everyFile && fileExists(picturePath(folder, id));
        if (everyFile && writeWithRetries(folder + L"\\indice.txt",
                                          std::vector<uint8_t>(u->index.begin(), u->index.end())) == 0) {
            u->indexDue = false;
            removeOtherFiles(folder, L"pagina-*.png", u->keep, pageFileName);
            removeOtherFiles(folder, L"imagen-*.png", u->keepPictures, pictureFileName);
        }
    }
    return u->pages.empty() && u->pictures.empty() && !u->indexDue;
}

// A save handed over is taken at once; while something is left unwritten, the thread also wakes
// every BOARD_RETRY_LATER_MS to try it again.
void writerLoop() {
    ComScope com;
    SaveQueue& q = saveQueue();
    Unwritten unwritten;
    std::unique_lock<std::mutex> hold(q.lock);
    for (;;) {
        const auto handedOver = [&] { return !q.waiting.empty(); };
        if (q.unwritten)
            q.changed.wait_for(hold, std::chrono::milliseconds(BOARD_RETRY_LATER_MS), handedOver);
        else
            q.changed.wait(hold, handedOver);
        const bool fresh = !q.waiting.empty();
        BoardSave save;
        if (fresh) {
            save = std::move(q.waiting.front());
            q.waiting.pop_front();
        }
        q.busy = true;
        hold.unlock();
        if (fresh)
            takeSave(&save, &unwritten);
        const bool done = writeUnwritten(&unwritten);
        hold.lock();
        q.busy = false;
        q.unwritten = !done;
        q.changed.notify_all();
    }
}

// The later pixels of a page replace the earlier ones; the index and the pages kept are the later.
void mergeInto(BoardSave* waiting, BoardSave&& later) {
    for (BoardPageSave& page : later.pages) {
        bool replaced = false;
        for (BoardPageSave& old : waiting->pages)
            if (old.fileId == page.fileId) {
                old = std::move(page);
                replaced = true;
            }
        if (!replaced)
            waiting->pages.push_back(std::move(page));
    }
    for (BoardPictureSave& picture : later.pictures)
        waiting->pictures.push_back(std::move(picture));
    waiting->index = std::move(later.index);
    waiting->keep = std::move(later.keep);
    waiting->keepPictures = std::move(later.keepPictures);
}

} // namespace

bool boardFolder(std::wstring* folder) {
    std::wstring local;
    if (!knownFolderPath(FOLDERID_LocalAppData, &local))
        return false;
    const std::wstring velmora = local + L"\\Velmora";
    *folder = velmora + L"\\Pizarra";
    return makeFolder(velmora) && makeFolder(*folder);
}

DWORD writeFileReplacing(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    const std::wstring temp = path + L".tmp";
    HANDLE file =
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD written = 0;
    const bool whole =
        (bytes.empty() || WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr)) &&
        written == bytes.size();
    DWORD error = whole ? 0 : GetLastError();
    // On the disk before the move: a power cut after it must not find a name pointing at nothing.
    if (whole && !FlushFileBuffers(file))
        error = GetLastError();
    CloseHandle(file);
    if (!error &&
        !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error) {
        DeleteFileW(temp.c_str());
        return error ? error : ERROR_WRITE_FAULT;
    }
    return 0;
}

bool decodePngFile(const std::wstring& path, BoardPageFile* out) {
    DecodedPicture decoded;
    if (FAILED(decodePicture(&path, nullptr, 0, 0, &decoded)))
        return false;
    out->width = decoded.place.width;
    out->height = decoded.place.height;
    out->pixels = std::move(decoded.pixels);
    return true;
}

bool loadBoardIndex(BoardIndex* index) {
    std::wstring folder;
    std::string text;
    return boardFolder(&folder) && readWholeFile(folder + L"\\indice.txt", &text) &&
           parseBoardIndex(text, index);
}

bool boardPageLooksWhole(uint32_t fileId) {
    std::wstring folder;
    std::vector<uint8_t> png;
    return boardFolder(&folder) && readWholeFile(pagePath(folder, fileId), &png, MAX_PAGE_FILE_BYTES) &&
           pngLooksWhole(png);
}

bool loadBoardPicture(uint32_t fileId, const PicturePlace& place, BoardPicture* out) {
    std::wstring folder;
    DecodedPicture decoded;
    if (!boardFolder(&folder))
        return false;
    const std::wstring path = picturePath(folder, fileId);
    if (FAILED(decodePicture(&path, nullptr, 0, 0, &decoded)) || decoded.place.width != place.width ||
        decoded.place.height != place.height)
        return false;
    out->place = place;
    out->pixels = std::move(decoded.pixels);
    out->png.clear();
    return true;
}

bool loadBoardPage(uint32_t fileId, BoardPageFile* out) {
    std::wstring folder;
    out->fileId = fileId;
    return boardFolder(&folder) && decodePngFile(pagePath(folder, fileId), out);
}

void queueBoardSave(BoardSave save) {
    SaveQueue& q = saveQueue();
    std::lock_guard<std::mutex> hold(q.lock);
    if (!q.started) {
        q.started = true;
        std::thread(writerLoop).detach();
    }
    if (q.waiting.empty())
        q.waiting.push_back(std::move(save));
    else
        mergeInto(&q.waiting.back(), std::move(save));
    q.changed.notify_all();
}

bool waitBoardSaves(DWORD timeoutMs) {
    SaveQueue& q = saveQueue();
    std::unique_lock<std::mutex> hold(q.lock);
    return q.changed.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                              [&] { return q.waiting.empty() && !q.busy && !q.unwritten; });
}
