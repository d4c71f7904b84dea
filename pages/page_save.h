#pragma once
// "Guardar": what the board shows on the page's monitor, without the palette, written as a PNG
// into the user's Pictures folder (Velmora\Velmora AAAA-MM-DD HH-MM-SS.png) and put on the
// clipboard, so that it can be pasted into a document at once.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A picture of the screen: 32-bit pixels 0x00RRGGBB, top row first.
struct ScreenPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

// What the page's monitor shows: in board mode the grey board, over the desktop the screen as it
// shows with this thread's windows over the page (the palette, its tip) hidden for the read, and
// the page's drawing over it. False when the page cannot draw or the screen cannot be read.
bool composePagePicture(HWND page, ScreenPicture* out);

// What the desktop page's monitor shows under every window of this thread (the pages, the board, the
// palette, the bars: all hidden for the read and shown again as they were), with the desktop page's
// drawing over it: a slide frozen with its ink. False when the screen cannot be read.
bool composeDesktopPicture(HWND desktopPage, ScreenPicture* out);

// Writes the picture as a PNG (WIC) into Pictures\Velmora under a new name. On success `path` is
// the file's whole path; on failure `reason` says what failed, for the user, and no file is left.
bool writePicturePng(const ScreenPicture& picture, std::wstring* path, std::string* reason);

// The picture on the clipboard as CF_DIB (24 bits, bottom-up), owned by `owner`.
bool putPictureOnClipboard(HWND owner, const ScreenPicture& picture);

// The palette's save: compose the picture, put it on the clipboard, then write it; a tray balloon
// "Imagen guardada" with the file name, or the box of saveFailureText.
void savePagePicture(HWND owner, HWND page);
