// Decoding pictures through WIC, fitted to a page with WIC's scaler.
#include "board/picture_decode.h"

#include "win32/com_scope.h"

#include <wincodec.h>

namespace {

// More pixels than this on a side is not a picture for a board; its pixels are not allocated.
constexpr UINT MAX_SOURCE_SIDE = 16384;

HRESULT makeDecoder(IWICImagingFactory* factory, const std::wstring* path, const std::vector<uint8_t>* bytes,
                    IWICStream** stream, IWICBitmapDecoder** decoder) {
    if (path)
        return factory->CreateDecoderFromFilename(path->c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, decoder);
    if (!bytes || bytes->empty() || bytes->size() > 0x7FFFFFFF)
        return WINCODEC_ERR_BADIMAGE;
    HRESULT hr = factory->CreateStream(stream);
    if (SUCCEEDED(hr))
        hr = (*stream)->InitializeFromMemory(const_cast<BYTE*>(bytes->data()), DWORD(bytes->size()));
    if (SUCCEEDED(hr))
        hr = factory->CreateDecoderFromStream(*stream, nullptr, WICDecodeMetadataCacheOnDemand, decoder);
    return hr;
}

} // namespace

HRESULT decodePicture(const std::wstring* path, const std::vector<uint8_t>* bytes, int32_t pageWidth,
                      int32_t pageHeight, DecodedPicture* out) {
    ComScope com;
    *out = DecodedPicture{};
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICBitmapScaler* scaler = nullptr;
    IWICFormatConverter* converter = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr))
        hr = makeDecoder(factory, path, bytes, &stream, &decoder);
    if (SUCCEEDED(hr))
        hr = decoder->GetFrame(0, &frame);
    UINT w = 0, h = 0;
    if (SUCCEEDED(hr))
        hr = frame->GetSize(&w, &h);
    if (SUCCEEDED(hr) && (w == 0 || h == 0 || w > MAX_SOURCE_SIDE || h > MAX_SOURCE_SIDE))
        hr = WINCODEC_ERR_IMAGESIZEOUTOFRANGE;
    PicturePlace place = {0, 0, int32_t(w), int32_t(h)};
    if (SUCCEEDED(hr) && pageWidth > 0 && pageHeight > 0)
        place = fitPicture(int32_t(w), int32_t(h), pageWidth, pageHeight);
    IWICBitmapSource* source = frame;
    if (SUCCEEDED(hr) && (UINT(place.width) != w || UINT(place.height) != h)) {
        hr = factory->CreateBitmapScaler(&scaler);
        if (SUCCEEDED(hr))
            hr = scaler->Initialize(frame, UINT(place.width), UINT(place.height),
                                    WICBitmapInterpolationModeFant);
        source = scaler;
    }
    if (SUCCEEDED(hr))
        hr = factory->CreateFormatConverter(&converter);
    // Premultiplied: a transparent pixel is black with alpha 0, laid on white below.
    if (SUCCEEDED(hr))
        hr = converter->Initialize(source, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom);
    std::vector<uint32_t> pixels;
    if (SUCCEEDED(hr)) {
        const UINT stride = UINT(place.width) * 4;
        pixels.assign(size_t(place.width) * size_t(place.height), 0);
        hr = converter->CopyPixels(nullptr, stride, stride * UINT(place.height),
                                   reinterpret_cast<BYTE*>(pixels.data()));
    }
    release(converter);
    release(scaler);
    release(frame);
    release(decoder);
    release(stream);
    release(factory);
    if (FAILED(hr))
        return hr;
    for (uint32_t& p : pixels) {
        const uint32_t clear = 255 - (p >> 24);
        const uint32_t r = ((p >> 16) & 0xFF) + clear, g = ((p >> 8) & 0xFF) + clear, b = (p & 0xFF) + clear;
        p = (r > 255 ? 255 : r) << 16 | (g > 255 ? 255 : g) << 8 | (b > 255 ? 255 : b);
    }
    out->place = place;
    out->pixels = std::move(pixels);
    return S_OK;
}

HRESULT checkPicture(const std::vector<uint8_t>& bytes) {
    ComScope com;
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr))
        hr = makeDecoder(factory, nullptr, &bytes, &stream, &decoder);
    if (SUCCEEDED(hr))
        hr = decoder->GetFrame(0, &frame);
    UINT w = 0, h = 0;
    if (SUCCEEDED(hr))
        hr = frame->GetSize(&w, &h);
    if (SUCCEEDED(hr) && (w == 0 || h == 0 || w > MAX_SOURCE_SIDE || h > MAX_SOURCE_SIDE))
        hr = WINCODEC_ERR_IMAGESIZEOUTOFRANGE;
    // Eight bytes a pixel covers every format a codec hands out; 64 rows at a time.
    constexpr UINT BAND = 64;
    std::vector<BYTE> band;
    if (SUCCEEDED(hr))
        band.resize(size_t(w) * 8 * BAND);
    for (UINT y = 0; SUCCEEDED(hr) && y < h; y += BAND) {
        const WICRect rows = {0, INT(y), INT(w), INT(h - y < BAND ? h - y : BAND)};
        hr = frame->CopyPixels(&rows, w * 8, UINT(band.size()), band.data());
    }
    release(frame);
    release(decoder);
    release(stream);
    release(factory);
    return hr;
}

std::string pictureFaultText(HRESULT hr) {
    switch (hr) {
    case WINCODEC_ERR_COMPONENTNOTFOUND:
    case WINCODEC_ERR_UNKNOWNIMAGEFORMAT:
        return "no es una imagen que Windows sepa abrir";
    case WINCODEC_ERR_IMAGESIZEOUTOFRANGE:
        return "es demasiado grande";
    case E_OUTOFMEMORY:
        return "no cabe en la memoria";
    case HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND):
    case HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND):
        return "ya no existe";
    case HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED):
    case HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION):
        return "no se puede leer";
    default:
        return "est\xE1 da\361ada o incompleta";
    }
}
