// Where a saved picture goes: the Velmora folder under Pictures and a new file name in it.
#include <initguid.h> // the known-folder GUIDs are defined here, not taken from a library

#include "pages/picture_file.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <cstdio>

#include "win32/known_folder.h"
#include "pages/core/picture_name.h"

namespace {

std::wstring widen(const std::string& s) {
    return std::wstring(s.begin(), s.end()); // the names are plain ASCII
}

} // namespace

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

// Pictures\Velmora, made when missing.
bool pictureFolder(std::wstring* folder, std::string* reason) {
    std::wstring pictures;
    HRESULT hr = S_OK;
    if (!knownFolderPath(FOLDERID_Pictures, &pictures, &hr)) {
        *reason = "No se encuentra la carpeta de im\xE1genes: " + systemText(DWORD(hr));
        return false;
    }
    *folder = pictures + L"\\Velmora";
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
bool reserveName(const std::wstring& folder, std::wstring* path, std::string* reason, const char* extension) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    const LocalTime t = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    for (int32_t attempt = 1; attempt < 1000; ++attempt) {
        const std::wstring candidate = folder + L"\\" + widen(savedFileName(t, attempt, extension));
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
