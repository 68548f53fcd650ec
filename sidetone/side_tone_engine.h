#pragma once

#include <cstdint>
#include <memory>

#include "platform/looping_sound_buffer.h"

namespace dovrik {

// The side-tone's timeline: the one place that decides where the next
// sample goes and what the device is handed. It owns the looping ring the
// key sampler writes and the device plays, and it follows the device from
// the requests it sees:
//
// * Cursors. The write cursor is the first byte not yet handed to the
//   device. The device is never handed a byte that was not written for this
//   lap: past the end of the newest write it gets silence, an underrun is
//   counted and the write cursor waits at that end. A new ring holds one
//   lap of written silence.
// * Pace. The device's stream (every byte it took, silence included) is
//   compared with the clock from its first request on. The most the stream
//   was seen ahead of the clock, fading by a byte a request so that a device
//   clock a little slower than ours is followed, says where the device
//   stands at an even pace. On a device that takes one period at a time a
//   key change goes to the write cursor itself; on one that takes several
//   periods at once it goes that far into the next chunk, so every change
//   sounds at the same latency.
// * Stalls. A sound server may take nothing for a while (a sink that has
//   rendered seconds ahead takes nothing from a new stream until that has
//   played). While the device is behind its even pace by more than two
//   chunks and 100 ms, the writer is given the place the device would have
//   reached, so key changes keep their times and what is keyed meanwhile is
//   queued in order; and the device skips queued silence (never a tone) to
//   catch up, so the tones keep their lengths and the delay is taken out of
//   the silence before the first tone and out of pauses, past their first
//   half second: the gaps of what is keyed stay as keyed. The queue never
//   grows past what the ring can hold (about 0.9 s).
// * Lead. The writer keeps the lead queued beyond the write cursor: 1324
//   bytes (30 ms), or enough to cover the largest recent chunk with a
//   quarter to spare plus a top-up's worth, fading by half in 1.8 s.
//
// No clock is read here: every call that needs the time is given it, in
// steady-clock nanoseconds. No lock either: the owner serialises every call
// (the SDL buffer holds SDL's audio lock around each). Lock and its Unlock
// must come with no Render between them.
class SideToneEngine {
 public:
  // A ring of `bytes` bytes (whole samples), silent.
  explicit SideToneEngine(uint32_t bytes);

  uint32_t Size() const { return size_; }

  // The writer's side (the key sampler, or the exercise while it sets up).
  uint32_t PlayCursor() const { return playCursor_; }
  // The write cursor, or while the device is behind its pace, where it would
  // stand: the place the sampler tops up from.
  uint32_t WriteCursor(int64_t nowNs);
  // Where a key change is written: the write cursor on a device that takes
  // one period at a time; on one that takes several at once, where an even
  // pace has reached, at most two chunks on; the catch-up place while the
  // device is behind.
  uint32_t KeyChangeCursor(int64_t nowNs);
  int32_t Lead(int64_t nowNs) const;
  // Empty when a lock is already held, `bytes` is 0 or more than the ring,
  // or `offset` lies outside it.
  LockedRegions Lock(uint32_t offset, uint32_t bytes);
  void Unlock(const LockedRegions& regions);
  void Play();
  void Stop();
  bool Playing() const { return playing_; }
  uint32_t Underruns() const { return underruns_; }

  // The device's side: fills `out` with the next `bytes` bytes, or with
  // silence while stopped.
  void Render(uint8_t* out, uint32_t bytes, int64_t nowNs);

  // For tests and benchmarks: bytes handed to the device since the ring was
  // made, and the bytes of silence skipped to catch up.
  uint64_t Handed() const { return handed_; }
  uint64_t Skipped() const { return skipped_; }

 private:
  // Bytes the device is behind its even pace now (0 when on pace or before
  // its first request).
  int64_t Behind(int64_t nowNs) const;
  bool Stalled(int64_t behind) const;
  // Whether the device is behind its pace, after skipping what silence it may.
  bool CatchingUp(int64_t nowNs);
  // One small period a request, each when the one before has played.
  bool Clockwork(int64_t nowNs) const;
  // Skips queued silence at the write cursor, at most `behind` bytes, up to
  // the first sound or the end of what was written.
  void SkipSilence(int64_t behind);
  // Where the writer is sent while the device is behind: the even-pace
  // place, within what was written and what the ring can hold.
  uint64_t CatchUpPosition(int64_t behind, int64_t nowNs) const;
  double FadedBurst(int64_t nowNs) const;
  // Follows how long the device has heard silence, from what it was handed.
  void NoteSilence(const uint8_t* handed, uint32_t bytes);
  // Zeroes the ring for the stream positions [from, to), at most one lap.
  void Silence(uint64_t from, uint64_t to);
  uint32_t OffsetOf(uint64_t position) const { return static_cast<uint32_t>(position % size_); }

  const uint32_t size_;
  const std::unique_ptr<uint8_t[]> ring_;
  // Positions in bytes from the ring's creation, never wrapping: the write
  // cursor (handed plus skipped), and the end of the newest write.
  uint64_t cursor_ = 0;
  uint64_t writtenEnd_;
  uint64_t handed_ = 0;
  uint64_t skipped_ = 0;
  uint32_t playCursor_ = 0;
  bool playing_ = false;
  bool locked_ = false;
  bool starved_ = false;  // the device met the written end and nothing was written since
  uint32_t underruns_ = 0;
  uint64_t silentRun_ = 0;  // bytes of silence the device heard since the last sound

  // The device's pace since Play: its stream position (taken, silence and
  // skipped bytes), the time of its first and latest request, the most the
  // stream was seen ahead of the clock, the bytes of its latest chunk
  // (requests within a millisecond of one another) and its period (the
  // smallest request seen).
  uint64_t streamBytes_ = 0;
  int64_t firstRequestAt_ = 0;
  int64_t lastRequestAt_ = 0;
  double paceLead_ = 0;
  uint32_t chunkBytes_ = 0;
  uint32_t periodBytes_ = 0;
  uint32_t lastRequestBytes_ = 0;
  int64_t irregularUntil_ = 0;  // requests came off their time lately
  double burstPeak_ = 0;  // the largest recent chunk, as of burstAt_
  int64_t burstAt_ = 0;
};

}  // namespace dovrik
