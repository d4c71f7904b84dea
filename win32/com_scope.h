#pragma once
// COM for one scope of a WIC user, and the release of its interfaces.
#include <objbase.h>

// Balances a successful CoInitializeEx; a thread already in another apartment still works.
struct ComScope {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ~ComScope() {
        if (SUCCEEDED(hr))
            CoUninitialize();
    }
};

// Releases an interface and forgets it.
template <class T> void release(T*& p) {
    if (p)
        p->Release();
    p = nullptr;
}
