// Decoding pictures through WIC, fitted to a page with WIC's scaler.
#include "board/picture_decode.h"

#include "win32/com_scope.h"

#include <wincodec.h>

namespace {

// More pixels than this on a side is not a picture for a board; its pixels are not allocated.
constexpr UINT MAX_SOURCE_SIDE = 16384;

// A picture's first frame, from a file or from bytes, and what it takes to read it; released
// whole when it goes.
struct FirstFrame {
    ComScope com;
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    UINT width = 0;
    UINT height = 0;
    HRESULT hr = E_FAIL;

    FirstFrame(const std::wstring* path, const std::vector<uint8_t>* bytes) {
        hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(&factory));
        if (SUCCEEDED(hr) && path) {
            hr = factory->CreateDecoderFromFilename(path->c_str(), nullptr, GENERIC_READ,
                                                    WICDecodeMetadataCacheOnDemand, &decoder);
        } else if (SUCCEEDED(hr)) {
            if (!bytes || bytes->empty() || bytes->size() > 0x7FFFFFFF)
                hr = WINCODEC_ERR_BADIMAGE;
            if (SUCCEEDED(hr))
                hr = factory->CreateStream(&stream);
            if (SUCCEEDED(hr))
                hr = stream->InitializeFromMemory(const_cast<BYTE*>(bytes->data()), DWORD(bytes->size()));
            if (SUCCEEDED(hr))
                hr = factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand,
                                                      &decoder);
        }
        if (SUCCEEDED(hr))
            hr = decoder->GetFrame(0, &frame);
        if (SUCCEEDED(hr))
            hr = frame->GetSize(&width, &height);
        if (SUCCEEDED(hr) &&
            (width == 0 || height == 0 || width > MAX_SOURCE_SIDE || height > MAX_SOURCE_SIDE))
            hr = WINCODEC_ERR_IMAGESIZEOUTOFRANGE;
    }
    ~FirstFrame() {
        release(frame);
        release(decoder);
        release(stream);
        release(factory);
    }
    FirstFrame(const FirstFrame&) = delete;
    FirstFrame& operator=(const FirstFrame&) = delete;
};

} // namespace

HRESULT decodePicture(const std::wstring* path, const std::vector<uint8_t>* bytes, int32_t pageWidth,
                      int32_t pageHeight, DecodedPicture* out) {
    *out = DecodedPicture{};
    FirstFrame picture(path, bytes);
    HRESULT hr = picture.hr;
    IWICBitmapScaler* scaler = nullptr;
    IWICFormatConverter* converter = nullptr;
    PicturePlace place = {0, 0, int32_t(picture.width), int32_t(picture.height)};
    if (SUCCEEDED(hr) && pageWidth > 0 && pageHeight > 0)
        place = fitPicture(int32_t(picture.width), int32_t(picture.height), pageWidth, pageHeight);
    IWICBitmapSource* source = picture.frame;
    if (SUCCEEDED(hr) && (UINT(place.width) != picture.width || UINT(place.height) != picture.height)) {
        hr = picture.factory->CreateBitmapScaler(&scaler);
        if (SUCCEEDED(hr))
            hr = scaler->Initialize(picture.frame, UINT(place.width), UINT(place.height),
                                    WICBitmapInterpolationModeFant);
        source = scaler;
    }
    if (SUCCEEDED(hr))
        hr = picture.factory->CreateFormatConverter(&converter);
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
    FirstFrame picture(nullptr, &bytes);
    HRESULT hr = picture.hr;
    // Eight bytes a pixel covers every format a codec hands out; 64 rows at a time.
    constexpr UINT BAND = 64;
    std::vector<BYTE> band;
    if (SUCCEEDED(hr))
        band.resize(size_t(picture.width) * 8 * BAND);
    for (UINT y = 0; SUCCEEDED(hr) && y < picture.height; y += BAND) {
        const WICRect rows = {0, INT(y), INT(picture.width),
                              INT(picture.height - y < BAND ? picture.height - y : BAND)};
        hr = picture.frame->CopyPixels(&rows, picture.width * 8, UINT(band.size()), band.data());
    }
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
