#include "tools/sim/frame_json.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "gameplay/entity.h"
#include "gameplay/game_state.h"
#include "platform/headless/headless.h"

namespace sim {
namespace {

using skarvo::game;

// JSON has no infinities or NaN; an entity flying on for ever could in principle get there.
void putFloat(std::FILE* out, float v) {
    if (std::isfinite(v))
        std::fprintf(out, "%.9g", static_cast<double>(v));
    else
        std::fputs("null", out);
}

// Numbers separated by ", ".
void putFloats(std::FILE* out, std::initializer_list<float> values) {
    const char* separator = "";
    for (float v : values) {
        std::fputs(separator, out);
        putFloat(out, v);
        separator = ", ";
    }
}

void putTexture(std::FILE* out, const void* texture) {
    const char* name = textureName(texture);
    if (name)
        std::fprintf(out, "\"%s\"", name);
    else
        std::fputs("null", out);
}

void putVec(std::FILE* out, const math::Vec3& v) {
    std::fputc('[', out);
    putFloats(out, {v.x, v.y, v.z});
    std::fputc(']', out);
}

}  // namespace

const char* textureName(const void* texture) {
    if (texture == nullptr) return nullptr;
    for (const assets::CatalogueImage& image : assets::IMAGES)
        if (image.texture != assets::NO_TEXTURE && game.textures[image.texture] == texture) return image.textureName;
    return "unknown";
}

namespace {

void putPlayer(std::FILE* out, const skarvo::PlayerRecord* p) {
    if (!p) {
        std::fputs("null", out);
        return;
    }
    std::fputs("{\"posX\": ", out);
    putFloat(out, p->posX);
    std::fputs(", \"posY\": ", out);
    putFloat(out, p->posY);
    std::fputs(", \"posZ\": ", out);
    putFloat(out, p->posZ);
    std::fprintf(out, ", \"health\": %d, \"hitStamp\": %d, \"restartTimer\": %d, \"texture\": ", p->health, p->hitStamp,
                 p->restartTimer);
    putTexture(out, p->texture);
    std::fputs(", \"altTexture\": ", out);
    putTexture(out, p->altTexture);
    std::fputc('}', out);
}

// The sprite draws of the frame's batch, in call order.
void putDraws(std::FILE* out) {
    int count = 0;
    const platform::SpriteDrawRecord* draws = platform::headlessSpriteDraws(&count);
    for (int i = 0; i < count; ++i) {
        const platform::SpriteDrawRecord& d = draws[i];
        std::fputs(i ? ", {\"tex\": " : "{\"tex\": ", out);
        putTexture(out, d.texture);
        std::fputs(", \"pos\": ", out);
        putVec(out, d.position);
        std::fputs(", \"centre\": ", out);
        putVec(out, d.centre);
        std::fprintf(out, ", \"colour\": \"0x%08X\", \"transform\": [", d.colour);
        for (int k = 0; k < 16; ++k) {
            if (k) std::fputs(", ", out);
            putFloat(out, d.transform.m[k / 4][k % 4]);
        }
        std::fputs("]}", out);
    }
}

}  // namespace

void printFrameJson(std::FILE* out, int frame) {
    std::fprintf(out,
                 "{\"frame\": %d, \"clockMs\": %d, \"frameMs\": %d, \"dirX\": %d, \"dirY\": %d, \"fireHeld\": %d, "
                 "\"shotCounter\": %d, \"progress\": %d, \"player\": ",
                 frame, game.clockMs, game.frameMs, game.dirX, game.dirY, game.fireHeld, game.shotCounter,
                 game.progress);
    putPlayer(out, game.playerRecord);

    std::fputs(", \"targets\": [", out);
    for (int i = 0; i < skarvo::POOL_SIZE; ++i) {
        const skarvo::EntityRecord& t = skarvo::targets[i];
        std::fputs(i ? ", [" : "[", out);
        putFloats(out, {t.posX, t.posY});
        std::fprintf(out, ", %d, %d]", t.health, t.hitStamp);
    }

    std::fputs("], \"shots\": [", out);
    for (int i = 0; i < skarvo::POOL_SIZE; ++i) {
        const skarvo::EntityRecord& s = skarvo::shots[i];
        std::fputs(i ? ", [" : "[", out);
        putFloats(out, {s.posX, s.posY, s.velX, s.velY});
        std::fprintf(out, ", %d, %d, ", s.health, s.hitStamp);
        putTexture(out, s.texture);
        std::fputc(']', out);
    }

    std::fputs("], \"draws\": [", out);
    putDraws(out);
    std::fputs("]}\n", out);
}

}  // namespace sim
