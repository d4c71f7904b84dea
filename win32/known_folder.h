#pragma once
// The path of one of the user's known folders (Pictures, the local application data, ...).
#include <windows.h>

#include <shlobj.h>

#include <string>

// The folder's path, the folder made when missing (KF_FLAG_CREATE). On failure *path is left as it
// was and *result holds what the system answered (a success with no path among them).
bool knownFolderPath(REFKNOWNFOLDERID id, std::wstring* path, HRESULT* result = nullptr);
