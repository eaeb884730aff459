// player_state.h — the module player's one state record.
//
// PlayerState holds everything the player knows while it plays: the song globals,
// a copy of the module header with its offset tables resolved to addresses, 32
// ChannelRecords, the four waveform tables and the render driver's fields.
// The sequencer (sequencer.cpp, pitch.cpp, effects.cpp, instruments.cpp) and the mixer
// (audio/mixer.cpp) work on the state they are given; audio::SoundOutput holds the
// game's.
//
// Units: periods in 1/256 semitone (linear model) or Amiga-style periods;
// step in 1/1024 source point per output frame; volumes 0..64 (mixVolume 0..128);
// panning 0 (left) .. 255 (right); tickCountdown in 1/256 output frame;
// play position posInt.posFrac in 32.32 fixed point.
//
// Field order and widths are fixed: u8 fields wrap at 256 on purpose.
#pragma once

#include <atomic>
#include <cstdint>

#include "player/module_layout.h"

namespace mxm {

constexpr uint32_t NO_JUMP = 0xFFFFFFFFu;
constexpr uint8_t NO_EFFECT = 0xFF;

// The module header as the player keeps it: the packed header's fields, with the
// three offset tables turned into addresses inside the module image.
struct ModuleHeader {
    uint8_t magic[4];
    uint32_t songLength;
    uint32_t restartOrder;
    uint32_t channelCount;
    uint32_t patternCount;
    uint32_t instrumentCount;
    uint8_t initialSpeed;
    uint8_t initialTempo;
    uint16_t flags;
    uint32_t sampleDataOffset;
    uint32_t sampleBytes8;
    uint32_t sampleWords16;
    int32_t minPeriod;
    int32_t maxPeriod;
    uint8_t channelPanning[MAX_CHANNELS];
    uint8_t orders[MAX_ORDERS];
    const uint8_t* instrumentOffsets[MAX_INSTRUMENTS];  // instrument n+1's record
    const uint8_t* patternOffsets[MAX_PATTERNS];
    const uint8_t* sampleOffsets[MAX_SAMPLES];  // first point of sample n
};

struct ChannelRecord {
    uint8_t active;
    const uint8_t* sampleData;  // first point: s8, or s16 little-endian
    int32_t endBound;
    int32_t otherBound;
    uint8_t voiceFlags;
    int32_t restartPos;  // -1 = no request
    uint16_t step;
    uint16_t mixVolume;
    uint8_t mixPan;
    int32_t posInt;
    uint32_t posFrac;
    uint8_t volume;
    uint8_t tickVolume;
    uint8_t panning;
    uint8_t tickPanning;
    int32_t period;
    int32_t tickPeriod;
    uint8_t instrumentNumber;
    const uint8_t* instrument;  // InstrumentRecord in the module image; null = none
    int16_t relativePitch;
    uint8_t keyHeld;
    uint16_t fadeVolume;
    uint8_t autoVibPos;
    uint8_t autoVibSweepCount;
    uint32_t volEnvPoint;
    uint16_t volEnvTick;
    uint32_t panEnvPoint;
    uint16_t panEnvTick;
    uint8_t sampleVolume;
    uint8_t samplePanning;
    uint8_t effect;
    uint8_t volumeCommand;
    int32_t portaTarget;
    int32_t portaSpeed;
    uint8_t volSlideMem;
    uint8_t globalSlideMem;
    uint8_t volColumnParam;
    uint8_t panSlideMem;
    uint8_t fineVolUpMem;
    uint8_t fineVolDownMem;
    int32_t portaUpSpeed;
    int32_t portaDownSpeed;
    uint8_t finePortaUpMem;
    uint8_t finePortaDownMem;
    uint8_t extraFineUpMem;
    uint8_t extraFineDownMem;
    uint8_t vibratoSpeed;
    uint8_t vibratoPos;
    uint8_t vibratoWave;
    uint8_t vibratoDepth;
    uint8_t tremoloSpeed;
    uint8_t tremoloPos;
    uint8_t tremoloWave;
    uint8_t tremoloDepth;
    uint8_t loopCount;
    uint8_t loopRow;
    uint8_t arpeggioStep;
    uint8_t arpeggioOffsets[3];
    uint8_t effectTick;
    uint8_t retrigCount;
    uint8_t retrigInterval;
    uint8_t retrigVolumeOp;
    uint8_t lastNote;
    uint8_t sampleOffsetMem;
    uint8_t glissando;
    uint8_t tremorCount;
    uint8_t tremorCycle;
    uint8_t tremorOn;
};

struct PlayerState {
    uint8_t globalVolume;
    uint8_t masterVolume;
    uint8_t syncValue;
    uint8_t tick;
    uint8_t speed;
    uint8_t rowTick;
    uint32_t row;
    const uint8_t* patternCursor;
    uint32_t patternRows;
    uint32_t orderPos;
    uint32_t nextOrderPos;
    uint32_t nextRow;
    uint8_t patternDelay;
    uint32_t tempo;
    ModuleHeader header;
    ChannelRecord channels[MAX_CHANNELS];
    int8_t waveforms[4][256];

    // Render driver (audio/mixer.cpp); these stay last: loadModule clears everything
    // before them, and the countdown carries on across a reload.
    uint32_t tickCountdown;  // 1/256 output frame until the next tick
    // Publication point between the game thread and the streaming thread:
    // startSong stores it (release) after every other write; renderFrames loads
    // it (acquire) before it touches any song state.
    std::atomic<uint8_t> playing;
};

static_assert(std::atomic<uint8_t>::is_always_lock_free);

}  // namespace mxm
