// replay_script.cpp — the line reader of skarvo-sim's replay scripts.
#include "tools/sim/replay_script.h"

#include <sstream>

namespace sim {
namespace {

bool parseClock(const std::string& token, uint32_t* out) {
    if (token.empty() || token.size() > 10) return false;
    uint64_t value = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > UINT32_MAX) return false;
    *out = static_cast<uint32_t>(value);
    return true;
}

bool parseKey(const std::string& token, platform::Key* key) {
    using platform::Key;
    static const struct {
        const char* name;
        Key key;
    } keys[] = {{"LEFT", Key::LEFT}, {"RIGHT", Key::RIGHT}, {"UP", Key::UP},
                {"DOWN", Key::DOWN}, {"SPACE", Key::SPACE}, {"ESCAPE", Key::ESCAPE}};
    for (auto& k : keys)
        if (token == k.name) {
            *key = k.key;
            return true;
        }
    return false;
}

// One frame line's tokens into a frame; false if they do not form one.
bool parseFrame(const std::vector<std::string>& tokens, ReplayFrame* frame) {
    *frame = ReplayFrame{};
    if (!parseClock(tokens[0], &frame->nowMs)) return false;
    if (tokens.size() == 1) return true;
    frame->hasEvent = true;
    if (tokens.size() == 2 && tokens[1] == "close") {
        frame->event.type = platform::EventType::CLOSE;
        return true;
    }
    if (tokens.size() != 3 || !parseKey(tokens[2], &frame->event.key)) return false;
    if (tokens[1] == "down")
        frame->event.type = platform::EventType::KEY_DOWN;
    else if (tokens[1] == "up")
        frame->event.type = platform::EventType::KEY_UP;
    else
        return false;
    return true;
}

// The line in quotes, cut short so that a huge line is not echoed whole.
std::string quoted(const std::string& line) {
    constexpr size_t SHOWN = 40;
    return "\"" + (line.size() > SHOWN ? line.substr(0, SHOWN) + "\u2026" : line) + "\"";
}

}  // namespace

bool parseReplay(const std::string& text, ReplayScript* script, std::string* error) {
    *script = ReplayScript{};
    std::istringstream in(text);
    std::string line;
    int number = 0;
    bool first = true;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > MAX_LINE_CHARS) {
            *error = "line " + std::to_string(number) + ": longer than " + std::to_string(MAX_LINE_CHARS) +
                     " characters: " + quoted(line);
            return false;
        }
        std::istringstream words(line);
        std::vector<std::string> tokens;
        for (std::string w; words >> w;) tokens.push_back(w);
        if (tokens.empty() || tokens[0][0] == '#') continue;
        bool ok;
        if (tokens[0] == "start") {
            ok = first && tokens.size() == 2 && parseClock(tokens[1], &script->startMs);
        } else {
            ReplayFrame frame;
            ok = parseFrame(tokens, &frame);
            if (ok) script->frames.push_back(frame);
        }
        if (!ok) {
            *error = "line " + std::to_string(number) + ": malformed: " + quoted(line);
            return false;
        }
        first = false;
    }
    return true;
}

}  // namespace sim
