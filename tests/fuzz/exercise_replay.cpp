// exercise_replay.cpp — skarvo-sim's replay script reader.
#include <string>

#include "exercise.h"
#include "replay_script.h"

bool exerciseReplayScript(const uint8_t* data, size_t size) {
    sim::ReplayScript script;
    std::string error;
    if (sim::parseReplay(std::string(reinterpret_cast<const char*>(data), size), &script, &error)) return true;
    return error.compare(0, 5, "line ") == 0;
}
