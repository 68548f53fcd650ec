// A whole keying exercise on real parts: SDL's disk driver records the
// side-tone, the thread timer drives the sampler, and a scripted key keys
// "PARIS" against the real clock.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "keyer/key_sampler.h"
#include "keyer/keying_exercise.h"
#include "platform/exercise_context.h"
#include "platform/messages.h"
#include "platform/sdl/sdl_audio_system.h"
#include "tests/support/sdl_test_support.h"
#include "platform/steady_clock.h"
#include "platform/thread_queue.h"
#include "platform/thread_timer_service.h"
#include "sender/random_source.h"
#include "tests/support/fake_dialog.h"
#include "tests/support/keying_rig.h"
#include "tests/support/fake_key.h"
#include "tests/support/fake_side_tone_probe.h"
#include "tests/support/side_tone_tones.h"

namespace dovrik {
namespace {

using std::chrono::duration;
using std::chrono::milliseconds;
using testing::FindTones;
using testing::ProbeClock;
using testing::ScriptedKey;
using testing::Tone;

// "PARIS" at speed 12 and ratio 3: a dot of 122 ms, after a 300 ms wait.
std::vector<ScriptedKey::Change> ParisScript(int32_t& endMs) {
  return testing::KeyedWord({".--.", ".-", ".-.", "..", "..."}, 122, 300, &endMs);
}

std::string RecordingPath() {
  return ::testing::TempDir() + "dovrik_keying_" + std::to_string(getpid()) + ".raw";
}

TEST(SdlKeyingExerciseTest, KeyedParisSoundsPromptlyWithRampsAndDecodes) {
  const std::string path = RecordingPath();
  int32_t scriptEndMs = 0;
  const std::vector<ScriptedKey::Change> script = ParisScript(scriptEndMs);

  std::string output;
  std::vector<testing::ObservedKeyChange> changes;
  std::vector<testing::HandedBlock> handed;
  std::vector<ProbeClock::time_point> keyedAt;
  uint32_t periodBytes = 0;
  {
    ScopedAudioDriver driver("disk", path);
    ASSERT_TRUE(driver.ok()) << SDL_GetError();
    SteadyClock clock;
    ScriptedKey key(clock, script);
    SdlAudioSystem sdl;
    testing::SideToneProbe probe(key, sdl);
    testing::KeyingRig rig(900, 5);  // tone, attack: ramps of 11 samples
    ExerciseContext context = rig.Context(probe.Audio(), clock, probe.Key());

    key.Start();
    // The key changes at whole milliseconds of the clock it reads.
    const auto now = ProbeClock::now();
    auto startMs = std::chrono::duration_cast<milliseconds>(now.time_since_epoch()).count();
    startMs -= static_cast<int32_t>(static_cast<uint32_t>(startMs) - key.StartMs());
    for (const auto& change : script) {
      keyedAt.push_back(ProbeClock::time_point(milliseconds(startMs + change.atMs)));
    }

    std::thread worker([&] { RunKeyingExercise(context); });
    // The pause marker comes 1952 ms after the last tone stop.
    std::this_thread::sleep_until(keyedAt.front() + milliseconds(scriptEndMs - 300 + 2300));
    rig.queue.Post(MSG_STOP_EXERCISE);
    worker.join();

    output = rig.dialog.OutputBox();
    EXPECT_TRUE(rig.dialog.Warnings().empty());
    changes = probe.Changes();
    for (const auto& change : changes) handed.push_back(probe.Handed(change, kSideToneBufferBytes));
    periodBytes = probe.PeriodBytes();
  }
  const std::vector<int16_t> recording = ReadRecording(path);
  std::remove(path.c_str());

  EXPECT_EQ(output, "PARIS; ");

  // Each key change reached the device after it was keyed and before the
  // next one, in order. How soon is the benchmarks' business: a loaded
  // machine may be late, and that is no fault of the exercise.
  ASSERT_EQ(changes.size(), script.size());
  ASSERT_GT(periodBytes, 0u);
  const double periodMs = periodBytes / 2 / 22.05;
  double worstMs = 0;
  for (size_t k = 0; k < changes.size(); ++k) {
    EXPECT_EQ(changes[k].down, script[k].down) << k;
    ASSERT_TRUE(handed[k].found) << k;
    EXPECT_GE(handed[k].handedAt, keyedAt[k]) << k;
    if (k + 1 < changes.size()) {
      EXPECT_LT(handed[k].handedBytesBefore, handed[k + 1].handedBytesBefore) << k;
    }
    const double latencyMs = duration<double, std::milli>(handed[k].handedAt - keyedAt[k]).count();
    worstMs = std::max(worstMs, latencyMs);
  }
  ::testing::Test::RecordProperty("worst_key_to_device_ms", std::to_string(worstMs));
  std::printf("device period %.1f ms, worst key-to-device %.1f ms\n", periodMs, worstMs);

  // The recording holds the fourteen tones exactly where the sampler put
  // them: the samples before playback started, plus what the device had
  // been handed when each block's first chunk went out.
  const std::vector<Tone> tones = FindTones(recording);
  ASSERT_EQ(tones.size(), script.size() / 2);
  const size_t first = tones[0].first - 1;  // a tone's first sample is 0
  const size_t beforePlayback = first - handed[0].handedBytesBefore / 2;
  const int16_t attack[] = {0, 1511, 4385, 8289, 12736};
  for (size_t t = 0; t < tones.size(); ++t) {
    const size_t start = beforePlayback + handed[2 * t].handedBytesBefore / 2;
    const size_t release = beforePlayback + handed[2 * t + 1].handedBytesBefore / 2;
    ASSERT_EQ(tones[t].first - 1, start) << "tone " << t;
    ASSERT_LT(release + 11, recording.size());
    for (int i = 0; i < 5; ++i) EXPECT_EQ(recording[start + i], attack[i]) << "tone " << t;
    // The release ramp: R/R ... 1/R of full scale, then silence.
    for (int j = 0; j < 11; ++j) {
      EXPECT_LE(std::abs(recording[release + j]), 32767 * (11 - j) / 11 + 1) << "tone " << t;
    }
    EXPECT_LE(tones[t].last, release + 10) << "tone " << t;
    // A steady full-scale sine without a click anywhere, release included:
    // no step larger than the sine's own at 900 Hz (2 x 32767 x sin(pi x
    // 900 / 22050), 8381) plus one ramp step (32767 / 11).
    constexpr int kLargestStep = 8381 + 2979 + 2;
    int peak = 0;
    for (size_t i = start + 1; i <= tones[t].last; ++i) {
      peak = std::max(peak, std::abs(int(recording[i])));
      ASSERT_LE(std::abs(recording[i] - recording[i - 1]), kLargestStep)
          << "tone " << t << " at " << i;
    }
    EXPECT_GE(peak, 32000) << "tone " << t;
  }
}

}  // namespace
}  // namespace dovrik
