#include "win32/touch_keyboard.h"

#include <objbase.h>

#include "win32/com_scope.h"
#include "win32/system_library.h"

namespace {

// The two interfaces of the Windows Runtime's InputPane a desktop window uses, declared here as
// their documentation gives them (MinGW's headers have neither): IInputPaneInterop, from the
// InputPane class's activation factory, and IInputPane2 with TryShow and TryHide. Both derive from
// IInspectable, whose three methods come before their own.
struct InspectableBase : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetIids(ULONG* count, IID** iids) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRuntimeClassName(void** name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTrustLevel(int* level) = 0;
};
struct InputPaneInterop : InspectableBase {
    virtual HRESULT STDMETHODCALLTYPE GetForWindow(HWND window, REFIID iid, void** pane) = 0;
};
struct InputPane2 : InspectableBase {
    virtual HRESULT STDMETHODCALLTYPE TryShow(unsigned char* accepted) = 0;
    virtual HRESULT STDMETHODCALLTYPE TryHide(unsigned char* accepted) = 0;
};
constexpr IID IID_INPUT_PANE_INTEROP = {
    0x75cf2c57, 0x9195, 0x4931, {0x83, 0x32, 0xf0, 0xb4, 0x09, 0xe9, 0x16, 0xaf}};
constexpr IID IID_INPUT_PANE_2 = {
    0x8a6b3f26, 0x7090, 0x4793, {0x94, 0x4c, 0xc3, 0xf2, 0xcd, 0xe2, 0x62, 0x76}};

// combase.dll's string and activation calls, looked up at run time: Windows 7 has no combase.
using CreateStringFn = HRESULT(WINAPI*)(const wchar_t*, UINT32, void**);
using DeleteStringFn = HRESULT(WINAPI*)(void*);
using GetFactoryFn = HRESULT(WINAPI*)(void*, REFIID, void**);

HWND shownFor = nullptr; // the window a request was accepted for, until the keyboard is hidden

InputPane2* paneFor(HWND window) {
    HMODULE combase = loadSystemLibrary("combase.dll");
    if (!combase)
        return nullptr;
    const auto createString = reinterpret_cast<CreateStringFn>(
        reinterpret_cast<void*>(GetProcAddress(combase, "WindowsCreateString")));
    const auto deleteString = reinterpret_cast<DeleteStringFn>(
        reinterpret_cast<void*>(GetProcAddress(combase, "WindowsDeleteString")));
    const auto getFactory = reinterpret_cast<GetFactoryFn>(
        reinterpret_cast<void*>(GetProcAddress(combase, "RoGetActivationFactory")));
    if (!createString || !deleteString || !getFactory)
        return nullptr;
    static const wchar_t CLASS_NAME[] = L"Windows.UI.ViewManagement.InputPane";
    void* name = nullptr;
    if (FAILED(createString(CLASS_NAME, UINT32(sizeof CLASS_NAME / sizeof CLASS_NAME[0] - 1), &name)))
        return nullptr;
    InputPaneInterop* interop = nullptr;
    InputPane2* pane = nullptr;
    if (SUCCEEDED(getFactory(name, IID_INPUT_PANE_INTEROP, reinterpret_cast<void**>(&interop))) && interop)
        if (FAILED(interop->GetForWindow(window, IID_INPUT_PANE_2, reinterpret_cast<void**>(&pane))))
            pane = nullptr;
    release(interop);
    deleteString(name);
    return pane;
}

} // namespace

// Each call makes its own apartment scope (balanced when it had to make it) and lets the pane go
// before the scope ends: nothing of COM outlives the call.
bool showTouchKeyboard(HWND window) {
    hideTouchKeyboard();
    ComScope com;
    InputPane2* pane = paneFor(window);
    unsigned char accepted = 0;
    if (pane && SUCCEEDED(pane->TryShow(&accepted)) && accepted)
        shownFor = window;
    release(pane);
    return shownFor != nullptr;
}

void hideTouchKeyboard() {
    if (!shownFor)
        return;
    ComScope com;
    InputPane2* pane = paneFor(shownFor);
    unsigned char accepted = 0;
    if (pane)
        pane->TryHide(&accepted);
    release(pane);
    shownFor = nullptr;
}
