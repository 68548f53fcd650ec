#include "keyer/keying_exercise.h"

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include "keyer/key_sampler.h"
#include "keyer/keyer_mode.h"
#include "keyer/paddle_keyer.h"
#include "keyer/keying_decoder.h"
#include "keyer/strip_chart.h"
#include "platform/audio_system.h"
#include "platform/dialog_controls.h"
#include "platform/key_input.h"
#include "platform/messages.h"
#include "platform/periodic_timer.h"
#include "platform/thread_queue.h"

namespace dovrik {
namespace {

constexpr int kSpeedScrollBar = 1005;   // groups per minute
constexpr int kRatioScrollBar = 1009;   // dash length in dots
constexpr int kToneScrollBar = 1019;    // Hz
constexpr int kAttackScrollBar = 1021;  // tenths of a millisecond

// The sampler already queues silence while the buffer waits this long.
constexpr auto kPlaybackDelay = std::chrono::milliseconds(50);
// One chart and decoder pass per this much.
constexpr auto kPassInterval = std::chrono::milliseconds(20);

// Fills the whole buffer with silence before anything plays. A failed lock
// is left alone: the sampler's ticks overwrite what they queue anyway.
void ClearSideToneBuffer(LoopingSoundBuffer& buffer) {
  const LockedRegions regions = buffer.Lock(0, kSideToneBufferBytes);
  if (!regions.Granted()) return;
  std::memset(regions.first, 0, regions.firstBytes);
  if (regions.second != nullptr) std::memset(regions.second, 0, regions.secondBytes);
  buffer.Unlock(regions);
}

}  // namespace

void RunKeyingExercise(ExerciseContext& context) {
  DialogControls& dialog = context.dialog;
  StripChartSurface* const chart = dialog.StripChart();
  int32_t chartPos = 0;
  // Shared with the timer thread from StartPeriodic until the timer is
  // destroyed; every field it reads is set before then.
  KeySamplerState state{};
  state.clock = &context.clock;
  state.key = &context.key;

  dialog.SetItemText(kOutputBoxId, "");

  // The settings are read once, in this order; later changes wait for the
  // next exercise.
  state.phaseStep = PhaseStepForTone(dialog.GetScrollPos(kToneScrollBar));
  state.rampLength = RampLengthForAttack(dialog.GetScrollPos(kAttackScrollBar));
  const int speed = dialog.GetScrollPos(kSpeedScrollBar);
  const int ratio = dialog.GetScrollPos(kRatioScrollBar);
  KeyingDecoder decoder = MakeKeyingDecoder(speed, ratio);
  state.pauseTimeout = ComputeKeyingLimits(speed, ratio).pauseTimeout;
  // Paddles: the keyer of this run plays its elements at its own speed; the
  // strip chart and the decoder take them as they take a straight key's.
  state.keyer = PaddleKeyer(context.keyer.mode, KeyerTimingForWpm(context.keyer.wpm));
  state.swapPaddles = context.keyer.swapPaddles;

  std::unique_ptr<SoundDevice> device = context.audio.CreateSoundDevice();
  if (!device) {
    dialog.ShowWarning("Can not open DirectSound");
    return;
  }
  std::unique_ptr<LoopingSoundBuffer> buffer = device->CreateLoopingBuffer(kSideToneBufferBytes);
  if (!buffer) {
    device.reset();
    dialog.ShowWarning("Can not create sound buffer");
    return;
  }
  state.buffer = buffer.get();
  ClearSideToneBuffer(*buffer);

  // The key takes its devices only now that the exercise can run, and gives
  // them back once no tick reads it any more.
  context.key.BeginKeying();
  std::unique_ptr<PeriodicTimer> timer =
      context.timers.StartPeriodic(kKeySamplerPeriodMs, [&state] { KeySampler(state); });
  if (!timer) {
    context.key.EndKeying();
    buffer->Stop();
    buffer.reset();
    device.reset();
    dialog.ShowWarning("Can not create timer");
    return;
  }

  std::this_thread::sleep_for(kPlaybackDelay);
  buffer->Play();

  for (;;) {
    QueuedMessage message;
    if (context.queue.Peek(message) && message.message == MSG_STOP_EXERCISE) break;
    UpdateStripChart(chartPos, state.keyLevels, chart);
    DecodePending(decoder, state.toneEvents, dialog);
    std::this_thread::sleep_for(kPassInterval);
  }

  // Destroying the timer waits for a running tick, so the buffer is no
  // longer touched by the sampler when it is stopped and released. A
  // character still being keyed is dropped.
  timer.reset();
  context.key.EndKeying();
  buffer->Stop();
  buffer.reset();
  device.reset();
}

}  // namespace dovrik
