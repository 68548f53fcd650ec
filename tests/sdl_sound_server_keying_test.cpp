// The keying exercise as a user's desktop plays it: a real sound server of
// our own (PulseAudio, or PipeWire through its PulseAudio service or SDL's
// own pipewire driver) with a null sink, the real 5 ms timer and a scripted key
// against the real clock. What the sink played is recorded from its monitor
// and every key press must have sounded as exactly one tone of its length.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio_format.h"
#include "keyer/keying_exercise.h"
#include "platform/exercise_context.h"
#include "keyer/keyer_mode.h"
#include "keyer/keyer_settings.h"
#include "platform/messages.h"
#include "platform/sdl/sdl_audio_system.h"
#include "tests/support/sdl_test_support.h"
#include "platform/steady_clock.h"
#include "platform/thread_queue.h"
#include "platform/thread_timer_service.h"
#include "platform/wave_out.h"
#include "sender/random_source.h"
#include "tests/support/fake_dialog.h"
#include "tests/support/keying_rig.h"
#include "tests/support/fake_key.h"
#include "tests/support/side_tone_tones.h"
#include "tests/support/sound_server.h"

namespace dovrik {
namespace {

using std::chrono::milliseconds;
using testing::ScriptedKey;
constexpr double kSamplesPerMs = kSampleRate / 1000.0;

// A word keyed with 90 ms dots, starting 300 ms after the key's Start.
std::vector<ScriptedKey::Change> Keyed(const std::vector<const char*>& codes) {
  return testing::KeyedWord(codes, 90, 300);
}

// The exercise's key: notes when the sampler first read it, so that the
// script starts only once the side-tone is running.
class WatchedKey : public KeyInput {
 public:
  explicit WatchedKey(KeyInput& inner) : inner_(inner) {}
  bool IsDown() override {
    read_.store(true);
    return inner_.IsDown();
  }
  bool WasRead() const { return read_.load(); }

 private:
  KeyInput& inner_;
  std::atomic<bool> read_{false};
};

// One keying exercise from "Key" to "Stop" with the word keyed in it, from
// the sampler's first reading of the key. Returns when the script started,
// on the steady clock in ms.
uint32_t KeyOneSession(const std::vector<ScriptedKey::Change>& script) {
  SteadyClock clock;
  ScriptedKey scripted(clock, script);
  WatchedKey key(scripted);
  SdlAudioSystem sdl;
  testing::KeyingRig rig(700, 5);  // tone, attack
  ExerciseContext context = rig.Context(sdl, clock, key);
  std::thread worker([&] { RunKeyingExercise(context); });
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!key.WasRead() && std::chrono::steady_clock::now() < limit) {
    std::this_thread::sleep_for(milliseconds(1));
  }
  scripted.Start();
  std::this_thread::sleep_for(milliseconds(script.back().atMs + 300));
  rig.queue.Post(MSG_STOP_EXERCISE);
  worker.join();
  EXPECT_TRUE(rig.dialog.Warnings().empty())
      << rig.dialog.Warnings().front() << ": " << SDL_GetError();
  return scripted.StartMs();
}

// Runs of sound in a recording of the sink's monitor: a tone ends where at
// least 20 samples (0.9 ms) in a row stay below a tenth of full scale.
std::vector<testing::Tone> FindTones(const std::vector<int16_t>& recording) {
  return testing::FindTones(recording, 3276, 20);
}

// A server, the SDL driver that plays through it, and the PIPEWIRE_LATENCY
// the user set (empty: none).
struct ServerPath {
  const char* server;
  const char* driver;
  const char* pipewireLatency;
  const char* name;
};

// PIPEWIRE_LATENCY as the user set it, for the life of one test.
class ScopedPipewireLatency {
 public:
  explicit ScopedPipewireLatency(const char* value) {
    if (const char* old = std::getenv("PIPEWIRE_LATENCY")) old_ = old;
    if (*value != '\0') {
      setenv("PIPEWIRE_LATENCY", value, 1);
    } else {
      unsetenv("PIPEWIRE_LATENCY");
    }
  }
  ~ScopedPipewireLatency() {
    if (old_.empty()) {
      unsetenv("PIPEWIRE_LATENCY");
    } else {
      setenv("PIPEWIRE_LATENCY", old_.c_str(), 1);
    }
  }

