// Saving the board as a picture: the screen read, the clipboard copy, the PNG file and what the user
// is told. Each part has its own file: screen_read.cpp, picture_clipboard.cpp, png_encoder.cpp and
// picture_file.cpp.
#include "pages/page_save.h"

#include "win32/tray_icon.h"
#include "pages/picture_file.h"
#include "pages/png_encoder.h"

namespace {

// The box's text for a save that failed: what failed and why, and whether the copy was made.
std::string saveFailureText(const std::string& reason, bool onClipboard) {
    std::string text = "No se pudo guardar la imagen\r\n" + reason;
    if (onClipboard)
        text += "\r\nLa imagen est\xE1 en el portapapeles";
    return text;
}

} // namespace

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
