#include "win32/known_folder.h"

// SHGetKnownFolderPath hands back a buffer the caller frees with CoTaskMemFree, on failure as well
// ("the calling process is responsible for freeing this resource once it is no longer needed ...
// whether SHGetKnownFolderPath succeeds or not").
bool knownFolderPath(REFKNOWNFOLDERID id, std::wstring* path, HRESULT* result) {
    PWSTR found = nullptr;
    const HRESULT hr = SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &found);
    if (result)
        *result = hr;
    if (FAILED(hr) || !found) {
        if (found)
            CoTaskMemFree(found);
        return false;
    }
    *path = found;
    CoTaskMemFree(found);
    return true;
}
