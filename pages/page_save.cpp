// Saving the board as a picture: composing what the monitor shows, the PNG through WIC, the
// clipboard copy and what the user is told.
#include <initguid.h> // the WIC and known-folder GUIDs are defined here, not taken from a library

#include "pages/page_save.h"

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <wincodec.h>

#include <cstdio>
#include <cstring>

#include "app/shared/system_library.h"
#include "app/tray_icon.h"
#include "pages/core/picture_name.h"
#include "pages/page_state.h"
#include "pages/top_down_section.h"

namespace {

// A rectangle of a DC's pixels, read through a DIB section.
bool readPixels(HDC from, int32_t x, int32_t y, int32_t width, int32_t height, std::vector<uint32_t>* out) {
    uint32_t* bits = nullptr;
    HBITMAP section = topDownSection(width, height, &bits);
    HDC dc = CreateCompatibleDC(from);
    bool ok = section && bits && dc;
    if (ok) {
        HGDIOBJ old = SelectObject(dc, section);
        ok = BitBlt(dc, 0, 0, width, height, from, x, y, SRCCOPY) != FALSE;
        GdiFlush();
        if (ok)
            out->assign(bits, bits + size_t(width) * size_t(height));
        SelectObject(dc, old);
    }
    if (dc)
        DeleteDC(dc);
    if (section)
        DeleteObject(section);
    return ok;
}

std::string systemText(DWORD code) {
    char text[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                             text, sizeof text, nullptr);
    while (n && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ' || text[n - 1] == '.'))
        text[--n] = 0;
    char codeText[32];
    std::snprintf(codeText, sizeof codeText, "0x%08lX", static_cast<unsigned long>(code));
    return n ? std::string(text) + " (" + codeText + ")" : std::string("error ") + codeText;
}

std::wstring widen(const std::string& s) {
    return std::wstring(s.begin(), s.end()); // the names are plain ASCII
}

// Balances a successful CoInitializeEx; a thread already in another apartment still works.
struct ComScope {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ~ComScope() {
        if (SUCCEEDED(hr))
            CoUninitialize();
    }
};

template <class T> void release(T*& p) {
    if (p)
        p->Release();
    p = nullptr;
}

HRESULT encodePng(const ScreenPicture& picture, const std::wstring& path, std::string* step) {
    ComScope com;
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* options = nullptr;
    *step = "No hay codificador PNG";
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr))
        hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
    if (SUCCEEDED(hr)) {
        *step = "No se pudo escribir el archivo";
        hr = factory->CreateStream(&stream);
    }
    if (SUCCEEDED(hr))
        hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    if (SUCCEEDED(hr))
        hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr))
        hr = encoder->CreateNewFrame(&frame, &options);
    if (SUCCEEDED(hr))
        hr = frame->Initialize(options);
    if (SUCCEEDED(hr))
        hr = frame->SetSize(UINT(picture.width), UINT(picture.height));
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    if (SUCCEEDED(hr))
        hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat32bppBGR))
        hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT; // the encoder wants another layout: not ours
    const UINT stride = UINT(picture.width) * 4;
    if (SUCCEEDED(hr))
        hr = frame->WritePixels(UINT(picture.height), stride, stride * UINT(picture.height),
                                reinterpret_cast<BYTE*>(const_cast<uint32_t*>(picture.pixels.data())));
    if (SUCCEEDED(hr))
        hr = frame->Commit();
    if (SUCCEEDED(hr))
        hr = encoder->Commit();
    if (SUCCEEDED(hr))
        hr = stream->Commit(STGC_DEFAULT);
    release(options);
    release(frame);
    release(encoder);
    release(stream); // closes the file
    release(factory);
    return hr;
}

// Pictures\Velmora, made when missing.
bool pictureFolder(std::wstring* folder, std::string* reason) {
    PWSTR pictures = nullptr;
    const HRESULT hr = SHGetKnownFolderPath(FOLDERID_Pictures, KF_FLAG_CREATE, nullptr, &pictures);
    if (FAILED(hr) || !pictures) {
        if (pictures)
            CoTaskMemFree(pictures);
        *reason = "No se encuentra la carpeta de im\xE1genes: " + systemText(DWORD(hr));
        return false;
    }
    *folder = std::wstring(pictures) + L"\\Velmora";
    CoTaskMemFree(pictures);
    if (!CreateDirectoryW(folder->c_str(), nullptr)) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(folder->c_str());
        if (error != ERROR_ALREADY_EXISTS || attributes == INVALID_FILE_ATTRIBUTES ||
            !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            *reason = "No se pudo crear la carpeta Velmora: " +
                      systemText(error == ERROR_ALREADY_EXISTS ? DWORD(ERROR_DIRECTORY) : error);
            return false;
        }
    }
    return true;
}

// A name of the local time that no file has yet, taken at once (CREATE_NEW), so that two saves in
// the same second get " (2)" rather than one overwriting the other.
bool reserveName(const std::wstring& folder, std::wstring* path, std::string* reason) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    const LocalTime t = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    for (int32_t attempt = 1; attempt < 1000; ++attempt) {
        const std::wstring candidate = folder + L"\\" + widen(savedPictureName(t, attempt));
        HANDLE file = CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            *path = candidate;
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            *reason = "No se pudo crear el archivo: " + systemText(error);
            return false;
        }
    }
    *reason = "No se pudo crear el archivo: " + systemText(ERROR_FILE_EXISTS);
    return false;
}

