// texel_hash — every image of the embedded block through the game's texture decoding
// (libpng, then the shared keying and scaling), one line each: its number, the
// texture's size and an FNV-1a hash of its texels. Built for Linux and for node; make
// test-web requires the two to print the same.
#include <cstdio>

#include "assets/embedded.h"
#include "platform/image.h"
#include "platform/platform.h"

int main() {
    for (int n = 0; n < assets::IMAGE_COUNT; ++n) {
        platform::Image image;
        const char* error =
            platform::decodeImage(assets::imageData(n), assets::imageLength(n), platform::COLOUR_KEY_BLACK, &image);
        uint32_t hash = 2166136261u;
        for (uint8_t b : image.rgba) hash = (hash ^ b) * 16777619u;
        std::printf("%2d %4d x %4d %08x %s\n", n, image.width, image.height, hash, error ? error : "");
    }
    return 0;
}
