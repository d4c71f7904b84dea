#pragma once
// Pictures decoded with Windows' own codecs (WIC): PNG, JPEG, BMP, GIF, TIFF and whatever else the
// system knows, from a file or from bytes in memory. The first frame, as 0x00RRGGBB pixels, top row
// first; a picture with transparency is laid on white. Asked for a page's size, the picture comes
// fitted to it (fitPicture: whole, aspect kept, centred, never enlarged past twice).
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "board/core/board_rules.h"

struct DecodedPicture {
    PicturePlace place; // where it lies on the page; at (0, 0) and its own size when not fitted
    std::vector<uint32_t> pixels;
};

// Exactly one of `path` and `bytes`. pageWidth and pageHeight: the page to fit it into; 0: the
// picture's own size. On failure returns the error (FAILED) and `out` is left empty.
HRESULT decodePicture(const std::wstring* path, const std::vector<uint8_t>* bytes, int32_t pageWidth,
                      int32_t pageHeight, DecodedPicture* out);

// Decodes the picture in `bytes` through to its last row without keeping its pixels (a band of rows
// at a time, in the codec's own format): whether it is whole. S_OK, or the decoder's error.
HRESULT checkPicture(const std::vector<uint8_t>& bytes);

// What a failed decodePicture means to the user: the end of a sentence that starts with the file's
// name ("no es una imagen que Windows sepa abrir", "est\xE1 da\361ada"). Windows-1252.
std::string pictureFaultText(HRESULT hr);
