// A real sending exercise on SDL's disk driver, run by the real worker: the
// recording is analysed for the lead-in, the tone, the element lengths and
// spaces and the groups, and the output box's appends are timed against the
// moment each group reached the device.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio_format.h"
#include "platform/messages.h"
#include "platform/sdl/sdl_audio_system.h"
#include "platform/sdl/sdl_wave_out.h"
#include "platform/sdl/straight_key.h"
#include "platform/steady_clock.h"
#include "platform/thread_queue.h"
#include "platform/thread_timer_service.h"
#include "sender/random_source.h"
#include "sender/sending_exercise.h"
#include "sender/sending_parameters.h"
#include "tables/character_table.h"
#include "tables/slider_table.h"
#include "tests/support/fake_dialog.h"
#include "tests/support/sdl_test_support.h"
#include "worker/worker_thread.h"

namespace dovrik {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The control store, noting when each text was appended.
class TimedDialog : public testing::FakeDialog {
 public:
  void AppendToOutputBox(const std::string& text) override {
    {
      std::lock_guard lock(mutex_);
      appendTimes_.push_back(Clock::now());
    }
    FakeDialog::AppendToOutputBox(text);
  }
  std::vector<Clock::time_point> AppendTimes() {
    std::lock_guard lock(mutex_);
    return appendTimes_;
  }

 private:
  std::mutex mutex_;
  std::vector<Clock::time_point> appendTimes_;
};

// The real SDL wave-out with its notices passed through a relay thread that
// notes when each arrived: a buffer's MM_WOM_DONE is posted when its last
// sample has been handed to the device, in the same callback that hands over
// the first sample of the buffer after it.
class TimedWaveOut : public WaveOut {
 public:
  explicit TimedWaveOut(std::unique_ptr<WaveOut> device) : device_(std::move(device)) {}
  ~TimedWaveOut() override { StopRelay(); }

  bool Open(ThreadQueue& notify) override {
    if (!device_->Open(relayQueue_)) return false;
    relay_ = std::thread([this, &notify] {
      QueuedMessage message;
      while (relayQueue_.Get(message)) {
        if (message.message == MM_WOM_DONE) {
          std::lock_guard lock(mutex_);
          doneTimes_.push_back(Clock::now());
        }
        notify.Post(message.message, message.wParam, message.lParam);
      }
    });
    return true;
  }
  void SetVolume(uint32_t volume) override { device_->SetVolume(volume); }
  bool Prepare(WaveHeader& header) override { return device_->Prepare(header); }
  bool Write(WaveHeader& header) override { return device_->Write(header); }
  void Reset() override { device_->Reset(); }
  void Unprepare(WaveHeader& header) override { device_->Unprepare(header); }
  void Close() override {
    device_->Close();  // posts nothing afterwards
    StopRelay();
  }

  static std::vector<Clock::time_point> DoneTimes() {
    std::lock_guard lock(mutex_);
    return doneTimes_;
  }

 private:
  void StopRelay() {
    if (!relay_.joinable()) return;
    relayQueue_.Close();  // the relay passes on what is left, then ends
    relay_.join();
  }

