// trace.cpp — `mxm trace FILE --ticks T`: the sequencer's state after each tick,
// without mixing, one JSON object per line (for diffing runs and for tests).
#include <cstdio>
#include <cstring>
#include <string>

#include "player/player.h"
#include "tools/mxm/commands.h"

namespace mxmtool {

namespace {

const char* const USAGE =
    "usage: mxm trace FILE --ticks T\n"
    "\n"
    "Starts the song at order position 0 and runs T ticks of the sequencer without\n"
    "mixing. After each tick prints one JSON object on its own line, keys in this order:\n"
    "  n (ticks run before this one: 0 for the first), orderPos, row, tick, speed, tempo,\n"
    "  globalVolume, channels: one object per channel of the module with active, period,\n"
    "  tickPeriod, step, mixVolume, mixPan, volume, panning, fadeVolume, keyHeld,\n"
    "  restartPos, volEnvPoint, volEnvTick.\n"
    "FILE may be --embedded for the game's own module.\n";

mxm::PlayerState g_state;

void printChannel(const mxm::ChannelRecord& c, bool first) {
    std::printf(
        "%s{\"active\":%u,\"period\":%d,\"tickPeriod\":%d,\"step\":%u,\"mixVolume\":%u,\"mixPan\":%u,"
        "\"volume\":%u,\"panning\":%u,\"fadeVolume\":%u,\"keyHeld\":%u,\"restartPos\":%d,"
        "\"volEnvPoint\":%u,\"volEnvTick\":%u}",
        first ? "" : ",", c.active, c.period, c.tickPeriod, c.step, c.mixVolume, c.mixPan, c.volume, c.panning,
        c.fadeVolume, c.keyHeld, c.restartPos, c.volEnvPoint, c.volEnvTick);
}

}  // namespace

int runTrace(int argc, char** argv) {
    const char* file = nullptr;
    uint64_t ticks = 0;
    bool haveTicks = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(USAGE, stdout);
            return EXIT_OK;
        } else if (a == "--ticks") {
            if (!parseUnsigned(i + 1 < argc ? argv[++i] : nullptr, 0, 0xFFFFFFFFull, ticks))
                return usageError("trace", "--ticks needs a whole number of ticks");
            haveTicks = true;
        } else if (int status = takeModuleArg("trace", argv[i], file)) {
            return status;
        }
    }
    if (file == nullptr) return usageError("trace", "no module given");
    if (!haveTicks) return usageError("trace", "--ticks is required");

    ModuleImage image;
    if (int status = readModule(file, image)) return status;
    mxm::loadModule(&g_state, image.bytes.data());
    mxm::startSong(g_state, 0);
    uint32_t channels = g_state.header.channelCount;
    for (uint64_t n = 0; n < ticks; ++n) {
        mxm::playerTick(g_state);
        const mxm::PlayerState& s = g_state;
        std::printf(
            "{\"n\":%llu,\"orderPos\":%u,\"row\":%u,\"tick\":%u,\"speed\":%u,\"tempo\":%u,\"globalVolume\":%u,"
            "\"channels\":[",
            static_cast<unsigned long long>(n), s.orderPos, s.row, s.tick, s.speed, s.tempo, s.globalVolume);
        for (uint32_t c = 0; c < channels; ++c) printChannel(s.channels[c], c == 0);
        std::printf("]}\n");
    }
    if (std::fflush(stdout) != 0) {
        std::perror("mxm: standard output");
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

}  // namespace mxmtool
