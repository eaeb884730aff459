// exercise.cpp — validate, load a copy, start at order 0 and render in game-sized requests.
#include "exercise.h"

#include <memory>

#include "mixer.h"
#include "player.h"
#include "validate.h"

namespace {

mxm::PlayerState g_state;
int32_t g_mix[2 * 1102];
uint8_t g_pcm[4 * 1102];

}  // namespace

bool exerciseModule(const uint8_t* data, size_t size, uint32_t frames) {
    if (!mxm::validateModule(data, size, nullptr)) return false;
    std::unique_ptr<uint8_t[]> image(new uint8_t[size]);
    for (size_t k = 0; k < size; ++k) image[k] = data[k];
    mxm::loadModule(&g_state, image.get());
    g_state.tickCountdown = 0;
    mxm::startSong(0);
    for (uint32_t done = 0; done < frames;) {
        uint32_t n = frames - done < 1102 ? frames - done : 1102;
        audio::renderFrames(n, g_mix);
        audio::convertToPcm16(g_mix, g_pcm, 4 * n);
        done += n;
    }
    mxm::stopSong();
    return true;
}
