#pragma once
// Where a saved picture goes: the Velmora folder under the user's Pictures, a file name of the local
// time that no file has yet, and the texts that tell the user why either failed.
#include <windows.h>

#include <string>

// Pictures\Velmora, made when missing. On failure `reason` says why, for the user.
bool pictureFolder(std::wstring* folder, std::string* reason);

// A name of the local time in `folder` that no file has yet, taken at once (the empty file is made),
// so that two saves in the same second get " (2)" rather than one overwriting the other.
bool reserveName(const std::wstring& folder, std::wstring* path, std::string* reason,
                 const char* extension = ".png");

// The last part of a path, in the ANSI code page, as the user is shown it.
std::string fileNameOf(const std::wstring& path);

// The system's text for an error code, with the code: "Access is denied (0x00000005)".
std::string systemText(DWORD code);
