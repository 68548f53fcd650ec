#pragma once

#include <SDL.h>

#include <memory>

namespace dovrik {

// A silent stream kept open on a PulseAudio server (or PipeWire's PulseAudio
// service) for the program's life, so that the side-tone is heard from the
// first key press.
//
// A PulseAudio sink with no stream renders ahead in blocks of about two
// seconds, timed from when its last stream left. A stream that connects in
// such a block is given its first fill and then nothing until the block
// ends: a side-tone opened within a few seconds of another program's (or
// an earlier Dovrik's) stream leaving would be silent for up to two seconds.
// With a stream of ours connected, the sink never falls back to those
// blocks: a new low-latency stream is taken from its first request on.
//
// The stream asks for a latency of 200 ms and 2048-frame periods, so it
// costs next to nothing (SDL's audio thread wakes ten times a second), and
// it never plays a sound: SDL hands the server silence.
class SoundServerWake {
 public:
  // Opens the stream when SDL plays through its pulseaudio driver; null
  // otherwise, or when the stream cannot be opened (nothing else changes
  // then). Call it early, before other threads start: it sets
  // PULSE_LATENCY_MSEC for a moment and puts back what was there.
  static std::unique_ptr<SoundServerWake> Open();
  ~SoundServerWake();
  SoundServerWake(const SoundServerWake&) = delete;
  SoundServerWake& operator=(const SoundServerWake&) = delete;

 private:
  explicit SoundServerWake(SDL_AudioDeviceID device) : device_(device) {}
  const SDL_AudioDeviceID device_;
};

}  // namespace dovrik
