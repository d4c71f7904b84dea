#include "tests/support/picture_files.h"

#include <wincodec.h>

bool writePictureFile(const std::wstring& path, int w, int h, const std::vector<uint32_t>& pixels,
                      bool jpeg) {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* options = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr))
        hr = factory->CreateStream(&stream);
    if (SUCCEEDED(hr))
        hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    if (SUCCEEDED(hr))
        hr = factory->CreateEncoder(jpeg ? GUID_ContainerFormatJpeg : GUID_ContainerFormatPng, nullptr,
                                    &encoder);
    if (SUCCEEDED(hr))
        hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr))
        hr = encoder->CreateNewFrame(&frame, &options);
    if (SUCCEEDED(hr) && jpeg && options) {
        PROPBAG2 option = {};
        option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
        VARIANT value = {};
        value.vt = VT_R4;
        value.fltVal = 0.95f;
        options->Write(1, &option, &value);
    }
    if (SUCCEEDED(hr))
        hr = frame->Initialize(options);
    if (SUCCEEDED(hr))
        hr = frame->SetSize(UINT(w), UINT(h));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr))
        hr = frame->SetPixelFormat(&format);
    std::vector<BYTE> rows(size_t(w) * size_t(h) * 3);
    for (size_t i = 0; i < size_t(w) * size_t(h); ++i) {
        rows[i * 3] = BYTE(pixels[i]);
        rows[i * 3 + 1] = BYTE(pixels[i] >> 8);
        rows[i * 3 + 2] = BYTE(pixels[i] >> 16);
    }
    if (SUCCEEDED(hr) && format != GUID_WICPixelFormat24bppBGR)
        hr = E_FAIL;
    if (SUCCEEDED(hr))
        hr = frame->WritePixels(UINT(h), UINT(w) * 3, UINT(rows.size()), rows.data());
    if (SUCCEEDED(hr))
        hr = frame->Commit();
    if (SUCCEEDED(hr))
        hr = encoder->Commit();
    for (IUnknown* p :
         {static_cast<IUnknown*>(options), static_cast<IUnknown*>(frame), static_cast<IUnknown*>(encoder),
          static_cast<IUnknown*>(stream), static_cast<IUnknown*>(factory)})
        if (p)
            p->Release();
    if (SUCCEEDED(init))
        CoUninitialize();
    return SUCCEEDED(hr);
}

namespace {

struct PatternPixels {
    int w, h;
    std::vector<uint32_t> pixels;
};

LRESULT CALLBACK patternProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        const auto* p = reinterpret_cast<const PatternPixels*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (p) {
            BITMAPINFO info = {};
            info.bmiHeader.biSize = sizeof info.bmiHeader;
            info.bmiHeader.biWidth = p->w;
            info.bmiHeader.biHeight = -p->h;
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            info.bmiHeader.biCompression = BI_RGB;
            SetDIBitsToDevice(dc, 0, 0, DWORD(p->w), DWORD(p->h), 0, 0, 0, UINT(p->h), p->pixels.data(),
                              &info, DIB_RGB_COLORS);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

} // namespace

uint32_t PatternWindow::pattern(int x, int y) {
    // Smooth ramps across and down, and squares of 64 that alternate in blue: every pixel known,
    // none the program's key colour.
    const uint32_t r = uint32_t(x * 7) & 0xFF, g = uint32_t(y * 5) & 0xFF;
    const uint32_t b = ((x / 64 + y / 64) % 2) ? 0xE0 : 0x30;
    return r << 16 | g << 8 | b;
}

PatternWindow::PatternWindow(int w, int h) {
    ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread = std::thread(&PatternWindow::run, this, w, h);
    WaitForSingleObject(ready, 10000);
}

PatternWindow::~PatternWindow() {
    if (threadId)
        PostThreadMessageW(threadId, WM_QUIT, 0, 0);
    if (thread.joinable())
        thread.join();
    CloseHandle(ready);
}

void PatternWindow::run(int w, int h) {
    threadId = GetCurrentThreadId();
    PatternPixels pixels{w, h, std::vector<uint32_t>(size_t(w) * size_t(h))};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels.pixels[size_t(y) * size_t(w) + size_t(x)] = pattern(x, y);
    WNDCLASSW cls = {};
    cls.lpfnWndProc = patternProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"velmora_test_pattern";
    RegisterClassW(&cls);
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, cls.lpszClassName, L"",
                                WS_POPUP | WS_DISABLED, 0, 0, w, h, nullptr, nullptr, cls.hInstance, nullptr);
    if (hwnd) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&pixels));
        // Shown before the program shows its windows, and never restacked: Wine maps each window
        // over those mapped before it and cannot put one under another process's.
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd);
    }
    window = hwnd;
    SetEvent(ready);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (hwnd)
        DestroyWindow(hwnd);
    window = nullptr;
}
