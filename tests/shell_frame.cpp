// The real start-up and frame on the headless backend: textures, and the backdrop
// as it lands on the back buffer.
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "assets/embedded.h"
#include "platform/device.h"
#include "shell_support.h"

using namespace platform;
using skarvo::game;

TEST(StartUp, TexturesHaveThePowerOfTwoSizesAndTheFirstFrameMeasuresFromTheLastStep) {
    const struct {
        Texture* texture;
        int w, h;
    } expect[] = {{game.texBackdrop, 1024, 512}, {game.texBoot, 64, 64},       {game.texVulture, 64, 64},
                  {game.texSnake, 64, 64},       {game.texTumbleweed, 64, 64}, {game.texBottle, 16, 32},
                  {game.texJoystick, 16, 32},    {game.texBanana, 16, 32},     {game.texRing, 16, 32},
                  {game.texPlate, 32, 16},       {game.texWalkA, 128, 128},    {game.texWalkB, 128, 128},
                  {game.texThrowA, 128, 128},    {game.texThrowB, 128, 128}};
    for (const auto& e : expect) {
        ASSERT_NE(e.texture, nullptr);
        EXPECT_EQ(textureWidth(e.texture), e.w);
        EXPECT_EQ(textureHeight(e.texture), e.h);
    }
    EXPECT_EQ(game.windowClass.style, 8u);
    EXPECT_STREQ(game.windowClass.className, "Skarvo");
    EXPECT_EQ(shelltest::firstFrameMs, 40);
}

TEST(Frame, BackdropFillsTheBackBufferAsTheImageShowsIt) {
    headlessSetClock(shelltest::FIRST_FRAME_CLOCK + 1000);
    skarvo::runFrame();
    ASSERT_TRUE(headlessSavePng(SKARVO_ARTIFACTS "/shell_headless_frame.png"));

    // The image itself, decoded here on its own.
    png_image image;
    std::memset(&image, 0, sizeof image);
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
    const uint8_t* screen = headlessPixels();
    long compared = 0, close = 0, keyedBlack = 0, keyed = 0;
    double totalError = 0;
    for (int i = 0; i < 640 * 480; ++i) {
        if (covered[i]) continue;
        const uint8_t *s = &source[i * 4], *p = &screen[i * 4];
        // Opaque black was keyed away: the cleared black shows through.
        const bool key = s[0] == 0 && s[1] == 0 && s[2] == 0 && s[3] == 255;
        int worst = 0;
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int(p[c]) - int(key ? 0 : s[c])));
        ++compared;
        totalError += worst;
        close += worst <= 24;
        keyed += key;
        keyedBlack += key && p[0] == 0 && p[1] == 0 && p[2] == 0;
    }
    ASSERT_GT(compared, 640 * 480 * 3 / 4);
    // Scaled to 1024 × 512 and back: sharp edges soften, nothing else changes.
    EXPECT_LT(totalError / compared, 3.0);
    EXPECT_GT(static_cast<double>(close) / compared, 0.97);
    ASSERT_GT(keyed, 1000);
    EXPECT_GT(static_cast<double>(keyedBlack) / keyed, 0.95);
}
