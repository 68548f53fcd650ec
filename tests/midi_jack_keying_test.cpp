// MIDI keys on a real JACK server of the test's own (the dummy driver, no
// sound card): a JACK client plays note-on, note-off and sustain-pedal
// messages into Dovrik's MIDI inputs, first to the key itself, then through
// the real keying exercise with SDL's disk driver recording the side-tone.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "keyer/key_sampler.h"
#include "keyer/keying_exercise.h"
#include "platform/exercise_context.h"
#include "platform/key_sources.h"
#include "platform/messages.h"
#include "platform/midi/rtmidi_inputs.h"
#include "platform/midi_key.h"
#include "platform/sdl/sdl_audio_system.h"
#include "tests/support/sdl_test_support.h"
#include "platform/sdl/straight_key.h"
#include "platform/steady_clock.h"
#include "platform/thread_queue.h"
#include "platform/thread_timer_service.h"
#include "sender/random_source.h"
#include "tests/support/fake_dialog.h"
#include "tests/support/keying_rig.h"
#include "tests/support/fake_side_tone_probe.h"
#include "tests/support/jack_server.h"
#include "tests/support/side_tone_tones.h"

namespace dovrik {
namespace {

using testing::JackMidiKeyer;
using testing::JackServer;

// Waits up to 10 s for `done`, asking every 10 ms.
bool WaitFor(const std::function<bool()>& done) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

std::string TempPath(const char* what) {
  return ::testing::TempDir() + "dovrik_" + what + "_" + std::to_string(getpid());
}

struct KeyMessage {
  uint8_t status;
  uint8_t first;
  uint8_t second;
  bool down;  // the key after it
};

TEST(MidiJackKeyTest, NotesAndThePedalHoldTheKeyAndAnUnpluggedDeviceLetsGo) {
  JackServer server(TempPath("jackd.log"));
  ASSERT_TRUE(server.ok()) << "jackd did not start:\n" << server.Log();

  MidiKeyInput key(MakeSystemMidiInputs);
  key.BeginKeying();
  const int othersOpen = key.InputsOpen();  // an ALSA sequencer's ports, where there is one
  JackMidiKeyer keyer;
  ASSERT_TRUE(keyer.ok());
  // Plugged in during the exercise: found at a watch.
  EXPECT_TRUE(WaitFor([&] {
    key.Watch();
    return key.InputsOpen() == othersOpen + 1 && keyer.Connections() > 0;
  }));

  const KeyMessage messages[] = {
      {0x90, 60, 100, true}, {0x80, 60, 0, false},                         // a key adapter
      {0x90, 60, 100, true}, {0x90, 64, 100, true}, {0x80, 60, 64, true},  // overlapping
      {0x90, 64, 0, false},                                                // velocity 0
      {0xB0, 64, 127, true}, {0xB0, 64, 0, false},                         // the pedal
      {0x90, 67, 100, true},
  };
  uint64_t taken = key.MessagesTaken();
  for (size_t i = 0; i < std::size(messages); ++i) {
    const KeyMessage& m = messages[i];
    ASSERT_GE(keyer.Send(m.status, m.first, m.second), 0);
    ++taken;
    ASSERT_TRUE(WaitFor([&] { return key.MessagesTaken() >= taken; })) << i;
    EXPECT_EQ(key.IsDown(), m.down) << i;
  }

  // Unplugged with its note down: the note-off never comes.
  keyer.Unplug();
  EXPECT_TRUE(WaitFor([&] {
    key.Watch();
    return key.InputsOpen() == othersOpen;
  }));
  EXPECT_FALSE(key.IsDown());
  key.EndKeying();
}

// The key the sampler reads, counting the changes of level it saw.
class SeenKey : public KeyInput {
 public:
  explicit SeenKey(KeyInput& inner) : inner_(inner) {}
  bool IsDown() override {
    const bool down = inner_.IsDown();
    if (down != last_) {
      last_ = down;
      changes_.fetch_add(1);
    }
    return down;
  }
  void BeginKeying() override { inner_.BeginKeying(); }
  void EndKeying() override { inner_.EndKeying(); }
  void Watch() override { inner_.Watch(); }
  int Changes() const { return changes_.load(); }