std::string fileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    char narrow[MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

// Our own windows over the page (the palette, a tip of it) are left out of a screen read: hidden for
// the read and shown again as they were. Hidden and shown with SetWindowPos and every "keep" flag,
// not through the palette's show-hide toggle: nothing moves, nothing is activated, each window keeps
// its place in the z-order, and no palette or page state changes.
struct WindowsOverThePage {
    HWND page;
    RECT monitor;
    HWND windows[16]; // in z-order, the top one first, as enumerated
    int count;
    RECT bounds; // the part of the monitor they cover
};

// The thread's windows come in z-order, the top one first: the ones before the page are over it.
BOOL CALLBACK collectWindowOverThePage(HWND hwnd, LPARAM param) {
    auto* over = reinterpret_cast<WindowsOverThePage*>(param);
    if (hwnd == over->page)
        return FALSE;
    RECT r, on;
    if (IsWindowVisible(hwnd) && GetWindowRect(hwnd, &r) && IntersectRect(&on, &r, &over->monitor) &&
        over->count < int(sizeof over->windows / sizeof(HWND))) {
        over->windows[over->count++] = hwnd;
        UnionRect(&over->bounds, &over->bounds, &on);
    }
    return TRUE;
}

constexpr UINT KEEP_AS_IT_IS = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE;

// Lets the display show a change of the windows. Under Wine the X server's exposures reach this
// thread as driver events, which a peek handles, and a peek copies the windows' fresh pixels to the
// display; this one matches no message, so nothing of the program's is taken from its queue. Where
// Windows composes the screen, DwmFlush waits for the compositor's next frame (dwmapi stays loaded
// for the process).
void letTheDisplayCatchUp(HWND page) {
    MSG msg;
    PeekMessageA(&msg, page, WM_APP + 0x3FFF, WM_APP + 0x3FFF, PM_NOREMOVE);
    using DwmFlushFn = HRESULT(WINAPI*)();
    static const DwmFlushFn dwmFlush = [] {
        HMODULE dwm = loadSystemLibrary("dwmapi.dll");
        return dwm ? reinterpret_cast<DwmFlushFn>(reinterpret_cast<void*>(GetProcAddress(dwm, "DwmFlush")))
                   : nullptr;
    }();
    if (dwmFlush)
        dwmFlush();
}

// Hides the windows over the page and waits until the screen shows what they covered: it reads
// other than `before` there (a display that has not caught up still holds their last pixels) and
// the same twice in a row. Gives up waiting after a second (a screen read that never held them,
// GDI's own without composition, stays the same).
bool hideAndSettle(HDC screen, const WindowsOverThePage& over) {
    const RECT& b = over.bounds;
    const int32_t width = b.right - b.left, height = b.bottom - b.top;
    std::vector<uint32_t> before, now, previous;
    if (!readPixels(screen, b.left, b.top, width, height, &before))
        return false;
    for (int i = 0; i < over.count; ++i)
        SetWindowPos(over.windows[i], nullptr, 0, 0, 0, 0, KEEP_AS_IT_IS | SWP_HIDEWINDOW);
    // What they uncover of the page and its container is painted at once, not when the message
    // loop next gets to it.
    for (HWND below : {GetParent(over.page), over.page}) {
        if (!below)
            continue;
        RECT r = b;
        MapWindowPoints(HWND_DESKTOP, below, reinterpret_cast<POINT*>(&r), 2);
        RedrawWindow(below, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    const DWORD start = GetTickCount();
    for (int round = 0;; ++round) {
        letTheDisplayCatchUp(over.page);
        if (!readPixels(screen, b.left, b.top, width, height, &now))
            return false;
        if ((round >= 2 && now != before && now == previous) || GetTickCount() - start > 1000)
            return true;
        previous.swap(now);
        Sleep(10);
    }
}

// Shows them again as they were, and gives the activation and the focus back if hiding moved them.
void showAgain(const WindowsOverThePage& over, HWND active, HWND focus) {
    for (int i = 0; i < over.count; ++i) // the top one first, so each is stacked where it was
        SetWindowPos(over.windows[i], nullptr, 0, 0, 0, 0, KEEP_AS_IT_IS | SWP_SHOWWINDOW);
    if (active && GetActiveWindow() != active && IsWindowVisible(active))
        SetActiveWindow(active);
    if (focus && GetFocus() != focus && IsWindow(focus))
        SetFocus(focus);
}

// The box's text for a save that failed: what failed and why, and whether the copy was made.
std::string saveFailureText(const std::string& reason, bool onClipboard) {
    std::string text = "No se pudo guardar la imagen\r\n" + reason;
    if (onClipboard)
        text += "\r\nLa imagen est\xE1 en el portapapeles";
    return text;
}

} // namespace

bool composePagePicture(HWND page, ScreenPicture* out) {
    const PageRecord* record = pageRecordOf(page);
    if (!record || !record->memDC)
        return false;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(page, MONITOR_DEFAULTTOPRIMARY), &monitor))
        return false;
    const RECT m = monitor.rcMonitor;
    RECT pageRect = {0, 0, 0, 0};
    GetWindowRect(page, &pageRect);
    const int32_t width = m.right - m.left, height = m.bottom - m.top;
    if (width <= 0 || height <= 0)
        return false;
    out->width = width;
    out->height = height;
    // The board is the opaque container (not layered) below the page: its grey is the key colour.
    HWND container = GetParent(page);
    const bool board = container && !(GetWindowLongPtrA(container, GWL_EXSTYLE) & WS_EX_LAYERED);
    if (board) {
        out->pixels.assign(size_t(width) * size_t(height), KEY_COLOUR_PIXEL);
    } else {
        // The screen as it shows, without our windows over the page. Where the screen is composed
        // (Wine, Windows with desktop composition) the page and its container are in the read: the
        // container is practically invisible on Windows (alpha 1) and drawn opaque by Wine, the
        // page's key-colour pixels are not shown, and its drawing is laid over below from the canvas.
        WindowsOverThePage over = {page, m, {}, 0, {0, 0, 0, 0}};
        EnumThreadWindows(GetCurrentThreadId(), collectWindowOverThePage, reinterpret_cast<LPARAM>(&over));
        const HWND active = GetActiveWindow(), focus = GetFocus();
        HDC screen = GetDC(nullptr);
        bool ok = !over.count || hideAndSettle(screen, over);
        ok = ok && readPixels(screen, m.left, m.top, width, height, &out->pixels);
        ReleaseDC(nullptr, screen);
        if (over.count)
            showAgain(over, active, focus);
        if (!ok)
            return false;
    }
    // The drawing over it: every canvas pixel that is not the key colour.
    std::vector<uint32_t> drawing;
    if (!readPixels(record->memDC, m.left - pageRect.left, m.top - pageRect.top, width, height, &drawing))
        return false;
    for (size_t i = 0; i < drawing.size(); ++i)
        if ((drawing[i] & 0xFFFFFF) != KEY_COLOUR_PIXEL)
            out->pixels[i] = drawing[i] & 0xFFFFFF;
    return true;
}

