// stream_thread.h — the streaming thread that keeps the sound ring filled.
//
// initPlayer starts it once the ring sounds; each iteration sleeps STREAM_SLEEP_MS,
// reads the ring's play position, renders exactly the bytes it has passed and writes
// them behind it. shutdownPlayer's stop request ends it. Tests and tools drive single
// iterations, shorten the sleep, or watch each render.
//
//   audio::setStreamSleepMs(0);
//   while (audio::streamIteration()) { ... }
//
// Units: milliseconds for sleeps.
#pragma once

#include <cstdint>

namespace audio {

struct SoundOutput;

// Starts the thread on `out` (its handle in out.threadHandle). When the system cannot
// make a thread, the output is left silent: the ring loops the silence written at start.
void startStreamThread(SoundOutput& out);
// The streaming thread's body: iterations until a stop request.
void streamThread();
// One iteration (sleep, read the play position, render what it has passed, write it
// behind it). Returns false when a stop request ends the thread.
bool streamIteration();
// The sleep at the top of each iteration (STREAM_SLEEP_MS; 0 skips the sleep). For tests.
void setStreamSleepMs(uint32_t ms);
// Called on the streaming thread after each render, with the state it owns and the
// number of frames just rendered into its mixBuffer (for meters). Null (the default)
// calls nothing. Set it before initPlayer.
void setStreamObserver(void (*observer)(const SoundOutput& output, uint32_t frames));

}  // namespace audio
