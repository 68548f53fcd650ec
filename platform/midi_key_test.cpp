#include "platform/midi_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/midi_key_tracker.h"

namespace dovrik {
namespace {

using Bytes = std::vector<uint8_t>;

struct TrackerStep {
  Bytes message;
  bool held;
};

struct TrackerCase {
  const char* name;
  std::vector<TrackerStep> steps;
};

class MidiKeyTrackerTest : public ::testing::TestWithParam<TrackerCase> {};

TEST_P(MidiKeyTrackerTest, HeldAfterEachMessage) {
  MidiKeyTracker tracker;
  int step = 0;
  for (const TrackerStep& s : GetParam().steps) {
    EXPECT_EQ(tracker.Handle(s.message), s.held) << "step " << step;
    EXPECT_EQ(tracker.Held(), s.held) << "step " << step;
    ++step;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, MidiKeyTrackerTest,
    ::testing::Values(
        TrackerCase{"NoteOnUntilNoteOff", {{{0x90, 60, 100}, true}, {{0x80, 60, 64}, false}}},
        TrackerCase{"VelocityZeroIsANoteOff", {{{0x90, 60, 1}, true}, {{0x90, 60, 0}, false}}},
        TrackerCase{"OverlappingNotesAreOneKey",
                    {{{0x90, 60, 100}, true},
                     {{0x90, 64, 100}, true},
                     {{0x80, 60, 0}, true},
                     {{0x90, 60, 90}, true},
                     {{0x80, 64, 0}, true},
                     {{0x80, 60, 0}, false}}},
        TrackerCase{"ARepeatedNoteOnNeedsOneNoteOff",
                    {{{0x90, 60, 100}, true}, {{0x90, 60, 80}, true}, {{0x80, 60, 0}, false}}},
        TrackerCase{"NoteOffOfANoteNeverOnChangesNothing",
                    {{{0x80, 61, 0}, false}, {{0x90, 60, 100}, true}, {{0x80, 61, 0}, true}}},
        TrackerCase{"TheSameNoteOnTwoChannelsIsTwoNotes",
                    {{{0x90, 60, 100}, true},
                     {{0x9F, 60, 100}, true},
                     {{0x80, 60, 0}, true},
                     {{0x8F, 60, 0}, false}}},
        TrackerCase{"SustainPedalAtSixtyFourOrMore",
                    {{{0xB0, 64, 63}, false},
                     {{0xB0, 64, 64}, true},
                     {{0xB0, 64, 127}, true},
                     {{0xB0, 64, 63}, false},
                     {{0xB3, 64, 127}, true},
                     {{0xB0, 64, 0}, true},
                     {{0xB3, 64, 0}, false}}},
        TrackerCase{"PedalAndNoteTogether",
                    {{{0x90, 60, 100}, true},
                     {{0xB0, 64, 127}, true},
                     {{0x80, 60, 0}, true},
                     {{0xB0, 64, 0}, false}}},
        TrackerCase{"AllNotesOffEndsTheNotesOfItsChannelButNotThePedal",
                    {{{0x90, 60, 100}, true},
                     {{0x90, 62, 100}, true},
                     {{0x91, 60, 100}, true},
                     {{0xB0, 123, 0}, true},
                     {{0xB1, 120, 0}, false},
                     {{0xB0, 64, 127}, true},
                     {{0xB0, 123, 0}, true},
                     {{0x80, 60, 0}, true}}},
        TrackerCase{"OtherMessagesArePassedOver",
                    {{{0xB0, 1, 127}, false},   // modulation wheel
                     {{0xA0, 60, 100}, false},  // key pressure
                     {{0xE0, 0, 64}, false},    // pitch bend
                     {{0xC0, 5}, false},        // program change
                     {{0x90, 60}, false},       // cut short
                     {{0xFE}, false},           // active sensing
                     {{0xF0, 0x7E, 0xF7}, false}}}),
    [](const ::testing::TestParamInfo<TrackerCase>& info) { return info.param.name; });

// The paddles of the two adapter conventions and what stays a straight key,
// as {key, dit, dah, straightOnly} after each message.
TEST(MidiKeyTrackerPaddles, NotesOneAndTwentyAreDitTwoAndTwentyOneDahTheRestAStraightKey) {
  struct Step {
    Bytes message;
    KeyReading after;
  };
  const Step steps[] = {
      {{0x90, 1, 100}, {true, true, false, false}},
      {{0x93, 2, 100}, {true, true, true, false}},  // another channel, the other paddle
      {{0x80, 1, 0}, {true, false, true, false}},
      {{0x90, 20, 64}, {true, true, true, false}},
      {{0x83, 2, 0}, {true, true, false, false}},
      {{0x90, 21, 64}, {true, true, true, false}},
      {{0x90, 0, 64}, {true, true, true, true}},  // note 0: a straight key
      {{0x90, 20, 0}, {true, false, true, true}},
      {{0x80, 0, 0}, {true, false, true, false}},
      {{0x90, 3, 90}, {true, false, true, true}},      // any other note, too
      {{0xB0, 123, 0}, {false, false, false, false}},  // all notes off, paddles included
      {{0xB0, 64, 127}, {true, false, false, true}},   // the pedal
      {{0x90, 1, 100}, {true, true, false, true}},
      {{0xB0, 64, 0}, {true, true, false, false}},
      {{0x90, 1, 0}, {false, false, false, false}},
  };
  MidiKeyTracker tracker;
  for (size_t i = 0; i < std::size(steps); ++i) {
    EXPECT_EQ(tracker.Handle(steps[i].message), steps[i].after.key) << "step " << i;
    const KeyReading reading = tracker.Reading();
    EXPECT_EQ(reading.key, steps[i].after.key) << "step " << i;
    EXPECT_EQ(reading.dit, steps[i].after.dit) << "step " << i;
    EXPECT_EQ(reading.dah, steps[i].after.dah) << "step " << i;
    EXPECT_EQ(reading.straightOnly, steps[i].after.straightOnly) << "step " << i;
  }
}

// An ALSA sequencer as RtMidi's ALSA back-end shows it: ports named
// "client:port client-number:port-number", messages decoded from sequencer
// events. Ports come and go as the test says; messages are delivered from
// the test's thread, one at a time, as the back-end's input thread would.
class RecordedAlsa : public MidiInputs {
 public:
  struct State {
    std::mutex mutex;
    std::vector<std::string> ports;
    std::vector<std::string> refused;
    std::map<std::string, MidiMessageHandler> open;
    std::vector<std::string> opened;
    std::vector<std::string> closed;
  };
  explicit RecordedAlsa(State& state) : state_(state) {}

  std::vector<std::string> ListPorts() override {
    std::lock_guard lock(state_.mutex);
    return state_.ports;
  }
  std::unique_ptr<MidiConnection> Open(const std::string& port,
                                       MidiMessageHandler handler) override {
    std::lock_guard lock(state_.mutex);
    state_.opened.push_back(port);
    if (std::count(state_.refused.begin(), state_.refused.end(), port) > 0) return nullptr;
    state_.open[port] = std::move(handler);
    return std::make_unique<Connection>(state_, port);
  }

 private:
  class Connection : public MidiConnection {
   public:
    Connection(State& state, std::string port) : state_(state), port_(std::move(port)) {}
    ~Connection() override {
      std::lock_guard lock(state_.mutex);
      state_.open.erase(port_);
      state_.closed.push_back(port_);
    }

   private:
    State& state_;
    const std::string port_;
  };

  State& state_;
};

// One event of a recording: the port it came from and the message.
struct RecordedEvent {
  const char* port;
  Bytes message;
  bool keyDownAfter;
};

constexpr const char* kAdapter = "USB MIDI Key:USB MIDI Key MIDI 1 24:0";
constexpr const char* kPedal = "FS-5U:FS-5U MIDI 1 28:0";
constexpr const char* kThrough = "Midi Through:Midi Through Port-0 14:0";

class MidiKeyInputTest : public ::testing::Test {
 protected:
  MidiKeyInputTest() { state_.ports = {kThrough, kAdapter}; }

  // Plays one message from `port`; false when that port is not listened to.
  bool Play(const std::string& port, const Bytes& message) {
    MidiMessageHandler handler;
    {
      std::lock_guard lock(state_.mutex);
      const auto found = state_.open.find(port);
      if (found == state_.open.end()) return false;
      handler = found->second;
    }
    handler(message);
    return true;
  }
  void SetPorts(std::vector<std::string> ports) {
    std::lock_guard lock(state_.mutex);
    state_.ports = std::move(ports);
  }

  RecordedAlsa::State state_;
  MidiKeyInput key_{[this] {
    std::vector<std::unique_ptr<MidiInputs>> systems;
    systems.push_back(std::make_unique<RecordedAlsa>(state_));
    return systems;
  }};
};

TEST_F(MidiKeyInputTest, ARecordedAdapterAndAPedalPluggedInWhileKeying) {
  EXPECT_TRUE(state_.opened.empty()) << "nothing is opened before an exercise";
  key_.BeginKeying();
  EXPECT_EQ(state_.opened, (std::vector<std::string>{kThrough, kAdapter}));
  EXPECT_EQ(key_.InputsOpen(), 2);

  // The pedal is plugged in during the exercise and found at the next watch.
  SetPorts({kThrough, kAdapter, kPedal});
  EXPECT_FALSE(Play(kPedal, {0xB0, 64, 127}));
  key_.Watch();
  EXPECT_EQ(key_.InputsOpen(), 3);

  // A session as the ALSA back-end hands it on: the adapter keys notes on
  // channel 1, the pedal sends control 64 with 127 and 0. (Clock and
  // active-sensing bytes are left out by the back-end before they get here.)
  const RecordedEvent recording[] = {
      {kAdapter, {0x90, 69, 100}, true},
      {kAdapter, {0x80, 69, 0}, false},
      {kAdapter, {0x90, 69, 100}, true},
      {kAdapter, {0x80, 69, 0}, false},
      {kPedal, {0xB0, 64, 127}, true},
      {kPedal, {0xB0, 64, 0}, false},
      // Adapter and pedal overlap: the key is held while either holds it.
      {kAdapter, {0x90, 69, 100}, true},
      {kPedal, {0xB0, 64, 127}, true},
      {kAdapter, {0x80, 69, 0}, true},
      {kAdapter, {0x90, 72, 90}, true},
      {kPedal, {0xB0, 64, 0}, true},
      {kAdapter, {0x80, 72, 0}, false},
      // Another program sending through the kernel's "Midi Through" port.
      {kThrough, {0x90, 60, 64}, true},
      {kAdapter, {0x90, 60, 64}, true},
      {kThrough, {0x80, 60, 64}, true},
      {kAdapter, {0x80, 60, 64}, false},
  };
  uint64_t taken = key_.MessagesTaken();
  for (size_t i = 0; i < std::size(recording); ++i) {
    ASSERT_TRUE(Play(recording[i].port, recording[i].message)) << i;
    EXPECT_EQ(key_.MessagesTaken(), ++taken) << i;
    EXPECT_EQ(key_.IsDown(), recording[i].keyDownAfter) << i;
  }

  key_.EndKeying();
  EXPECT_EQ(key_.InputsOpen(), 0);
  EXPECT_TRUE(state_.open.empty()) << "every input is closed at the end";
}

// A paddle adapter on one input and a pedal on another: each field is held
// while any input holds it, and an unplugged adapter lets go of its paddles.
TEST_F(MidiKeyInputTest, PaddlesOfOneInputAndAPedalOfAnotherAreReadTogether) {
  key_.BeginKeying();
  const auto reading = [this] {
    const KeyReading r = key_.Read();
    return std::vector<bool>{r.key, r.dit, r.dah, r.straightOnly};
  };
  ASSERT_TRUE(Play(kAdapter, {0x90, 1, 100}));
  ASSERT_TRUE(Play(kThrough, {0x90, 2, 100}));
  EXPECT_EQ(reading(), (std::vector<bool>{true, true, true, false}));
  ASSERT_TRUE(Play(kThrough, {0xB0, 64, 127}));
  EXPECT_EQ(reading(), (std::vector<bool>{true, true, true, true}));

  SetPorts({kThrough});
  key_.Watch();
  EXPECT_EQ(reading(), (std::vector<bool>{true, false, true, true}));
  ASSERT_TRUE(Play(kThrough, {0x80, 2, 0}));
  ASSERT_TRUE(Play(kThrough, {0xB0, 64, 0}));
  EXPECT_EQ(reading(), (std::vector<bool>{false, false, false, false}));
  EXPECT_FALSE(key_.IsDown());
  key_.EndKeying();
}

TEST_F(MidiKeyInputTest, ADeviceUnpluggedWithItsNoteDownReadsUp) {
  key_.BeginKeying();
  ASSERT_TRUE(Play(kAdapter, {0x90, 69, 100}));
  ASSERT_TRUE(Play(kThrough, {0xB0, 64, 127}));
  ASSERT_TRUE(key_.IsDown());

  // The adapter goes; its note-off never comes. The pedal on the other
  // input still holds the key until it is let go.
  SetPorts({kThrough});
  key_.Watch();
  EXPECT_EQ(state_.closed, std::vector<std::string>{kAdapter});
  EXPECT_TRUE(key_.IsDown());
  ASSERT_TRUE(Play(kThrough, {0xB0, 64, 0}));
  EXPECT_FALSE(key_.IsDown());

  // Plugged in again (under a new client number), it starts afresh.
  const std::string again = "USB MIDI Key:USB MIDI Key MIDI 1 25:0";
  SetPorts({kThrough, again});
  key_.Watch();
  EXPECT_FALSE(key_.IsDown());
  ASSERT_TRUE(Play(again, {0x90, 69, 100}));
  EXPECT_TRUE(key_.IsDown());

  // Everything unplugged at once while held.
  SetPorts({});
  key_.Watch();
  EXPECT_FALSE(key_.IsDown());
  EXPECT_EQ(key_.InputsOpen(), 0);
  key_.EndKeying();
}

TEST_F(MidiKeyInputTest, TheEndOfAnExerciseLetsGoOfAHeldKey) {
  key_.BeginKeying();
  ASSERT_TRUE(Play(kAdapter, {0x90, 69, 100}));
  ASSERT_TRUE(key_.IsDown());
  key_.EndKeying();
  EXPECT_FALSE(key_.IsDown());

  // The next exercise opens the inputs anew, the key up.
  key_.BeginKeying();
  EXPECT_FALSE(key_.IsDown());
  ASSERT_TRUE(Play(kAdapter, {0x80, 69, 0}));
  EXPECT_FALSE(key_.IsDown()) << "a note-off from before does not count twice";
  ASSERT_TRUE(Play(kAdapter, {0x90, 69, 100}));
  EXPECT_TRUE(key_.IsDown());
  key_.EndKeying();
}

TEST_F(MidiKeyInputTest, AnInputThatWillNotOpenIsTriedAgainOnlyWhenItComesBack) {
  state_.refused = {kAdapter};
  key_.BeginKeying();
  key_.Watch();
  key_.Watch();
  EXPECT_EQ(std::count(state_.opened.begin(), state_.opened.end(), kAdapter), 1);
  EXPECT_EQ(key_.InputsOpen(), 1);

  state_.refused.clear();
  SetPorts({kThrough});
  key_.Watch();
  SetPorts({kThrough, kAdapter});
  key_.Watch();
  EXPECT_EQ(std::count(state_.opened.begin(), state_.opened.end(), kAdapter), 2);
  ASSERT_TRUE(Play(kAdapter, {0x90, 69, 100}));
  EXPECT_TRUE(key_.IsDown());
  key_.EndKeying();
}

}  // namespace
}  // namespace dovrik
