#pragma once
// The PNG encoding of a picture through WIC.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pages/page_save.h"

// Writes the picture as a 32-bit PNG to `path` (an existing file is replaced). On failure `step`
// says which part failed, for the user ("No hay codificador PNG", "No se pudo escribir el archivo").
HRESULT encodePng(const ScreenPicture& picture, const std::wstring& path, std::string* step);
// The picture as a 24-bit PNG, in memory; false when it cannot be encoded.
bool encodePngBytes(const uint32_t* pixels, int32_t width, int32_t height, std::vector<uint8_t>* out);