 private:
  KeyInput& inner_;
  bool last_ = false;  // timer thread
  std::atomic<int> changes_{0};
};

TEST(MidiJackKeyTest, TheSideToneFollowsAdapterAndPedalThroughTheKeyingExercise) {
  JackServer server(TempPath("jackd.log"));
  ASSERT_TRUE(server.ok()) << "jackd did not start:\n" << server.Log();
  JackMidiKeyer keyer;
  ASSERT_TRUE(keyer.ok());

  // A key adapter's note, the pedal, and a note ended by velocity 0.
  const KeyMessage messages[] = {{0x90, 60, 100, true}, {0x80, 60, 0, false},
                                 {0xB0, 64, 127, true}, {0xB0, 64, 0, false},
                                 {0x90, 62, 100, true}, {0x90, 62, 0, false}};
  const std::string path = TempPath("midi_keying.raw");
  std::vector<testing::ObservedKeyChange> changes;
  std::vector<testing::HandedBlock> handed;
  std::vector<testing::ProbeClock::time_point> sentAt;
  bool connected = false;
  {
    ScopedAudioDriver driver("disk", path);
    ASSERT_TRUE(driver.ok()) << SDL_GetError();
    SteadyClock clock;
    StraightKeyInput straightKey;
    MidiKeyInput midiKey(MakeSystemMidiInputs);
    KeySources key({&straightKey, &midiKey});
    SeenKey seen(key);
    SdlAudioSystem sdl;
    testing::SideToneProbe probe(seen, sdl);
    testing::KeyingRig rig(900, 5);  // tone, attack: ramps of 11 samples
    ExerciseContext context = rig.Context(probe.Audio(), clock, probe.Key());

    std::thread worker([&] { RunKeyingExercise(context); });
    // The exercise listens to every MIDI input from its start.
    connected = WaitFor([&] { return keyer.Connections() > 0; });
    for (size_t i = 0; connected && i < std::size(messages); ++i) {
      // A pause between changes keeps the tones apart in the recording.
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      const int number = keyer.Send(messages[i].status, messages[i].first, messages[i].second);
      const auto sent = keyer.SentAt(number);
      const bool seenByTheSampler =
          sent && WaitFor([&] { return seen.Changes() == static_cast<int>(i) + 1; });
      EXPECT_TRUE(seenByTheSampler) << "message " << i;
      if (!seenByTheSampler) break;
      sentAt.push_back(*sent);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    rig.queue.Post(MSG_STOP_EXERCISE);
    worker.join();

    EXPECT_TRUE(rig.dialog.Warnings().empty());
    changes = probe.Changes();
    for (const auto& change : changes) handed.push_back(probe.Handed(change, kSideToneBufferBytes));
  }
  const std::vector<int16_t> recording = ReadRecording(path);
  std::remove(path.c_str());
  ASSERT_TRUE(connected) << "the exercise never listened to " << keyer.PortName();
  ASSERT_EQ(sentAt.size(), std::size(messages));

  // Each change was read at a tick after its message went out, and before
  // the next one went, and reached the device in order.
  ASSERT_EQ(changes.size(), std::size(messages));
  for (size_t k = 0; k < changes.size(); ++k) {
    EXPECT_EQ(changes[k].down, messages[k].down) << k;
    EXPECT_GE(changes[k].readAt, sentAt[k]) << k;
    if (k + 1 < changes.size()) {
      EXPECT_LT(changes[k].readAt, sentAt[k + 1]) << k;
    }
    ASSERT_TRUE(handed[k].found) << k;
    EXPECT_GE(handed[k].handedAt, changes[k].readAt) << k;
    if (k + 1 < changes.size()) {
      EXPECT_LT(handed[k].handedBytesBefore, handed[k + 1].handedBytesBefore) << k;
    }
  }

  // Three tones, each starting with its attack where the change's block
  // reached the device and silent again within its release.
  const std::vector<testing::Tone> tones = testing::FindTones(recording);
  ASSERT_EQ(tones.size(), 3u);
  const size_t beforePlayback = (tones[0].first - 1) - handed[0].handedBytesBefore / 2;
  const int16_t attack[] = {0, 1511, 4385, 8289, 12736};
  for (size_t t = 0; t < tones.size(); ++t) {
    const size_t start = beforePlayback + handed[2 * t].handedBytesBefore / 2;
    const size_t release = beforePlayback + handed[2 * t + 1].handedBytesBefore / 2;
    ASSERT_EQ(tones[t].first - 1, start) << "tone " << t;
    ASSERT_LT(start + 5, recording.size());
    for (int i = 0; i < 5; ++i) EXPECT_EQ(recording[start + i], attack[i]) << "tone " << t;
    EXPECT_LE(tones[t].last, release + 10) << "tone " << t;
  }
}

}  // namespace
}  // namespace dovrik
