// The real start-up and frame on the headless backend: the backdrop as it lands on
// the back buffer.
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "assets/embedded.h"
#include "shell_support.h"

using namespace platform;
using skarvo::game;

TEST(Frame, BackdropFillsTheBackBufferAsTheImageShowsIt) {
    headlessSetClock(shelltest::FIRST_FRAME_CLOCK + 1000);
    skarvo::runFrame();
    ASSERT_TRUE(headlessSavePng(SKARVO_ARTIFACTS "/shell_headless_frame.png"));
    png_image image{};  // the image itself, decoded here on its own
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, assets::imageData(0), assets::imageLength(0)));
    image.format = PNG_FORMAT_RGBA;
    ASSERT_EQ(image.width * image.height, 640u * 480u);
    std::vector<uint8_t> source(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, source.data(), 0, nullptr));

    // This frame's sprites (none turned: nothing thrown yet) are left out, with a margin.
    std::vector<bool> covered(640 * 480);
    int count = 0;
    const SpriteDrawRecord* d = headlessSpriteDraws(&count);
    for (int i = 0; i < count; ++i) {
        // Clamped before the conversion: targets may be drawn far off the screen.
        const int x0 = static_cast<int>(std::clamp(d[i].position.x - d[i].centre.x, -1000.0f, 1000.0f)),
                  y0 = static_cast<int>(std::clamp(d[i].position.y - d[i].centre.y, -1000.0f, 1000.0f));
        for (int y = std::max(0, y0 - 2); y < std::min(480, y0 + textureHeight(d[i].texture) + 2); ++y)
            for (int x = std::max(0, x0 - 2); x < std::min(640, x0 + textureWidth(d[i].texture) + 2); ++x)
                covered[y * 640 + x] = true;
    }
    // Scaled to 1024 × 512 and back: sharp edges soften, nothing else changes (keyed black shows the clear).
    const uint8_t* screen = headlessPixels();
    int compared = 0, close = 0;
    for (int i = 0; i < 640 * 480; ++i) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(screen[i * 4 + c] - source[i * 4 + c]));
        compared += !covered[i];
        close += !covered[i] && worst <= 24;
    }
    ASSERT_GT(compared, 640 * 480 * 3 / 4);
    EXPECT_GT(static_cast<double>(close) / compared, 0.97);
}
