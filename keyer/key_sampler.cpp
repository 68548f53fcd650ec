#include "keyer/key_sampler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "platform/audio_format.h"
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

uint32_t ReadWriteCursor(KeySamplerState& state) {
  uint32_t playCursor = 0;
  uint32_t writeCursor = 0;
  state.buffer->GetCurrentPosition(playCursor, writeCursor);
  return writeCursor;
}

// Locks `bytes` at `cursor()` (the write cursor, or where a key change is
// written) and returns that offset. The device may
// take bytes between the cursor reading and the lock; when it has moved past
// the offset meanwhile the block would start with bytes already handed out
// (a lost attack, or a release that jumps in phase), so the lock is taken
// again further on. The buffer holds its cursor still while locked.
template <typename Cursor>
LockedRegions LockAt(KeySamplerState& state, Cursor cursor, int32_t bytes, uint32_t& offset) {
  offset = cursor();
  LockedRegions regions = state.buffer->Lock(offset, static_cast<uint32_t>(bytes));
  if (!regions.Granted()) return regions;
  const uint32_t cursorNow = ReadWriteCursor(state);
  const uint32_t passed = (cursorNow + kSideToneBufferBytes - offset) % kSideToneBufferBytes;
  if (passed == 0 || passed >= kSideToneBufferBytes / 2) return regions;
  state.buffer->Unlock(regions);
  offset = cursor();
  return state.buffer->Lock(offset, static_cast<uint32_t>(bytes));
}

LockedRegions LockAtKeyChangeCursor(KeySamplerState& state, int32_t bytes, uint32_t& offset) {
  return LockAt(state, [&] { return state.buffer->KeyChangeCursor(); }, bytes, offset);
}

