// The title picture: banded sunset sky, a striped setting sun on the horizon and a
// cowboy's silhouette in very dark brown (never black) in front of it.
#include <utility>

#include "assets/images/draw.h"
#include "assets/images/generated.h"
#include "assets/images/pixelart.h"

namespace imagegen {

Picture makeTitle(const std::string& sourceDir) {
    // Sky bands from the top: dusk purple down to the glow at the horizon.
    const std::vector<Colour> bands = {{58, 28, 84, 255},  {92, 34, 96, 255},  {140, 44, 96, 255},
                                       {190, 62, 78, 255}, {228, 96, 64, 255}, {246, 140, 60, 255}};
    const Colour sun = {255, 214, 92, 255};
    const Colour ground = {74, 34, 36, 255};
    const Colour groundLine = {110, 50, 44, 255};
    Picture p = makePicture(200, 200, bands);
    constexpr int HORIZON = 150;
    for (int i = 0; i < 6; ++i) fillRect(p, 0, i * HORIZON / 6, 200, (i + 1) * HORIZON / 6, static_cast<uint8_t>(i));

    // The sun, cut by widening gaps in its lower half.
    uint8_t sunIndex = paletteIndex(p, sun);
    fillEllipse(p, 100.0f, 118.0f, 62.0f, 62.0f, sunIndex);
    for (int k = 0, y = 112; y < HORIZON; ++k, y += 8 + k)
        for (int row = y; row < y + 1 + k / 2 && row < HORIZON; ++row)
            for (int x = 0; x < 200; ++x)
                if (p.at(x, row) == sunIndex) p.at(x, row) = 5;

    fillRect(p, 0, HORIZON, 200, 200, paletteIndex(p, ground));
    fillRect(p, 0, HORIZON, 200, HORIZON + 2, paletteIndex(p, groundLine));

    // A saguaro and two far birds, in the same dark brown as the cowboy.
    uint8_t dark = paletteIndex(p, {42, 18, 14, 255});
    fillRect(p, 164, 96, 172, HORIZON + 4, dark);
    fillEllipse(p, 168.0f, 96.0f, 4.0f, 4.0f, dark);
    fillRect(p, 154, 116, 164, 122, dark);
    fillRect(p, 154, 100, 159, 122, dark);
    fillEllipse(p, 156.5f, 100.0f, 2.5f, 2.5f, dark);
    fillRect(p, 172, 110, 181, 116, dark);
    fillRect(p, 177, 92, 182, 116, dark);
    fillEllipse(p, 179.5f, 92.0f, 2.5f, 2.5f, dark);
    for (const auto& [bx, by] : {std::pair{38, 40}, std::pair{56, 30}}) {
        for (int i = 0; i < 4; ++i) {
            p.at(bx - 4 + i, by - i / 2) = dark;
            p.at(bx + 4 - i, by - i / 2) = dark;
        }
        p.at(bx, by) = dark;
    }

    Picture cowboy = loadPixelArt(sourceDir + "/title_cowboy.txt");
    blit(p, cowboy, 100 - cowboy.width, 196 - cowboy.height * 2, 2);
    return p;
}

}  // namespace imagegen
