// pacing.cpp — the frame schedule of pacing.h.
#include "platform/pacing.h"

namespace platform {

void pacerInit(Pacer* pacer, uint64_t frequency, int hz, uint64_t fastTicks, bool selfPaced) {
    *pacer = Pacer{};
    pacer->frequency = frequency;
    pacer->period = frequency / static_cast<uint64_t>(hz > 0 ? hz : 60);
    pacer->fastTicks = fastTicks;
    pacer->selfPaced = selfPaced;
}

uint64_t pacerAfterPresent(Pacer* pacer, uint64_t now) {
    if (!pacer->selfPaced && pacer->lastPresent != 0) {
        pacer->fastFrames = now - pacer->lastPresent < pacer->fastTicks ? pacer->fastFrames + 1 : 0;
        if (pacer->fastFrames >= PACER_FAST_FRAMES) pacer->selfPaced = true;
    }
    pacer->lastPresent = now;
    if (!pacer->selfPaced) return now;
    if (pacer->next == 0 || now > pacer->next + pacer->period) pacer->next = now;  // first frame or a long stall
    const uint64_t deadline = pacer->next;
    pacer->next += pacer->period;
    return deadline > now ? deadline : now;
}

uint32_t pacerSleepMs(const Pacer& pacer, uint64_t now, uint64_t deadline) {
    if (deadline <= now || pacer.frequency == 0) return 0;
    const uint64_t leftMs = (deadline - now) * 1000 / pacer.frequency;
    return leftMs > 1 ? static_cast<uint32_t>(leftMs - 1) : 0;
}

}  // namespace platform
