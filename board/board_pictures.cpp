// Freezing the screen, opening pictures and opening a board saved as a PDF: each makes pages with a
// picture (board.h, addPicturePages). Nothing is added until everything it needs has been read: a
// file that cannot be read is told by name with what is wrong with it, and changes nothing.
#include "board/board_pictures.h"

#include <shobjidl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include "win32/com_scope.h"
#include "win32/known_folder.h"
#include "board/board.h"
#include "board/board_storage.h"
#include "board/core/pdf_reader.h"
#include "board/picture_decode.h"
#include "pages/page_save.h"
#include "pages/picture_file.h"

namespace {

using Pictures = std::vector<std::shared_ptr<const BoardPicture>>;

// A PDF larger than this is no board of ours (99 pages of a 4K screen are far less).
constexpr LONGLONG MAX_PDF_BYTES = 1024LL * 1024 * 1024;

std::wstring fromAnsi(const std::string& s) {
    std::wstring wide(s.size(), L'\0');
    const int n = MultiByteToWideChar(1252, 0, s.data(), int(s.size()), &wide[0], int(wide.size()));
    wide.resize(n > 0 ? size_t(n) : 0);
    return wide;
}

std::wstring nameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool isPdf(const std::wstring& path) {
    if (path.size() < 4)
        return false;
    std::wstring end = path.substr(path.size() - 4);
    std::transform(end.begin(), end.end(), end.begin(), ::towlower);
    return end == L".pdf";
}

void tell(HWND owner, const wchar_t* caption, const std::wstring& text, UINT icon = MB_ICONWARNING) {
    MessageBoxW(IsWindow(owner) ? owner : nullptr, text.c_str(), caption, MB_OK | icon);
}

// "«name» " and what is wrong (a Windows-1252 sentence end).
std::wstring fault(const std::wstring& path, const std::string& what) {
    return L"\u00AB" + nameOf(path) + L"\u00BB " + fromAnsi(what);
}

bool readFile(const std::wstring& path, std::vector<uint8_t>* out, std::string* reason) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *reason = "no se puede leer: " + systemText(GetLastError());
        return false;
    }
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= MAX_PDF_BYTES;
    if (!ok)
        *reason = "es demasiado grande";
    if (ok) {
        out->assign(size_t(size.QuadPart), 0);
        DWORD got = 0;
        ok = out->empty() ||
             (ReadFile(file, out->data(), DWORD(out->size()), &got, nullptr) && got == out->size());
        if (!ok)
            *reason = "no se puede leer: " + systemText(GetLastError());
    }
    CloseHandle(file);
    return ok;
}

// Replace the board (saved as a PDF first, as "Nueva pizarra" is) or add the pages after the shown
// one; IDCANCEL: neither.
int askReplaceOrAdd(HWND owner, const std::wstring& path, size_t pages) {
    const std::wstring text = L"\u00AB" + nameOf(path) + L"\u00BB tiene " + std::to_wstring(pages) +
                              (pages == 1 ? L" p\u00E1gina" : L" p\u00E1ginas") +
                              L".\r\n\r\nS\u00ED: guardar la pizarra actual en PDF y reemplazarla por ellas."
                              L"\r\nNo: a\u00F1adirlas despu\u00E9s de la p\u00E1gina que se ve.";
    return MessageBoxW(IsWindow(owner) ? owner : nullptr, text.c_str(), L"Abrir pizarra",
                       MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
}

int32_t roomOnBoard() {
    return BOARD_MAX_PAGES - int32_t(boardIndex().pages.size());
}

void openPdf(HWND owner, const std::wstring& path, int32_t pageWidth, int32_t pageHeight,
             std::wstring* faults) {
    Pictures pictures;
    std::string reason;
    if (!readBoardPdf(path, pageWidth, pageHeight, &pictures, &reason)) {
        *faults += fault(path, reason) + L"\r\n";
        return;
    }
    const int answer = askReplaceOrAdd(owner, path, pictures.size());
    if (answer == IDYES) {
        startBoardPdf(owner, true, pictures);
    } else if (answer == IDNO) {
        if (int32_t(pictures.size()) > roomOnBoard()) {
            *faults += fault(path, "no cabe: tiene " + std::to_string(pictures.size()) +
                                       " p\xE1ginas y en la pizarra caben " + std::to_string(roomOnBoard()) +
                                       " m\xE1s (" + std::to_string(BOARD_MAX_PAGES) + " en total)") +
                       L"\r\n";
            return;
        }
        addPicturePages(pictures);
    }
}

} // namespace

