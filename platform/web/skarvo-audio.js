// skarvo-audio.js — the web build's sound device, an AudioWorklet (see
// platform/web/sound_ring.cpp): 'skarvo-ring' plays the game's 65,536-byte ring (44,100
// Hz, stereo, signed 16-bit) from its play position; 'skarvo-tap' is put between it and
// the speakers by the tests (index.html?tap) to record what was played.
'use strict';

const RING_FRAMES = 16384;
const REPORT_FRAMES = 512;  // about 11.6 ms between reports of the play position

class Ring extends AudioWorkletProcessor {
  constructor(options) {
    super();
    const o = options.processorOptions;
    this.frame = 0;   // the play position, in frames
    this.played = 0;  // frames played since the start
    this.late = 0;    // of which played before they had been written
    this.shared = Boolean(o.memory);
    if (this.shared) {
      // Threads: the ring, its fresh marks and the position live in the program's memory.
      this.samples = new Int16Array(o.memory, o.ring, RING_FRAMES * 2);
      this.fresh = new Uint8Array(o.memory, o.fresh, RING_FRAMES);
      this.playPos = new Uint32Array(o.memory, o.playPos, 1);
      this.playing = new Uint32Array(o.memory, o.playing, 1);
    } else {
      // No threads: a copy of the ring, written by the program's messages.
      this.samples = new Int16Array(RING_FRAMES * 2);
      this.fresh = new Uint8Array(RING_FRAMES);
      this.started = false;
      const bytes = new Uint8Array(this.samples.buffer);
      this.port.onmessage = (e) => {
        const d = e.data;
        if (d.play) {
          this.started = true;
        } else {
          bytes.set(d.data, d.offset);
          this.fresh.fill(1, d.offset >> 2, (d.offset + d.data.length) >> 2);
        }
      };
    }
  }

  process(inputs, outputs) {
    const [left, right] = outputs[0];
    const mark = outputs[1][0];
    if (this.shared ? Atomics.load(this.playing, 0) === 0 : !this.started) return true;
    let f = this.frame;
    for (let i = 0; i < left.length; i++) {
      let fresh;
      if (this.shared) {
        fresh = Atomics.exchange(this.fresh, f, 0);  // before the samples: they are behind it
      } else {
        fresh = this.fresh[f];
        this.fresh[f] = 0;
      }
      left[i] = this.samples[2 * f] / 32768;
      right[i] = this.samples[2 * f + 1] / 32768;
      mark[i] = fresh;
      if (!fresh) this.late++;
      f = (f + 1) % RING_FRAMES;
    }
    this.frame = f;
    this.played += left.length;
    if (this.shared) Atomics.store(this.playPos, 0, f * 4);
    if (this.played % REPORT_FRAMES === 0) {
      this.port.postMessage({playPos: f * 4, played: this.played, late: this.late});
    }
    return true;
  }
}

const TAP_FRAMES = 4096;

// Passes the sound on unchanged and posts it as signed 16-bit frames (the inverse of
// the ring's division, exact for every value), with each frame's fresh mark.
class Tap extends AudioWorkletProcessor {
  constructor() {
    super();
    this.newChunk();
  }

  newChunk() {
    this.pcm = new Int16Array(TAP_FRAMES * 2);
    this.marks = new Uint8Array(TAP_FRAMES);
    this.count = 0;
  }

  process(inputs, outputs) {
    const [left, right] = inputs[0];
    const mark = inputs[1][0];
    const [outLeft, outRight] = outputs[0];
    for (let i = 0; i < outLeft.length; i++) {
      const l = left ? left[i] : 0, r = right ? right[i] : 0;
      outLeft[i] = l;
      outRight[i] = r;
      this.pcm[2 * this.count] = Math.max(-32768, Math.min(32767, Math.round(l * 32768)));
      this.pcm[2 * this.count + 1] = Math.max(-32768, Math.min(32767, Math.round(r * 32768)));
      this.marks[this.count] = mark ? mark[i] : 0;
      if (++this.count === TAP_FRAMES) {
        this.port.postMessage({pcm: this.pcm, marks: this.marks}, [this.pcm.buffer, this.marks.buffer]);
        this.newChunk();
      }
    }
    return true;
  }
}

registerProcessor('skarvo-ring', Ring);
registerProcessor('skarvo-tap', Tap);
