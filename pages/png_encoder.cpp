// The PNG encoding of a picture through WIC.
#include <initguid.h> // the WIC GUIDs are defined here, not taken from a library

#include "pages/png_encoder.h"

#include "pages/com_scope.h"

#include <objbase.h>
#include <wincodec.h>

HRESULT encodePng(const ScreenPicture& picture, const std::wstring& path, std::string* step) {
    ComScope com;
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* options = nullptr;
    *step = "No hay codificador PNG";
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr))
        hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
    if (SUCCEEDED(hr)) {
        *step = "No se pudo escribir el archivo";
        hr = factory->CreateStream(&stream);
    }
    if (SUCCEEDED(hr))
        hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    if (SUCCEEDED(hr))
        hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr))
        hr = encoder->CreateNewFrame(&frame, &options);
    if (SUCCEEDED(hr))
        hr = frame->Initialize(options);
    if (SUCCEEDED(hr))
        hr = frame->SetSize(UINT(picture.width), UINT(picture.height));
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    if (SUCCEEDED(hr))
        hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat32bppBGR))
        hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT; // the encoder wants another layout: not ours
    const UINT stride = UINT(picture.width) * 4;
    if (SUCCEEDED(hr))
        hr = frame->WritePixels(UINT(picture.height), stride, stride * UINT(picture.height),
                                reinterpret_cast<BYTE*>(const_cast<uint32_t*>(picture.pixels.data())));
    if (SUCCEEDED(hr))
        hr = frame->Commit();
    if (SUCCEEDED(hr))
        hr = encoder->Commit();
    if (SUCCEEDED(hr))
        hr = stream->Commit(STGC_DEFAULT);
    release(options);
    release(frame);
    release(encoder);
    release(stream); // closes the file
    release(factory);
    return hr;
}
