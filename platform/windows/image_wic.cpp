// image_wic.cpp — decodeImage (image.h) on Windows: the PNG decoded by WIC, the
// imaging component every Windows has, to 32-bit RGBA; then the colour key and the
// power-of-two scaling of image_scale.cpp, shared with the Linux decoder, so the same
// pixels give the same texels on both systems.
//
// Only PNG is accepted, as on Linux, although WIC would take other formats too.
#include <cstring>

#include "platform/image.h"
#include "platform/windows/backend.h"

// After backend.h: these need <windows.h> first.
// clang-format off
#include <objbase.h>
#include <wincodec.h>
// clang-format on

namespace platform {

// The imaging factory without the COM runtime (exported by windowscodecs.dll since
// Windows XP SP3, declared in no header): CoCreateInstance would need COM started on
// this thread, and under Wine it waits 10 s for a service that may never come.
extern "C" HRESULT WINAPI WICCreateImagingFactory_Proxy(UINT sdkVersion, IWICImagingFactory** factory);

namespace {

// The WIC objects of one decode, released together whatever step failed.
struct Decode {
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;

    ~Decode() {
        if (converter) converter->Release();
        if (frame) frame->Release();
        if (decoder) decoder->Release();
        if (stream) stream->Release();
        if (factory) factory->Release();
    }
};

}  // namespace

const char* decodeImage(const uint8_t* data, size_t length, uint32_t colourKey, Image* out) {
    static const uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!data || length < sizeof SIGNATURE || std::memcmp(data, SIGNATURE, sizeof SIGNATURE) != 0)
        return "not a PNG image";
    if (length > 0xFFFFFFFFu) return "PNG image too long";

    Decode w;
    if (FAILED(WICCreateImagingFactory_Proxy(WINCODEC_SDK_VERSION, &w.factory))) return "no Windows imaging component";
    if (FAILED(w.factory->CreateStream(&w.stream)) ||
        FAILED(w.stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(length))))
        return "no memory stream";
    if (FAILED(w.factory->CreateDecoderFromStream(w.stream, nullptr, WICDecodeMetadataCacheOnDemand, &w.decoder)) ||
        FAILED(w.decoder->GetFrame(0, &w.frame)))
        return "damaged PNG header";
    UINT width = 0, height = 0;
    if (FAILED(w.frame->GetSize(&width, &height))) return "damaged PNG header";
    if (width == 0 || height == 0 || width > MAX_IMAGE_SIDE || height > MAX_IMAGE_SIDE)
        return "PNG image size out of range";

    // Straight (not premultiplied) 8-bit RGBA, rows from the top, as libpng gives them.
    const UINT stride = width * 4;
    std::vector<uint8_t> pixels(static_cast<size_t>(stride) * height);
    if (FAILED(w.factory->CreateFormatConverter(&w.converter)) ||
        FAILED(w.converter->Initialize(w.frame, GUID_WICPixelFormat32bppRGBA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                       WICBitmapPaletteTypeCustom)) ||
        FAILED(w.converter->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data())))
        return "damaged PNG data";

    keyAndScaleImage(pixels.data(), static_cast<int>(width), static_cast<int>(height), colourKey, out);
    return nullptr;
}

}  // namespace platform