  std::unique_ptr<WaveOut> device_;
  ThreadQueue relayQueue_;
  std::thread relay_;
  static inline std::mutex mutex_;
  static inline std::vector<Clock::time_point> doneTimes_;
};

class TimedAudioSystem : public SdlAudioSystem {
 public:
  std::unique_ptr<WaveOut> CreateWaveOut() override {
    return std::make_unique<TimedWaveOut>(SdlAudioSystem::CreateWaveOut());
  }
};

std::string RecordingPath() {
  return ::testing::TempDir() + "dovrik_sending_" + std::to_string(getpid()) + ".raw";
}

// A run of sound: first and last non-zero sample. With no noise, every
// sample of a space is exactly 0, and a 900 Hz tone at full level never
// holds 0 for more than a sample or two.
struct Burst {
  size_t first;
  size_t last;
  size_t Length() const { return last - first + 1; }
};

std::vector<Burst> FindBursts(const std::vector<int16_t>& samples) {
  constexpr size_t kSilentRun = 8;
  std::vector<Burst> bursts;
  size_t zeros = kSilentRun;
  for (size_t i = 0; i < samples.size(); ++i) {
    if (samples[i] == 0) {
      ++zeros;
      continue;
    }
    if (zeros >= kSilentRun) {
      bursts.push_back({i, i});
    } else {
      bursts.back().last = i;
    }
    zeros = 0;
  }
  return bursts;
}

// The tone's frequency from the upward zero crossings inside a burst,
// interpolated between samples.
double Frequency(const std::vector<int16_t>& samples, const Burst& burst) {
  double firstCrossing = -1;
  double lastCrossing = -1;
  int crossings = 0;
  for (size_t i = burst.first + 20; i + 20 < burst.last; ++i) {
    if (samples[i - 1] < 0 && samples[i] >= 0) {
      const double fraction = -samples[i - 1] / double(samples[i] - samples[i - 1]);
      const double at = double(i - 1) + fraction;
      if (crossings == 0) firstCrossing = at;
      lastCrossing = at;
      ++crossings;
    }
  }
  if (crossings < 2) return 0;
  return (crossings - 1) * kSampleRate / (lastCrossing - firstCrossing);
}

TEST(SdlSendingExercise, RecordingHoldsTheLeadInAndTheTickedCharactersGroups) {
  const std::string path = RecordingPath();
  constexpr int kGroups = 2;

  ThreadQueue queue;
  TimedDialog dialog;
  testing::FakePoster poster;
  TimedAudioSystem audio;
  ThreadTimerService timers;
  SteadyClock clock;
  StraightKeyInput key;
  RandomSource random(2024);
  ExerciseContext context{queue, dialog, poster, audio, timers, clock, key, random};

  const std::pair<int, int> sliders[] = {{kSpeedScrollBarId, 36},     {kGroupsScrollBarId, kGroups},
                                         {kRatioScrollBarId, 3},      {kCharSpaceScrollBarId, 1},
                                         {kGroupSpaceScrollBarId, 1}, {kToneScrollBarId, 900},
                                         {kJitterScrollBarId, 0},     {kAttackScrollBarId, 5},
                                         {kVolumeScrollBarId, 100},   {kNoiseScrollBarId, 0}};
  for (auto [id, value] : sliders) dialog.SetScroll(id, value);
  dialog.SetTicked(CharacterTable[0].buttonId, true);  // "A", ".-"

  {
    ScopedAudioDriver driver("disk", path);
    ASSERT_TRUE(driver.ok()) << SDL_GetError();
    std::thread worker([&] {
      RunWorkerIdleLoop(context, {[](ExerciseContext& c) { RunSendingExercise(c); }, nullptr});
    });
    queue.Post(MSG_START_SENDING);
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (poster.Posted().empty() && Clock::now() < deadline) {
      std::this_thread::sleep_for(milliseconds(10));
    }
    queue.Post(MSG_WORKER_QUIT);
    worker.join();
  }
  const std::vector<int16_t> recording = ReadRecording(path);
  std::remove(path.c_str());

  ASSERT_EQ(poster.Posted(), (std::vector<uint32_t>{MSG_EXERCISE_ENDED, MSG_APP_QUIT}));
  EXPECT_TRUE(dialog.Warnings().empty());
  EXPECT_EQ(dialog.Appends(), (std::vector<std::string>{"", "AAAAA ", "AAAAA "}));

  SendingSliders settings;
  settings.speed = 36;
  settings.ratio = 3;
  const SendingParameters p = DeriveSendingParameters(settings);
  const double release = p.attack * kSampleRate;
  // Sounding lengths: the element (attack included) plus its release, less
  // the element's first sample, which is sin(0) = 0.
  const double dot = p.dot * kSampleRate + release - 1;
  const double dash = p.dash * kSampleRate + release - 1;
  // Silences: the space measured from the end of the sustain, less the
  // release, plus that silent first sample of the next element.
  const double elementGap = p.dot * kSampleRate - release + 1;
  const double characterGap = (p.dot + p.charExtra) * kSampleRate - release + 1;
  const double groupGap = (p.dot + p.charExtra + p.groupExtra) * kSampleRate - release + 1;
  constexpr double kTolerance = 2;  // samples

  const std::vector<Burst> bursts = FindBursts(recording);
  ASSERT_EQ(bursts.size(), size_t{kGroups * 5 * 2});

  // Two seconds of silent lead-in, then the first dot. Before the first
  // buffer was written the device played whole periods of silence (how many
  // depends on the machine's load), so the lead-in starts on a period
  // boundary and the first group exactly 44,100 samples later.
  const size_t start = bursts[0].first - 1;  // the first group's first sample
  const size_t leadIn = 2 * kSampleRate;
  ASSERT_GE(start, leadIn);
  EXPECT_EQ((start - leadIn) % SdlWaveOut::kFramesPerPeriod, 0u) << start;
  EXPECT_LT(start, leadIn + kSampleRate);

  std::string code;
  for (size_t i = 0; i < bursts.size(); ++i) {
    const double length = double(bursts[i].Length());
    if (std::abs(length - dot) <= kTolerance) {
      code += '.';
    } else if (std::abs(length - dash) <= kTolerance) {
      code += '-';
    } else {
      ADD_FAILURE() << "burst " << i << " is " << length << " samples; dot " << dot << ", dash "
                    << dash;
    }
    if (i + 1 == bursts.size()) break;
    const double gap = double(bursts[i + 1].first - bursts[i].last - 1);
    if (std::abs(gap - elementGap) <= kTolerance) {
      // within a character
    } else if (std::abs(gap - characterGap) <= kTolerance) {
      code += ' ';
    } else if (std::abs(gap - groupGap) <= kTolerance) {
      code += " / ";
    } else {
      ADD_FAILURE() << "gap after burst " << i << " is " << gap << " samples";
    }
  }
  EXPECT_EQ(code, ".- .- .- .- .- / .- .- .- .- .-");

  for (size_t i = 1; i < bursts.size(); i += 2) {  // the dashes: long enough to measure
    EXPECT_NEAR(Frequency(recording, bursts[i]), 900.0, 1.0) << "dash " << i;
  }

  // Each group's text was appended when that group started to sound: when
  // the device had taken the last sample of the buffer before it (the
  // second lead-in buffer, then the first group's).
  const auto doneTimes = TimedWaveOut::DoneTimes();
  const auto appendTimes = dialog.AppendTimes();
  ASSERT_GE(doneTimes.size(), 3u);
  ASSERT_EQ(appendTimes.size(), 3u);
  for (size_t group = 1; group <= 2; ++group) {
    const auto lag = appendTimes[group] - doneTimes[group];
    EXPECT_GE(lag.count(), 0) << "group " << group;
    EXPECT_LT(lag, milliseconds(50)) << "group " << group;
  }
  // And that moment agrees with the group's place in the recording.
  const double secondsBetween = std::chrono::duration<double>(doneTimes[2] - doneTimes[1]).count();
  const double firstGroupSeconds = double(bursts[10].first - bursts[0].first) / kSampleRate;
  EXPECT_NEAR(secondsBetween, firstGroupSeconds, 0.1);
}

}  // namespace
}  // namespace dovrik
