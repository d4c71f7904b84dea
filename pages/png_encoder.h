#pragma once
// The PNG encoding of a picture through WIC.
#include <windows.h>

#include <string>

#include "pages/page_save.h"

// Writes the picture as a 32-bit PNG to `path` (an existing file is replaced). On failure `step`
// says which part failed, for the user ("No hay codificador PNG", "No se pudo escribir el archivo").
HRESULT encodePng(const ScreenPicture& picture, const std::wstring& path, std::string* step);