bool readBoardPdf(const std::wstring& path, int32_t pageWidth, int32_t pageHeight, Pictures* out,
                  std::string* reason) {
    std::vector<uint8_t> bytes;
    std::vector<PdfPicturePage> pages;
    if (!readFile(path, &bytes, reason) || !picturePagesFromPdf(bytes, BOARD_MAX_PAGES, &pages, reason))
        return false;
    bytes = std::vector<uint8_t>();
    // Each page decoded once, to be sure its pixels are whole before anything changes: on as many
    // threads as the machine has cores (each decode is its own), the pages taken in turn.
    std::vector<std::shared_ptr<BoardPicture>> pictures(pages.size());
    std::vector<HRESULT> results(pages.size(), E_FAIL);
    std::atomic<size_t> next{0};
    const auto decodePages = [&] {
        for (size_t i = next++; i < pages.size(); i = next++) {
            const bool asItIs =
                int32_t(pages[i].width) == pageWidth && int32_t(pages[i].height) == pageHeight;
            auto picture = std::make_shared<BoardPicture>();
            if (asItIs && i > 0) {
                // Written as it is and decoded when shown: checked whole now, its pixels not kept.
                results[i] = checkPicture(pages[i].png);
                picture->place = {0, 0, pageWidth, pageHeight};
                picture->png = std::move(pages[i].png);
            } else {
                // The first is shown at once; a page of another size is fitted to the board's.
                DecodedPicture decoded;
                results[i] = decodePicture(nullptr, &pages[i].png, asItIs ? 0 : pageWidth,
                                           asItIs ? 0 : pageHeight, &decoded);
                picture->place = decoded.place;
                picture->pixels = std::move(decoded.pixels);
            }
            if (FAILED(results[i]))
                continue;
            pictures[i] = std::move(picture);
        }
    };
    std::vector<std::thread> helpers;
    const unsigned cores = std::thread::hardware_concurrency();
    try {
        for (unsigned k = 1; k < cores && k < pages.size() && k < 8; ++k)
            helpers.emplace_back(decodePages);
    } catch (const std::system_error&) {
        // fewer helpers: this thread decodes what they would have
    }
    decodePages();
    for (std::thread& helper : helpers)
        helper.join();
    for (size_t i = 0; i < pages.size(); ++i) {
        if (FAILED(results[i])) {
            *reason = "tiene la p\xE1gina " + std::to_string(i + 1) + " da\361ada";
            return false;
        }
        out->push_back(std::move(pictures[i]));
    }
    return true;
}

bool freezeScreenToBoard(HWND desktopPage) {
    int32_t width = 0, height = 0;
    if (!boardPageSize(&width, &height))
        return false;
    if (roomOnBoard() <= 0) {
        tell(nullptr, L"Pizarra",
             L"La pizarra ya tiene " + std::to_wstring(BOARD_MAX_PAGES) + L" p\u00E1ginas");
        return false;
    }
    ScreenPicture screen;
    if (!composeDesktopPicture(desktopPage, &screen)) {
        tell(nullptr, L"Pizarra", L"No se pudo leer la pantalla", MB_ICONERROR);
        return false;
    }
    auto picture = std::make_shared<BoardPicture>();
    picture->place = {0, 0, std::min(width, screen.width), std::min(height, screen.height)};
    if (picture->place.width == screen.width) {
        screen.pixels.resize(size_t(screen.width) * size_t(picture->place.height));
        picture->pixels = std::move(screen.pixels);
    } else {
        for (int32_t y = 0; y < picture->place.height; ++y) {
            const uint32_t* row = screen.pixels.data() + size_t(y) * size_t(screen.width);
            picture->pixels.insert(picture->pixels.end(), row, row + picture->place.width);
        }
    }
    return addPicturePages({picture}) == 1;
}