bool writePicturePng(const ScreenPicture& picture, std::wstring* path, std::string* reason) {
    std::wstring folder;
    if (!pictureFolder(&folder, reason) || !reserveName(folder, path, reason))
        return false;
    std::string step;
    const HRESULT hr = encodePng(picture, *path, &step);
    if (FAILED(hr)) {
        DeleteFileW(path->c_str());
        *reason = step + ": " + systemText(DWORD(hr));
        return false;
    }
    return true;
}

bool putPictureOnClipboard(HWND owner, const ScreenPicture& picture) {
    const size_t stride = (size_t(picture.width) * 3 + 3) & ~size_t(3);
    const size_t bytes = sizeof(BITMAPINFOHEADER) + stride * size_t(picture.height);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        return false;
    BYTE* p = static_cast<BYTE*>(GlobalLock(memory));
    if (!p) {
        GlobalFree(memory);
        return false;
    }
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = picture.width;
    header.biHeight = picture.height; // bottom-up, as every reader of CF_DIB expects
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(stride * size_t(picture.height));
    std::memcpy(p, &header, sizeof header);
    BYTE* rows = p + sizeof header;
    for (int32_t y = 0; y < picture.height; ++y) {
        BYTE* row = rows + stride * size_t(picture.height - 1 - y);
        const uint32_t* from = picture.pixels.data() + size_t(y) * size_t(picture.width);
        for (int32_t x = 0; x < picture.width; ++x) {
            row[x * 3] = BYTE(from[x]);
            row[x * 3 + 1] = BYTE(from[x] >> 8);
            row[x * 3 + 2] = BYTE(from[x] >> 16);
        }
    }
    GlobalUnlock(memory);
    if (!OpenClipboard(owner)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    const bool taken = SetClipboardData(CF_DIB, memory) != nullptr;
    CloseClipboard();
    if (!taken)
        GlobalFree(memory); // the clipboard owns it only once taken
    return taken;
}

// The copy goes first: whatever then happens to the file (a Pictures folder that is protected,
// redirected or full, a full disk), the picture can still be pasted, and the box says so.
void savePagePicture(HWND owner, HWND page) {
    ScreenPicture picture;
    if (!composePagePicture(page, &picture)) {
        MessageBoxA(owner, saveFailureText("No se pudo leer la pantalla", false).c_str(), "Error",
                    MB_OK | MB_ICONERROR);
        return;
    }
    const bool onClipboard = putPictureOnClipboard(owner, picture);
    std::wstring path;
    std::string reason;
    if (writePicturePng(picture, &path, &reason)) {
        showTrayBalloon("Imagen guardada", fileNameOf(path).c_str());
        return;
    }
    MessageBoxA(owner, saveFailureText(reason, onClipboard).c_str(), "Error", MB_OK | MB_ICONERROR);
}
