// pcm_match.cpp — placing a recording's stretches in the render (see pcm_match.h).
#include "pcm_match.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <utility>

namespace pcmmatch {

namespace {

uint64_t keyOf(const Frame* f) {
    uint64_t h = 1469598103934665603ull;
    for (uint32_t i = 0; i < KEY_FRAMES; ++i) {
        h ^= f[i];
        h *= 1099511628211ull;
    }
    return h;
}

bool allSilent(const Frame* f, uint64_t n) {
    return std::all_of(f, f + n, [](Frame x) { return x == 0; });
}

// (key, render offset) of every window of KEY_FRAMES render frames that is not silence
// (silence could be placed anywhere), sorted so equal keys lie together by offset.
using Index = std::vector<std::pair<uint64_t, uint64_t>>;

Index indexRender(const std::vector<Frame>& render) {
    Index index;
    if (render.size() < KEY_FRAMES) return index;
    index.reserve(render.size());
    for (uint64_t at = 0; at + KEY_FRAMES <= render.size(); ++at) {
        if (!allSilent(&render[at], KEY_FRAMES)) index.emplace_back(keyOf(&render[at]), at);
    }
    std::sort(index.begin(), index.end());
    return index;
}

// Whether `n` recorded frames from `at` equal the render from `offset`.
bool equalAt(const std::vector<Frame>& render, uint64_t offset, const std::vector<Frame>& recording, uint64_t at,
             uint64_t n) {
    return offset + n <= render.size() && std::equal(&recording[at], &recording[at] + n, &render[offset]);
}

constexpr uint64_t NONE = UINT64_MAX;

// Where in the render the recording from `at` continues: first right after the previous
// stretch (frames lost, or silence put in), then the index's first place at or after
// the previous stretch's end, then its first place anywhere. NONE when nowhere.
uint64_t place(const std::vector<Frame>& render, const Index& index, const std::vector<Frame>& recording, uint64_t at,
               const Stretch* previous) {
    uint64_t want = std::min<uint64_t>(KEY_FRAMES, recording.size() - at);
    uint64_t after = 0;
    if (previous != nullptr) {
        after = previous->renderStart + previous->frames;
        uint64_t skipped = at - (previous->recordStart + previous->frames);
        for (uint64_t c : {after, after + skipped}) {
            if (equalAt(render, c, recording, at, want)) return c;
        }
    }
    if (want < KEY_FRAMES) return NONE;
    uint64_t key = keyOf(&recording[at]);
    auto first = std::lower_bound(index.begin(), index.end(), std::make_pair(key, uint64_t{0}));
    uint64_t anywhere = NONE;
    for (auto it = first; it != index.end() && it->first == key; ++it) {
        if (!equalAt(render, it->second, recording, at, KEY_FRAMES)) continue;  // a hash collision
        if (it->second >= after) return it->second;
        if (anywhere == NONE) anywhere = it->second;
    }
    return anywhere;
}

double seconds(uint64_t frames, uint32_t rateHz) { return static_cast<double>(frames) / rateHz; }

}  // namespace

std::vector<Frame> framesFromBytes(const std::vector<uint8_t>& bytes) {
    std::vector<Frame> frames(bytes.size() / 4);
    for (size_t i = 0; i < frames.size(); ++i) {
        const uint8_t* b = &bytes[4 * i];
        frames[i] = b[0] | b[1] << 8 | b[2] << 16 | static_cast<Frame>(b[3]) << 24;
    }
    return frames;
}

Result match(const std::vector<Frame>& render, const std::vector<Frame>& recording) {
    Result r;
    r.recordedFrames = recording.size();
    Index index = indexRender(render);
    uint64_t at = 0;
    while (at < recording.size()) {
        if (recording[at] == 0) {
            ++r.silentFrames;
            ++at;
            continue;
        }
        const Stretch* previous = r.stretches.empty() ? nullptr : &r.stretches.back();
        uint64_t offset = place(render, index, recording, at, previous);
        if (offset == NONE) {
            ++r.unmatchedFrames;
            ++at;
            continue;
        }
        uint64_t n = 0;
        while (at + n < recording.size() && offset + n < render.size() && recording[at + n] == render[offset + n]) ++n;
        r.stretches.push_back({at, offset, n});
        r.matchedFrames += n;
        at += n;
    }

    // The longest run of consecutive stretches that go forward through the song.
    for (size_t first = 0; first < r.stretches.size();) {
        size_t end = first + 1;
        uint64_t matched = r.stretches[first].frames;
        while (end < r.stretches.size() &&
               r.stretches[end].renderStart >= r.stretches[end - 1].renderStart + r.stretches[end - 1].frames) {
            matched += r.stretches[end].frames;
            ++end;
        }
        if (matched > r.chainMatchedFrames) {
            r.chainFirst = first;
            r.chainEnd = end;
            r.chainMatchedFrames = matched;
            const Stretch& last = r.stretches[end - 1];
            r.chainSpanFrames = last.renderStart + last.frames - r.stretches[first].renderStart;
        }
        first = end;
    }
    return r;
}

bool passes(const Result& r, double minSeconds, uint64_t maxUnmatched, uint32_t rateHz) {
    return r.unmatchedFrames <= maxUnmatched && r.chainMatchedFrames >= minSeconds * rateHz;
}

std::string report(const Result& r, uint32_t rateHz) {
    std::string out;
    char line[256];
    auto add = [&](const char* format, auto... values) {
        std::snprintf(line, sizeof line, format, values...);
        out += line;
    };
    uint64_t sounding = r.recordedFrames - r.silentFrames;
    add("recorded: %" PRIu64 " frames (%.3f s), %" PRIu64 " silent outside stretches\n", r.recordedFrames,
        seconds(r.recordedFrames, rateHz), r.silentFrames);
    add("matched: %" PRIu64 " frames (%.3f s) in %zu stretches, %.2f%% of the sounding frames\n", r.matchedFrames,
        seconds(r.matchedFrames, rateHz), r.stretches.size(), sounding ? 100.0 * r.matchedFrames / sounding : 0.0);
    add("unmatched: %" PRIu64 " sounding frames found nowhere in the render\n", r.unmatchedFrames);
    add("in order: %" PRIu64
        " frames (%.3f s) of a %.3f s span of the song in stretches %zu..%zu, %.2f%% of it"
        " arrived\n",
        r.chainMatchedFrames, seconds(r.chainMatchedFrames, rateHz), seconds(r.chainSpanFrames, rateHz), r.chainFirst,
        r.chainEnd ? r.chainEnd - 1 : 0, r.chainSpanFrames ? 100.0 * r.chainMatchedFrames / r.chainSpanFrames : 0.0);
    out += "stretch  recorded_at  render_at  frames  gap_recorded  song_skipped\n";
    for (size_t i = 0; i < r.stretches.size(); ++i) {
        const Stretch& s = r.stretches[i];
        int64_t gap = 0, skipped = 0;
        if (i > 0) {
            const Stretch& p = r.stretches[i - 1];
            gap = static_cast<int64_t>(s.recordStart - (p.recordStart + p.frames));
            skipped = static_cast<int64_t>(s.renderStart) - static_cast<int64_t>(p.renderStart + p.frames);
        }
        add("%7zu  %11" PRIu64 "  %9" PRIu64 "  %6" PRIu64 "  %12" PRId64 "  %12" PRId64 "\n", i, s.recordStart,
            s.renderStart, s.frames, gap, skipped);
    }
    return out;
}

}  // namespace pcmmatch
