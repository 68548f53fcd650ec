#include "keyer/key_sampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/clock.h"
#include "platform/key_input.h"
#include "platform/looping_sound_buffer.h"

namespace dovrik {
namespace {

// The sine arithmetic is single precision throughout, with 2 pi and its
// inverse as these exact floats, so that every sample is reproducible.
constexpr float kTwoPi = 6.2831855f;
constexpr float kOneOverTwoPi = 0.15915494f;
constexpr float kTwoPiOverSampleRate = 0.00028495170f;
constexpr float kFullScale = 32767.0f;

// The one or two pieces of a locked span; the second is non-empty when the
// span runs past the end of the buffer. Byte counts are even.
struct LockedRegions {
  void* first = nullptr;
  uint32_t firstBytes = 0;
  void* second = nullptr;
  uint32_t secondBytes = 0;
};

// The lead that covers a device taking `burst` bytes between two readings:
// after a top-up up to 441 bytes may have drained unrefilled, so the lead
// must hold the burst on top of that, with a quarter to spare. Never below
// the 30 ms lead, never above half the buffer.
int32_t LeadForBurst(int32_t burst) {
  const int32_t wanted = burst + burst / 4 + kSideToneSmallestTopUpBytes - 1;
  const int32_t even = (wanted + 1) & ~1;
  return std::clamp(even, kSideToneLeadBytes, kLargestSideToneLeadBytes);
}

// Notes how far the device moved the write cursor since the last reading
// and lets the lead grow at once to cover it. A move of half the buffer or
// more cannot be told from one that went round, so it is not counted. A
// buffer that holds its cursor at the end of what was written shows a move
// that emptied the queue, not how much the device wanted: such a move counts
// twice, so that the lead catches up with a large burst in a few steps.
void FollowDevice(KeySamplerState& state, uint32_t writeCursor) {
  if (state.cursorSeen != 0) {
    int32_t moved = static_cast<int32_t>((writeCursor + kSideToneBufferBytes - state.lastCursor) %
                                         kSideToneBufferBytes);
    if (moved > 0 && writeCursor == static_cast<uint32_t>(state.writePos)) moved *= 2;
    if (moved < kSideToneBufferBytes / 2) state.burstPeak = std::max(state.burstPeak, moved);
  }
  state.cursorSeen = 1;
  state.lastCursor = writeCursor;
  state.lead = std::max(state.lead, LeadForBurst(state.burstPeak));
}

// After each tick that did work the remembered burst fades, by 1/512 a tick
// (half in about 1.8 s), and the lead shrinks with it.
void FadeBurst(KeySamplerState& state) {
  state.burstPeak -= (state.burstPeak + 511) / 512;
  state.lead = LeadForBurst(state.burstPeak);
}

uint32_t ReadWriteCursor(KeySamplerState& state) {
  uint32_t playCursor = 0;
  uint32_t writeCursor = 0;
  state.buffer->GetCurrentPosition(playCursor, writeCursor);
  FollowDevice(state, writeCursor);
  return writeCursor;
}

bool LockSpan(KeySamplerState& state, int32_t offset, int32_t bytes, LockedRegions& regions) {
  return state.buffer->Lock(static_cast<uint32_t>(offset), static_cast<uint32_t>(bytes),
                            regions.first, regions.firstBytes, regions.second, regions.secondBytes);
}

void UnlockSpan(KeySamplerState& state, const LockedRegions& regions) {
  state.buffer->Unlock(regions.first, regions.firstBytes, regions.second, regions.secondBytes);
}

// Locks the lead where a key change is written, and returns that offset:
// the write cursor as the device would stand at an even pace (the write
// cursor itself on a device that takes small periods one at a time). The
// device may take bytes between that reading and the lock; when it has moved
// past the offset meanwhile the block would start with bytes already handed
// out (a lost attack, or a release that jumps in phase), so the lock is
// taken again further on. The buffer holds its cursor still while locked.
bool LockAtWriteCursor(KeySamplerState& state, uint32_t& writeCursor, LockedRegions& regions) {
  ReadWriteCursor(state);
  writeCursor = state.buffer->PacedWriteCursor();
  if (!LockSpan(state, static_cast<int32_t>(writeCursor), state.lead, regions)) return false;
  const uint32_t cursorNow = ReadWriteCursor(state);
  const uint32_t passed = (cursorNow + kSideToneBufferBytes - writeCursor) % kSideToneBufferBytes;
  if (passed == 0 || passed >= kSideToneBufferBytes / 2) return true;
  UnlockSpan(state, regions);
  writeCursor = state.buffer->PacedWriteCursor();
  return LockSpan(state, static_cast<int32_t>(writeCursor), state.lead, regions);
}

int32_t WrapOffset(int32_t offset) {
  return offset >= kSideToneBufferBytes ? offset - kSideToneBufferBytes : offset;
}

// Bytes already queued beyond the write cursor.
int32_t QueuedAhead(const KeySamplerState& state, uint32_t writeCursor) {
  int32_t ahead = state.writePos - static_cast<int32_t>(writeCursor);
  if (ahead < 0) ahead += kSideToneBufferBytes;
  return ahead;
}

// Calls `fill(sample)` once per whole sample of both regions, in order.
template <typename Fill>
void ForEachSample(const LockedRegions& regions, Fill fill) {
  auto* first = static_cast<int16_t*>(regions.first);
  for (uint32_t i = 0; i < regions.firstBytes / 2; ++i) fill(first[i]);
  auto* second = static_cast<int16_t*>(regions.second);
  for (uint32_t i = 0; i < regions.secondBytes / 2; ++i) fill(second[i]);
}

// The full-scale value of the next tone sample. The sample uses the phase
// before the step; the stepped phase is kept below 2 pi.
float NextToneValue(KeySamplerState& state) {
  const float value = kFullScale * std::sin(state.phase);
  float next = state.phase + state.phaseStep;
  if (next >= kTwoPi) next -= kTwoPi;
  state.phase = next;
  return value;
}

int16_t ToSample(float value) {
  return static_cast<int16_t>(std::floor(value));
}

// Reads the key unless a change was accepted within the last 10 ms. A change
// of level makes the state transient (`Starting` or `Stopping`).
void ReadKey(KeySamplerState& state, uint32_t now) {
  if (state.pollAfter != 0 && ClockDifference(now, state.pollAfter) <= 0) return;
  const int32_t level = state.key->IsDown() ? 1 : 0;
  if (level == (state.toneState & 1)) return;
  state.pollAfter = now + kKeyDebounceMs;
  state.toneState = level == 1 ? Starting : Stopping;
}

// Refills the queue beyond the write cursor to the lead (30 ms, or more on
// a device that takes more at once) when at least 10 ms of it has drained.
// Returns true when it wrote.
bool TopUp(KeySamplerState& state, bool tone) {
  const uint32_t writeCursor = ReadWriteCursor(state);
  const int32_t bytes = state.lead - QueuedAhead(state, writeCursor);
  if (bytes < kSideToneSmallestTopUpBytes) return false;
  LockedRegions regions;
  // A failed lock is never written through; the next tick tries again from
  // the same place.
  if (!LockSpan(state, state.writePos, bytes, regions)) return false;
  state.writePos = WrapOffset(state.writePos + bytes);
  if (tone) {
    ForEachSample(regions, [&](int16_t& sample) { sample = ToSample(NextToneValue(state)); });
  } else {
    if (regions.first != nullptr) std::memset(regions.first, 0, regions.firstBytes & ~1u);
    if (regions.second != nullptr) std::memset(regions.second, 0, regions.secondBytes & ~1u);
  }
  UnlockSpan(state, regions);
  return true;
}

// The key went down: the tone starts at the write cursor, overwriting the
// silence queued beyond it, with the ramp 1/R, 2/R, ... (R - 1)/R.
void Attack(KeySamplerState& state, uint32_t now) {
  state.toneState = Sounding;
  state.phase = 0.0f;
  uint32_t writeCursor = 0;
  LockedRegions regions;
  // When the lock fails the queued silence stays and `writePos` with it; the
  // tone then follows from there at the next top-up, without a ramp.
  if (LockAtWriteCursor(state, writeCursor, regions)) {
    state.writePos = WrapOffset(static_cast<int32_t>(writeCursor) + state.lead);
    const int32_t ramp = state.rampLength;
    int32_t step = 1;
    ForEachSample(regions, [&](int16_t& sample) {
      float value = NextToneValue(state);
      if (step < ramp) {
        value = static_cast<float>(step) * (value / static_cast<float>(ramp));
        ++step;
      }
      sample = ToSample(value);
    });
    UnlockSpan(state, regions);
  }
  state.toneEvents.Append(now, 1);
}

// The key went up: the tone queued beyond the write cursor is rewritten from
// the cursor on, continuing its waveform, with the ramp R/R ... 1/R and then
// silence.
void Release(KeySamplerState& state, uint32_t now) {
  state.toneState = Silent;
  uint32_t writeCursor = 0;
  LockedRegions regions;
  // When the lock fails the queued tone stays, so the phase and `writePos`
  // stay with it; silence follows from there at the next top-up.
  if (LockAtWriteCursor(state, writeCursor, regions)) {
    const int32_t queuedSamples = QueuedAhead(state, writeCursor) / 2;
    float phase = state.phase - static_cast<float>(queuedSamples) * state.phaseStep;
    phase = phase + kTwoPi * std::floor(-phase * kOneOverTwoPi);
    state.phase = phase;
    state.writePos = WrapOffset(static_cast<int32_t>(writeCursor) + state.lead);
    const int32_t ramp = state.rampLength;
    int32_t step = ramp;
    ForEachSample(regions, [&](int16_t& sample) {
      const float value = NextToneValue(state);
      // With no ramp at all the release is silence from its first sample.
      sample =
          ramp > 0 ? ToSample(static_cast<float>(step) * (value / static_cast<float>(ramp))) : 0;
      if (step > 0) --step;
    });
    UnlockSpan(state, regions);
  }
  state.toneEvents.Append(now, 0);
}

// After a long silence following a tone stop, one pause marker. The newest
// entry is then the marker (time 0), so the check stays quiet until the next
// stop; before the first tone of the exercise the ring's slot 0 has time 0.
void CheckPause(KeySamplerState& state, uint32_t now) {
  KeyEventRing& events = state.toneEvents;
  const uint32_t newest = events.times[events.head.load(std::memory_order_relaxed)];
  if (newest != 0 && ClockDifference(now, newest) > state.pauseTimeout) events.Append(0, 0);
}

}  // namespace

float PhaseStepForTone(int toneHz) {
  return static_cast<float>(toneHz) * kTwoPiOverSampleRate;
}

int32_t RampLengthForAttack(int attack) {
  return attack * 2205 / 1000;
}

void KeySampler(KeySamplerState& state) {
  const uint32_t now = state.clock->NowMs();
  if (now == state.lastTick) return;
  state.lastTick = now;

  ReadKey(state, now);
  state.keyLevels.Append(now, state.toneState & 1);

  switch (state.toneState) {
    case Silent:
      if (TopUp(state, false)) CheckPause(state, now);
      break;
    case Sounding:
      TopUp(state, true);
      break;
    case Starting:
      Attack(state, now);
      break;
    case Stopping:
      Release(state, now);
      break;
    default:
      state.toneState = Silent;
      break;
  }
  FadeBurst(state);
}

}  // namespace dovrik
