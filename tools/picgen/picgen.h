#pragma once
// The picture generator's file writers. The pictures are drawn by the rooms' cores (the same code
// the program draws them with at run time); nothing is read from disk.
#include <cstdint>
#include <string>
#include <vector>

#include "pages/core/cursor_pictures.h"
#include "resources/resource_ids.h"
#include "win32/core/raster.h"

// File writers. Little-endian 16- and 32-bit fields, as every Windows file format has them.
void put16(std::vector<uint8_t>& b, unsigned v);
void put32(std::vector<uint8_t>& b, uint32_t v);
// The whole file at once; false when it could not be written completely.
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
// An icon (type 1) or cursor (type 2) file: the 6-byte directory header, one 16-byte entry a
// picture, then the pictures' data in the same order.
struct IconFileEntry {
    uint8_t width, height, colours; // 0 for a width or height of 256, colours 0 for more than 256
    unsigned planesOrHotX;          // icon: colour planes (1); cursor: the hotspot's x
    unsigned bitsOrHotY;            // icon: bits per pixel; cursor: the hotspot's y
    std::vector<uint8_t> data;      // the picture: BITMAPINFOHEADER with double height, pixels, mask
};
bool writeIconFile(const std::string& path, unsigned type, const std::vector<IconFileEntry>& entries);
// A Windows BMP (BITMAPINFOHEADER, 24 bits per pixel, bottom-up).
bool writeBmp(const std::string& path, const Picture& picture);
// A cursor file with one image of each size.
bool writeCursor(const std::string& path, const std::vector<CursorImage>& images);
