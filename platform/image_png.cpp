// image.cpp — PNG decode with libpng's simplified reader; keying and scaling follow
// in image_scale.cpp.
#include "platform/image.h"

#include <png.h>

#include <cstring>

namespace platform {

const char* decodeImage(const uint8_t* data, size_t length, uint32_t colourKey, Image* out) {
    static const uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!data || length < sizeof SIGNATURE || std::memcmp(data, SIGNATURE, sizeof SIGNATURE) != 0)
        return "not a PNG image";

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, length)) {
        png_image_free(&image);
        return "damaged PNG header";
    }
    if (image.width == 0 || image.height == 0 || image.width > MAX_IMAGE_SIDE || image.height > MAX_IMAGE_SIDE) {
        png_image_free(&image);
        return "PNG image size out of range";
    }
    image.format = PNG_FORMAT_RGBA;
    const int w = static_cast<int>(image.width), h = static_cast<int>(image.height);
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return "damaged PNG data";
    }
    png_image_free(&image);

    keyAndScaleImage(pixels.data(), w, h, colourKey, out);
    return nullptr;
}

}  // namespace platform