 private:
  std::string old_;
};

class SoundServerKeyingTest : public ::testing::TestWithParam<ServerPath> {};

TEST_P(SoundServerKeyingTest, EveryKeyPressSoundsOnceForItsLengthSessionAfterSession) {
  const ServerPath& route = GetParam();
  const ScopedPipewireLatency userLatency(route.pipewireLatency);
  testing::SoundServer server(route.server);
  ASSERT_TRUE(server.ok()) << "the " << route.server << " server did not start (scripts/dev test "
                           << "installs it): " << server.Error();
  const std::string path = ::testing::TempDir() + "dovrik_server_keying_" + route.name + "_" +
                           std::to_string(getpid()) + ".raw";
  ASSERT_TRUE(server.StartRecording(path));
  // Three sessions on one server: two back to back, one after the sink has
  // been idle for three seconds.
  const std::vector<std::vector<ScriptedKey::Change>> sessions = {
      Keyed({".--.", ".-", ".-.", "..", "..."}),  // PARIS
      Keyed({"-", ".", "...", "-"}),              // TEST
      Keyed({"-.-.", "--.-"}),                    // CQ
  };
  {
    ScopedAudioDriver driver(route.driver);
    ASSERT_TRUE(driver.ok()) << SDL_GetError();
    KeyOneSession(sessions[0]);
    KeyOneSession(sessions[1]);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    KeyOneSession(sessions[2]);
  }
  // The server may hand the recorder its data in chunks of up to two seconds.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  server.StopRecording();
  const std::vector<int16_t> recording = ReadRecording(path);
  std::remove(path.c_str());

  // Every press, in order, with the gap to the next press of its session
  // (negative across sessions).
  struct Press {
    double holdMs;
    double gapMs;
  };
  std::vector<Press> presses;
  for (const auto& script : sessions) {
    for (size_t k = 0; k + 1 < script.size(); k += 2) {
      const double gap = k + 2 < script.size() ? script[k + 2].atMs - script[k + 1].atMs : -1;
      presses.push_back({double(script[k + 1].atMs - script[k].atMs), gap});
    }
  }
  const std::vector<testing::Tone> tones = FindTones(recording);
  std::string heard;  // what was heard, for the message: tone and gap lengths in ms
  for (size_t t = 0; t < tones.size(); ++t) {
    heard += std::to_string((tones[t].last - tones[t].first + 1) / kSamplesPerMs) + " ";
    if (t + 1 < tones.size()) {
      heard += "(" + std::to_string((tones[t + 1].first - tones[t].last - 1) / kSamplesPerMs) + ") ";
    }
  }
  ASSERT_EQ(tones.size(), presses.size()) << "one tone for every key press, no more: " << heard;
  double worstMs = 0;
  for (size_t t = 0; t < tones.size(); ++t) {
    const double lengthMs = (tones[t].last - tones[t].first + 1) / kSamplesPerMs;
    EXPECT_NEAR(lengthMs, presses[t].holdMs, 10.0) << "tone " << t;
    worstMs = std::max(worstMs, std::abs(lengthMs - presses[t].holdMs));
    if (presses[t].gapMs > 0) {
      const double gapMs = (tones[t + 1].first - tones[t].last - 1) / kSamplesPerMs;
      EXPECT_NEAR(gapMs, presses[t].gapMs, 10.0) << "after tone " << t;
      worstMs = std::max(worstMs, std::abs(gapMs - presses[t].gapMs));
    }
  }
  std::printf("%s: worst hold or gap error %.1f ms\n", route.name, worstMs);
}

// The last: SDL's pipewire driver hands the server one period per cycle, and
// a user's PIPEWIRE_LATENCY longer than the period must not leave the rest of
// each cycle silent.
INSTANTIATE_TEST_SUITE_P(
    Servers, SoundServerKeyingTest,
    ::testing::Values(ServerPath{"pulse", "pulseaudio", "", "pulse"},
                      ServerPath{"pipewire", "pulseaudio", "", "pipewire"},
                      ServerPath{"pipewire", "pipewire", "", "pipewire_driver"},
                      ServerPath{"pipewire", "pipewire", "441/22050", "pipewire_driver_latency"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dovrik

namespace dovrik {
namespace {

// The sending exercise's device on a real server: a buffer that has been
// handed to the server and returned is heard to its last sample, even when
// the device is closed at once, as the exercise does after its last group.
TEST(SoundServerWaveOutTest, LastBufferIsHeardToItsEndWhenClosedAtOnce) {
  testing::SoundServer server("pulse");
  ASSERT_TRUE(server.ok()) << server.Error();
  const std::string path =
      ::testing::TempDir() + "dovrik_server_waveout_" + std::to_string(getpid()) + ".raw";
  ASSERT_TRUE(server.StartRecording(path));
  // 0.1 s of silence (a new stream's first milliseconds may be lost), then
  // 0.3 s of a 700 Hz tone, loud to its last sample.
  std::vector<int16_t> tone(2205 + 6615);
  for (size_t i = 0; i < 6615; ++i) {
    tone[2205 + i] = static_cast<int16_t>(30000 * std::sin(2 * M_PI * 700 * double(i) / kSampleRate));
  }
  WaveHeader header;
  header.data = tone.data();
  header.bufferLength = static_cast<uint32_t>(tone.size() * sizeof(int16_t));
  {
    ScopedAudioDriver driver("pulseaudio");
    ASSERT_TRUE(driver.ok()) << SDL_GetError();
    ThreadQueue queue;
    auto waveOut = SdlAudioSystem().CreateWaveOut();
    ASSERT_TRUE(waveOut->Open(queue));
    ASSERT_TRUE(waveOut->Prepare(header));
    ASSERT_TRUE(waveOut->Write(header));
    QueuedMessage message;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!queue.Peek(message) && std::chrono::steady_clock::now() < limit) {
      std::this_thread::sleep_for(milliseconds(1));
    }
    ASSERT_EQ(message.message, static_cast<uint32_t>(MM_WOM_DONE));
    waveOut->Reset();
    waveOut->Unprepare(header);
    waveOut->Close();
  }
  std::this_thread::sleep_for(std::chrono::seconds(3));
  server.StopRecording();
  const std::vector<int16_t> recording = ReadRecording(path);
  std::remove(path.c_str());
  const std::vector<testing::Tone> tones = FindTones(recording);
  ASSERT_EQ(tones.size(), 1u);
  EXPECT_NEAR((tones[0].last - tones[0].first + 1) / kSamplesPerMs, 300.0, 2.0) << "nothing cut";
}

}  // namespace
}  // namespace dovrik

namespace dovrik {
namespace {

// Runs of the keying exercise one after another on one long-running
// PulseAudio server: PARIS with 120 ms dots from 0.8 s after the side-tone
// first reads the key, the next run starting a second after the one before
// ended, SDL's audio started afresh for each as a new process starts it. The
// recorder leaves the latency to the server, so the sink idles between runs
// as on a desktop. Every element of every run sounds, and each run's first
// element comes as long after the last one before it as it was keyed.
TEST(SoundServerBackToBackTest, EveryRunSoundsFromItsFirstPress) {
  testing::SoundServer server("pulse");
  ASSERT_TRUE(server.ok()) << server.Error();
  const std::string path =
      ::testing::TempDir() + "dovrik_server_back_to_back_" + std::to_string(getpid()) + ".raw";
  ASSERT_TRUE(server.StartRecording(path, /*serverLatency=*/true));
  // The recorder's first seconds may come late or not at all.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  const std::vector<ScriptedKey::Change> paris =
      testing::KeyedWord({".--.", ".-", ".-.", "..", "..."}, 120, 800);
  constexpr int kRuns = 3;
  // From the program's start to Key: the window comes up, the user presses
  // Alt+K.
  constexpr int kStartToKeyMs = 800;
  std::vector<uint32_t> startedMs;
  for (int run = 0; run < kRuns; ++run) {
    ScopedAudioDriver driver("pulseaudio");
    ASSERT_TRUE(driver.ok()) << SDL_GetError();
    std::this_thread::sleep_for(milliseconds(kStartToKeyMs));  // the window comes up; Alt+K
    startedMs.push_back(KeyOneSession(paris));
    std::this_thread::sleep_for(milliseconds(1000));
  }
  std::this_thread::sleep_for(std::chrono::seconds(3));
  server.StopRecording();
  const std::vector<int16_t> recording = ReadRecording(path);
  std::remove(path.c_str());

  const std::vector<testing::Tone> tones = FindTones(recording);
  const size_t perRun = paris.size() / 2;
  std::string heard;  // each tone's start and length in ms, for the message
  for (const testing::Tone& tone : tones) {
    heard += std::to_string(int(tone.first / kSamplesPerMs)) + "+" +
             std::to_string(int((tone.last - tone.first + 1) / kSamplesPerMs)) + " ";
  }
  ASSERT_EQ(tones.size(), kRuns * perRun) << "every element of every run: " << heard;
  for (size_t t = 0; t < tones.size(); ++t) {
    const ScriptedKey::Change& down = paris[2 * (t % perRun)];
    const ScriptedKey::Change& up = paris[2 * (t % perRun) + 1];
    EXPECT_NEAR((tones[t].last - tones[t].first + 1) / kSamplesPerMs, up.atMs - down.atMs, 15.0)
        << "tone " << t;
  }
  for (int run = 1; run < kRuns; ++run) {
    const testing::Tone& lastBefore = tones[run * perRun - 1];
    const testing::Tone& first = tones[run * perRun];
    const double keyedMs = double(startedMs[run] - startedMs[run - 1]) + paris.front().atMs -
                           paris.back().atMs;
    const double heardMs = (first.first - lastBefore.last - 1) / kSamplesPerMs;
    EXPECT_NEAR(heardMs, keyedMs, 60.0) << "run " << run << " starts late: " << heard;
  }
}

}  // namespace
}  // namespace dovrik

namespace dovrik {
namespace {

// Paddles held as a scripted pair from Start on: (ms, dit, dah) readings.
class ScriptedPaddles : public KeyInput {
 public:
  struct Reading {
    int32_t atMs;
    bool dit;
    bool dah;
  };
  ScriptedPaddles(Clock& clock, std::vector<Reading> script)
      : clock_(clock), script_(std::move(script)) {}
  void Start() {
    start_.store(clock_.NowMs());
    started_.store(true);
  }
  bool IsDown() override { return Read().key; }
  KeyReading Read() override {
    read_.store(true);
    KeyReading reading;
    if (!started_.load()) return reading;
    const int32_t elapsed = ClockDifference(clock_.NowMs(), start_.load());
    for (const Reading& r : script_) {
      if (r.atMs > elapsed) break;
      reading = KeyReading{r.dit || r.dah, r.dit, r.dah, false};
    }
    return reading;
  }
  bool WasRead() const { return read_.load(); }

 private:
  Clock& clock_;
  const std::vector<Reading> script_;
  std::atomic<uint32_t> start_{0};
  std::atomic<bool> started_{false};
  std::atomic<bool> read_{false};
};

// The keying exercise with an iambic B keyer at 20 WPM on a real PulseAudio
// server: C squeezed (dah first, let go in the space after the second dah)
// and then R, each paddle tapped during the element before it (memory).
// Every element sounds, a dot 60 ms and a
// dash 180 ms, each space within the character 60 ms.
TEST(SoundServerPaddleTest, IambicElementsSoundWhole) {
  testing::SoundServer server("pulse");
  ASSERT_TRUE(server.ok()) << server.Error();
  const std::string path =
      ::testing::TempDir() + "dovrik_server_paddles_" + std::to_string(getpid()) + ".raw";
  ASSERT_TRUE(server.StartRecording(path));
  {
    ScopedAudioDriver driver("pulseaudio");
    ASSERT_TRUE(driver.ok()) << SDL_GetError();
    SteadyClock clock;
    ScriptedPaddles paddles(clock, {{300, false, true},
                                    {310, true, true},
                                    {860, false, false},  // C: dah dit dah, then B's dit
                                    {1600, true, false},
                                    {1640, false, false},
                                    {1650, false, true},
                                    {1700, false, false},
                                    {1800, true, false},
                                    {1840, false, false}});  // R: dit dah dit, from memory
    SdlAudioSystem sdl;
    testing::KeyingRig rig(700, 5);
    ExerciseContext context = rig.Context(sdl, clock, paddles);
    context.keyer = KeyerSettings{KeyerMode::kIambicB, 20, false};
    std::thread worker([&] { RunKeyingExercise(context); });
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!paddles.WasRead() && std::chrono::steady_clock::now() < limit) {
      std::this_thread::sleep_for(milliseconds(1));
    }
    paddles.Start();
    std::this_thread::sleep_for(milliseconds(2600));
    rig.queue.Post(MSG_STOP_EXERCISE);
    worker.join();
    EXPECT_TRUE(rig.dialog.Warnings().empty());
  }
  std::this_thread::sleep_for(std::chrono::seconds(3));
  server.StopRecording();
  const std::vector<int16_t> recording = ReadRecording(path);
  std::remove(path.c_str());

  const std::vector<testing::Tone> tones = FindTones(recording);
  std::string heard;
  for (const testing::Tone& tone : tones) {
    heard += std::to_string(int((tone.last - tone.first + 1) / kSamplesPerMs)) + " ";
  }
  const std::vector<double> expected = {180, 60, 180, 60, 60, 180, 60};
  ASSERT_EQ(tones.size(), expected.size()) << "C and R, every element: " << heard;
  for (size_t t = 0; t < tones.size(); ++t) {
    // The tone finder cuts the ramps' quiet ends: up to 0.5 ms each.
    EXPECT_NEAR((tones[t].last - tones[t].first + 1) / kSamplesPerMs, expected[t], 1.5)
        << "tone " << t << ": " << heard;
    if (t != 3 && t + 1 < tones.size()) {
      EXPECT_NEAR((tones[t + 1].first - tones[t].last - 1) / kSamplesPerMs, 60.0, 1.5)
          << "space after tone " << t << ": " << heard;
    }
  }
}

}  // namespace
}  // namespace dovrik