void openBoardFiles(HWND owner, const std::vector<std::wstring>& paths) {
    int32_t pageWidth = 0, pageHeight = 0;
    if (!boardPageSize(&pageWidth, &pageHeight))
        return;
    std::wstring faults;
    std::vector<std::wstring> left; // pictures the board has no room for
    Pictures pictures;
    for (const std::wstring& path : paths) {
        if (isPdf(path))
            continue;
        if (int32_t(pictures.size()) >= roomOnBoard()) {
            left.push_back(path);
            continue;
        }
        DecodedPicture decoded;
        const HRESULT hr = decodePicture(&path, nullptr, pageWidth, pageHeight, &decoded);
        if (FAILED(hr)) {
            faults += fault(path, pictureFaultText(hr)) + L"\r\n";
            continue;
        }
        auto picture = std::make_shared<BoardPicture>();
        picture->place = decoded.place;
        picture->pixels = std::move(decoded.pixels);
        pictures.push_back(std::move(picture));
    }
    addPicturePages(pictures); // the first of them shown
    pictures.clear();
    for (const std::wstring& path : paths)
        if (isPdf(path))
            openPdf(owner, path, pageWidth, pageHeight, &faults);
    if (!left.empty()) {
        faults +=
            L"La pizarra ya tiene " + std::to_wstring(BOARD_MAX_PAGES) + L" p\u00E1ginas: no se abrieron";
        for (const std::wstring& path : left)
            faults += L" \u00AB" + nameOf(path) + L"\u00BB";
        faults += L"\r\n";
    }
    if (!faults.empty())
        tell(owner, L"Abrir imagen", faults);
}

void openPicturesOnBoard(HWND owner) {
    const HWND before = GetForegroundWindow();
    std::vector<std::wstring> paths;
    {
        ComScope com;
        IFileOpenDialog* dialog = nullptr;
        HRESULT hr = CoCreateInstance(__uuidof(FileOpenDialog), nullptr, CLSCTX_INPROC_SERVER,
                                      __uuidof(IFileOpenDialog), reinterpret_cast<void**>(&dialog));
        const COMDLG_FILTERSPEC kinds[] = {
            {L"Im\u00E1genes y pizarras", L"*.png;*.jpg;*.jpeg;*.jpe;*.bmp;*.dib;*.gif;*.tif;*.tiff;*.pdf"},
            {L"Im\u00E1genes", L"*.png;*.jpg;*.jpeg;*.jpe;*.bmp;*.dib;*.gif;*.tif;*.tiff"},
            {L"Pizarras guardadas en PDF", L"*.pdf"},
        };
        if (SUCCEEDED(hr)) {
            DWORD options = 0;
            dialog->GetOptions(&options);
            dialog->SetOptions(options | FOS_ALLOWMULTISELECT | FOS_FILEMUSTEXIST | FOS_FORCEFILESYSTEM);
            dialog->SetTitle(L"Abrir imagen");
            dialog->SetFileTypes(sizeof kinds / sizeof kinds[0], kinds);
            std::wstring pictures;
            IShellItem* folder = nullptr;
            // SetFolder, not SetDefaultFolder: Pictures every time, whatever folder was used last.
            if (knownFolderPath(FOLDERID_Pictures, &pictures) &&
                SUCCEEDED(SHCreateItemFromParsingName(pictures.c_str(), nullptr, __uuidof(IShellItem),
                                                      reinterpret_cast<void**>(&folder)))) {
                dialog->SetFolder(folder);
                release(folder);
            }
            hr = dialog->Show(IsWindow(owner) ? owner : nullptr);
        }
        IShellItemArray* chosen = nullptr;
        if (SUCCEEDED(hr))
            hr = dialog->GetResults(&chosen);
        DWORD count = 0;
        if (SUCCEEDED(hr) && SUCCEEDED(chosen->GetCount(&count))) {
            for (DWORD i = 0; i < count; ++i) {
                IShellItem* item = nullptr;
                wchar_t* path = nullptr;
                if (SUCCEEDED(chosen->GetItemAt(i, &item)) &&
                    SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
                    paths.push_back(path);
                    CoTaskMemFree(path);
                }
                release(item);
            }
        }
        release(chosen);
        release(dialog);
    }
    // The presentation (or whoever had the keyboard) has it again, as before the dialog.
    if (before && IsWindow(before) && GetForegroundWindow() != before)
        SetForegroundWindow(before);
    if (!paths.empty())
        openBoardFiles(owner, paths);
}
