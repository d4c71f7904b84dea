// The PNG encoding of a picture through WIC: to a file for a saved picture, in memory for the
// board's pages and the PDF.
#include <initguid.h> // the WIC GUIDs are defined here, not taken from a library

#include "pages/png_encoder.h"

#include "win32/com_scope.h"

#include <objbase.h>
#include <wincodec.h>

namespace {

HRESULT createPngEncoder(IWICImagingFactory** factory, IWICBitmapEncoder** encoder) {
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(factory));
    if (SUCCEEDED(hr))
        hr = (*factory)->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder);
    return hr;
}

// The pixels (0x00RRGGBB, rows from the top) as the encoder's one frame, written into `target`: 32
// bits a pixel, or 24 (the pictures have no transparency, and a PDF carries a 24-bit PNG's data as
// it is).
HRESULT writePngFrame(IWICBitmapEncoder* encoder, IStream* target, const uint32_t* pixels, int32_t width,
                      int32_t height, int bitsPerPixel) {
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* options = nullptr;
    HRESULT hr = encoder->Initialize(target, WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr))
        hr = encoder->CreateNewFrame(&frame, &options);
    if (SUCCEEDED(hr))
        hr = frame->Initialize(options);
    if (SUCCEEDED(hr))
        hr = frame->SetSize(UINT(width), UINT(height));
    const WICPixelFormatGUID layout =
        bitsPerPixel == 24 ? GUID_WICPixelFormat24bppBGR : GUID_WICPixelFormat32bppBGR;
    WICPixelFormatGUID format = layout;
    if (SUCCEEDED(hr))
        hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && !IsEqualGUID(format, layout))
        hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT; // the encoder wants another layout: not ours
    if (bitsPerPixel == 24) {
        const UINT stride = UINT(width) * 3;
        std::vector<BYTE> row(stride);
        for (int32_t y = 0; SUCCEEDED(hr) && y < height; ++y) {
            const uint32_t* from = pixels + size_t(y) * size_t(width);
            for (int32_t x = 0; x < width; ++x) {
                row[size_t(x) * 3] = BYTE(from[x]);
                row[size_t(x) * 3 + 1] = BYTE(from[x] >> 8);
                row[size_t(x) * 3 + 2] = BYTE(from[x] >> 16);
            }
            hr = frame->WritePixels(1, stride, stride, row.data());
        }
    } else if (SUCCEEDED(hr)) {
        const UINT stride = UINT(width) * 4;
        hr = frame->WritePixels(UINT(height), stride, stride * UINT(height),
                                reinterpret_cast<BYTE*>(const_cast<uint32_t*>(pixels)));
    }
    if (SUCCEEDED(hr))
        hr = frame->Commit();
    if (SUCCEEDED(hr))
        hr = encoder->Commit();
    release(options);
    release(frame);
    return hr;
}

} // namespace

HRESULT encodePng(const ScreenPicture& picture, const std::wstring& path, std::string* step) {
    ComScope com;
    IWICImagingFactory* factory = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICStream* stream = nullptr;
    *step = "No hay codificador PNG";
    HRESULT hr = createPngEncoder(&factory, &encoder);
    if (SUCCEEDED(hr)) {
        *step = "No se pudo escribir el archivo";
        hr = factory->CreateStream(&stream);
    }
    if (SUCCEEDED(hr))
        hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    if (SUCCEEDED(hr))
        hr = writePngFrame(encoder, stream, picture.pixels.data(), picture.width, picture.height, 32);
    if (SUCCEEDED(hr))
        hr = stream->Commit(STGC_DEFAULT);
    release(encoder);
    release(stream); // closes the file
    release(factory);
    return hr;
}

bool encodePngBytes(const uint32_t* pixels, int32_t width, int32_t height, std::vector<uint8_t>* out) {
    if (width <= 0 || height <= 0)
        return false;
    ComScope com;
    IStream* memory = nullptr;
    IWICImagingFactory* factory = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, &memory);
    if (SUCCEEDED(hr))
        hr = createPngEncoder(&factory, &encoder);
    if (SUCCEEDED(hr))
        hr = writePngFrame(encoder, memory, pixels, width, height, 24);
    HGLOBAL global = nullptr;
    if (SUCCEEDED(hr))
        hr = GetHGlobalFromStream(memory, &global);
    STATSTG stat = {};
    if (SUCCEEDED(hr))
        hr = memory->Stat(&stat, STATFLAG_NONAME);
    if (SUCCEEDED(hr)) {
        const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(global));
        if (bytes)
            out->assign(bytes, bytes + size_t(stat.cbSize.QuadPart));
        else
            hr = E_OUTOFMEMORY;
        GlobalUnlock(global);
    }
    release(encoder);
    release(factory);
    release(memory);
    return SUCCEEDED(hr);
}