LockedRegions LockAtWriteCursor(KeySamplerState& state, int32_t bytes, uint32_t& offset) {
  return LockAt(state, [&] { return ReadWriteCursor(state); }, bytes, offset);
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
bool TopUp(KeySamplerState& state, int32_t lead, bool tone) {
  const uint32_t writeCursor = ReadWriteCursor(state);
  const int32_t bytes = lead - QueuedAhead(state, writeCursor);
  if (bytes < kSideToneSmallestTopUpBytes) return false;
  // A failed lock is never written through; the next tick tries again from
  // the same place.
  const LockedRegions regions =
      state.buffer->Lock(static_cast<uint32_t>(state.writePos), static_cast<uint32_t>(bytes));
  if (!regions.Granted()) return false;
  state.writePos = WrapOffset(state.writePos + bytes);
  if (tone) {
    ForEachSample(regions, [&](int16_t& sample) { sample = ToSample(NextToneValue(state)); });
  } else {
    if (regions.first != nullptr) std::memset(regions.first, 0, regions.firstBytes & ~1u);
    if (regions.second != nullptr) std::memset(regions.second, 0, regions.secondBytes & ~1u);
  }
  state.buffer->Unlock(regions);
  return true;
}

// The key went down: the tone starts at the write cursor, overwriting the
// silence queued beyond it, with the ramp 1/R, 2/R, ... (R - 1)/R.
void Attack(KeySamplerState& state, int32_t lead, uint32_t now) {
  state.toneState = Sounding;
  state.phase = 0.0f;
  uint32_t writeCursor = 0;
  // When the lock fails the queued silence stays and `writePos` with it; the
  // tone then follows from there at the next top-up, without a ramp.
  const LockedRegions regions = LockAtKeyChangeCursor(state, lead, writeCursor);
  if (regions.Granted()) {
    // What was written ends where the locked block ends.
    state.writePos = WrapOffset(static_cast<int32_t>(writeCursor + regions.Bytes()));
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
    state.buffer->Unlock(regions);
  }
  state.toneEvents.Append(now, 1);
}

// The key went up: the tone queued beyond the write cursor is rewritten from
// the cursor on, continuing its waveform, with the ramp R/R ... 1/R and then
// silence.
void Release(KeySamplerState& state, int32_t lead, uint32_t now) {
  state.toneState = Silent;
  uint32_t writeCursor = 0;
  // When the lock fails the queued tone stays, so the phase and `writePos`
  // stay with it; silence follows from there at the next top-up.
  const LockedRegions regions = LockAtKeyChangeCursor(state, lead, writeCursor);
  if (regions.Granted()) {
    const int32_t queuedSamples = QueuedAhead(state, writeCursor) / 2;
    float phase = state.phase - static_cast<float>(queuedSamples) * state.phaseStep;
    phase = phase + kTwoPi * std::floor(-phase * kOneOverTwoPi);
    state.phase = phase;
    state.writePos = WrapOffset(static_cast<int32_t>(writeCursor + regions.Bytes()));
    const int32_t ramp = state.rampLength;
    int32_t step = ramp;
    ForEachSample(regions, [&](int16_t& sample) {
      const float value = NextToneValue(state);
      // With no ramp at all the release is silence from its first sample.
      sample =
          ramp > 0 ? ToSample(static_cast<float>(step) * (value / static_cast<float>(ramp))) : 0;
      if (step > 0) --step;
    });
    state.buffer->Unlock(regions);
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


// ---- Paddles: the keyer's elements at exact samples of the stream ----
//
// The keyer runs on the side-tone stream's own sample clock. Each tick what
// the device has taken since the last tick is final: the keyer is advanced
// to the write cursor and its key changes there go into `toneEvents`, at the
// times they sounded. Then the paddles are read at the cursor, and what lies
// queued beyond it (the lead) is rendered again from a copy of the keyer run
// ahead as if the paddles stayed as read. An element therefore starts and
// ends at its exact sample whatever the tick, the next tick's reading still
// changes everything not yet taken, and the ramps lie inside the element.

// Key changes the copy run ahead makes within one rendering.
constexpr int kMostChangesAhead = 64;

// The ms-clock time at which stream sample `sample` sounds, given that the
// sample `cursorSample` is at the write cursor now.
uint32_t TimeOfSample(uint32_t now, int64_t cursorSample, int64_t sample) {
  const int64_t offsetMs = (sample - cursorSample) * 1000 / kSampleRate;
  return now + static_cast<uint32_t>(static_cast<int32_t>(offsetMs));
}

// The key as heard (the keyer's output, or a straight key beside it) changes
// at `sample`.
void CommitLevel(KeySamplerState& state, int64_t sample, uint32_t now) {
  const bool level = state.keyerDown || state.straightOnly;
  if (level == state.keyerLevel) return;
  state.keyerLevel = level;
  if (level) state.toneStartSample = sample;
  state.toneEvents.Append(TimeOfSample(now, state.keyerSample, sample), level ? 1 : 0);
}

// One sample of a tone that began at `start` and ends at `end` (exclusive;
// INT64_MAX when not yet known), ramped inside its length.
int16_t KeyerToneSample(const KeySamplerState& state, int64_t n, int64_t start, int64_t end) {
  const int64_t k = n - start;
  double gain = 1.0;
  if (state.rampLength > 0) {
    const double ramp = state.rampLength;
    gain = std::min({1.0, static_cast<double>(k) / ramp, static_cast<double>(end - n) / ramp});
  }
  const double phase = std::fmod(static_cast<double>(state.phaseStep) * static_cast<double>(k),
                                 static_cast<double>(kTwoPi));
  return ToSample(static_cast<float>(gain * kFullScale * std::sin(phase)));
}

// Renders the queue beyond the write cursor again from a copy of the keyer.
void RenderAhead(KeySamplerState& state, int32_t lead, uint32_t writeCursor) {
  uint32_t offset = 0;
  const LockedRegions regions = LockAtWriteCursor(state, lead, offset);
  if (!regions.Granted()) return;
  // The cursor may have moved on just before the lock.
  const uint32_t moved = (offset + kSideToneBufferBytes - writeCursor) % kSideToneBufferBytes;
  const int64_t first = state.keyerSample + moved / 2;
  const int64_t end = first + regions.Bytes() / 2;

  PaddleKeyer ahead = state.keyer;
  std::array<KeyChange, kMostChangesAhead> changes{};
  int count = 0;
  ahead.Advance(end + state.rampLength, [&](const KeyChange& change) {
    if (count < kMostChangesAhead) changes[count++] = change;
  });

  bool keyerDown = state.keyerDown;
  bool level = state.keyerLevel;
  int64_t start = state.toneStartSample;
  int next = 0;
  // The end of the tone under way at sample n: the next change that lets
  // the heard key up.
  const auto toneEnd = [&](int from) {
    bool down = keyerDown;
    for (int i = from; i < count; ++i) {
      down = changes[i].down;
      if (!(down || state.straightOnly)) return changes[i].sample;
    }
    return INT64_MAX;
  };
  int64_t endOfTone = level ? toneEnd(0) : INT64_MAX;
  bool anySound = false;
  int64_t n = first;
  ForEachSample(regions, [&](int16_t& sample) {
    while (next < count && changes[next].sample <= n) {
      keyerDown = changes[next].down;
      ++next;
      const bool now = keyerDown || state.straightOnly;
      if (now != level) {
        level = now;
        if (level) {
          start = changes[next - 1].sample;
          endOfTone = toneEnd(next);
        }
      }
    }
    if (level) {
      sample = KeyerToneSample(state, n, start, endOfTone);
      anySound = true;
    } else {
      sample = 0;
    }
    ++n;
  });
  state.writePos = WrapOffset(static_cast<int32_t>(offset + regions.Bytes()));
  state.renderedSilence = !anySound && ahead.Idle() && !state.straightOnly && !level;
  state.buffer->Unlock(regions);
}

void KeyerTick(KeySamplerState& state, uint32_t now) {
  const uint32_t writeCursor = ReadWriteCursor(state);
  if (!state.keyerStarted) {
    state.keyerStarted = true;
    state.keyerCursor = writeCursor;
    state.keyerSample = state.keyer.Position();
  }
  const uint32_t moved =
      (writeCursor + kSideToneBufferBytes - state.keyerCursor) % kSideToneBufferBytes;
  // A cursor that went back (the end of a stall's catch-up) is not a lap
  // ahead: the keyer's clock waits until the device is past it again.
  if (moved < kSideToneBufferBytes / 2) {
    state.keyerCursor = writeCursor;
    state.keyerSample += moved / 2;
  }

  // What the device has taken is final.
  state.keyer.Advance(state.keyerSample, [&](const KeyChange& change) {
    state.keyerDown = change.down;
    CommitLevel(state, change.sample, now);
  });
  // The paddles, read at the cursor.
  const KeyReading reading = state.key->Read();
  const Paddles paddles =
      state.swapPaddles ? Paddles{reading.dah, reading.dit} : Paddles{reading.dit, reading.dah};
  const bool straightChanged = reading.straightOnly != state.straightOnly;
  state.straightOnly = reading.straightOnly;
  bool keyerChanged = false;
  state.keyer.Read(paddles, [&](const KeyChange& change) {
    state.keyerDown = change.down;
    keyerChanged = true;
  });
  CommitLevel(state, state.keyerSample, now);
  state.keyLevels.Append(now, state.keyerLevel ? 1 : 0);

  const int32_t lead = state.buffer->Lead();
  const bool quiet = !state.keyerLevel && state.keyer.Idle() && !keyerChanged && !straightChanged;
  if (quiet && state.renderedSilence) {
    // Nothing will sound until a reading asks: the queue is silence, topped
    // up as the straight key tops it up.
    if (TopUp(state, lead, false)) CheckPause(state, now);
    return;
  }
  RenderAhead(state, lead, writeCursor);
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
  if (state.keyer.Mode() != KeyerMode::kStraight) {
    KeyerTick(state, now);
    return;
  }

  ReadKey(state, now);
  state.keyLevels.Append(now, state.toneState & 1);

  // One lead for the whole tick: what it writes and where it ends agree.
  const int32_t lead = state.buffer->Lead();
  switch (state.toneState) {
    case Silent:
      if (TopUp(state, lead, false)) CheckPause(state, now);
      break;
    case Sounding:
      TopUp(state, lead, true);
      break;
    case Starting:
      Attack(state, lead, now);
      break;
    case Stopping:
      Release(state, lead, now);
      break;
    default:
      state.toneState = Silent;
      break;
  }
}

}  // namespace dovrik
