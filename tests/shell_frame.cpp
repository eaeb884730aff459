// The real start-up and frame on the headless backend: textures, and the backdrop
// as it lands on the back buffer.
#include <png.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "assets/embedded.h"
#include "platform/device.h"
#include "shell_support.h"

using namespace platform;
using skarvo::game;

TEST(StartUp, TexturesHaveThePowerOfTwoSizes) {
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
    EXPECT_NE(game.window, nullptr);
    EXPECT_NE(game.device, nullptr);
    EXPECT_NE(skarvo::spriteBatch(), nullptr);
    EXPECT_EQ(game.windowClass.style, 8u);
    EXPECT_STREQ(game.windowClass.className, "Skarvo");
}

TEST(StartUp, FirstFrameMeasuresFromTheLastStartUpStep) { EXPECT_EQ(shelltest::firstFrameMs, 40); }

namespace {

struct Box {
    float x0, y0, x1, y1;
};

// Screen boxes of this frame's sprites, to leave out of the backdrop comparison.
std::vector<Box> spriteBoxes() {
    std::vector<Box> boxes;
    int count = 0;
    const SpriteDrawRecord* d = headlessSpriteDraws(&count);
    for (int i = 0; i < count; ++i) {
        const float w = static_cast<float>(textureWidth(d[i].texture));
        const float h = static_cast<float>(textureHeight(d[i].texture));
        Box b{1e9f, 1e9f, -1e9f, -1e9f};
        for (float cx : {0.0f, w})
            for (float cy : {0.0f, h}) {
                Vec3 p{d[i].position.x + cx - d[i].centre.x, d[i].position.y + cy - d[i].centre.y, 0};
                Vec3 s = transformPoint(p, d[i].transform);
                b.x0 = std::fmin(b.x0, s.x), b.y0 = std::fmin(b.y0, s.y);
                b.x1 = std::fmax(b.x1, s.x), b.y1 = std::fmax(b.y1, s.y);
            }
        boxes.push_back({b.x0 - 2, b.y0 - 2, b.x1 + 2, b.y1 + 2});
    }
    return boxes;
}

}  // namespace

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
    ASSERT_EQ(image.width, 640u);
    ASSERT_EQ(image.height, 480u);
    std::vector<uint8_t> source(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, source.data(), 0, nullptr));

    const uint8_t* screen = headlessPixels();
    const std::vector<Box> boxes = spriteBoxes();
    long compared = 0, close = 0, keyedBlack = 0, keyed = 0;
    double totalError = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            bool covered = false;
            for (const Box& b : boxes) covered |= x >= b.x0 && x <= b.x1 && y >= b.y0 && y <= b.y1;
            if (covered) continue;
            const uint8_t* s = &source[(static_cast<size_t>(y) * 640 + x) * 4];
            const uint8_t* p = &screen[(static_cast<size_t>(y) * 640 + x) * 4];
            // Opaque black was keyed away: the cleared black shows through.
            const bool key = s[0] == 0 && s[1] == 0 && s[2] == 0 && s[3] == 255;
            int worst = 0;
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int(p[c]) - int(key ? 0 : s[c])));
            ++compared;
            totalError += worst;
            close += worst <= 24;
            if (key) {
                ++keyed;
                keyedBlack += p[0] == 0 && p[1] == 0 && p[2] == 0;
            }
        }
    ASSERT_GT(compared, 640 * 480 * 3 / 4);
    // Scaled to 1024 × 512 and back: sharp edges soften, nothing else changes.
    EXPECT_LT(totalError / compared, 3.0);
    EXPECT_GT(static_cast<double>(close) / compared, 0.97);
    ASSERT_GT(keyed, 1000);
    EXPECT_GT(static_cast<double>(keyedBlack) / keyed, 0.95);
}
