#include "platform/key_sources.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/support/fake_call_log.h"

namespace dovrik {
namespace {

using testing::CallLog;

class LoggedSource : public KeyInput {
 public:
  LoggedSource(const char* name, CallLog& log) : name_(name), log_(log) {}
  bool IsDown() override {
    ++reads;
    return down.load();
  }
  void BeginKeying() override { log_.Add(std::string(name_) + " begin"); }
  void EndKeying() override { log_.Add(std::string(name_) + " end"); }
  void Watch() override { watches.fetch_add(1); }

  std::atomic<bool> down{false};
  std::atomic<int> watches{0};
  int reads = 0;

 private:
  const char* name_;
  CallLog& log_;
};

TEST(KeySourcesTest, DownWhileAnySourceIsDownAndEverySourceIsReadEachTick) {
  CallLog log;
  LoggedSource joystick("joystick", log);
  LoggedSource midi("midi", log);
  LoggedSource serial("serial", log);
  KeySources key({&joystick, &midi, &serial});

  const bool cases[][3] = {{false, false, false}, {true, false, false}, {false, true, false},
                           {false, false, true},  {true, true, false},  {false, true, true}};
  for (const auto& c : cases) {
    joystick.down = c[0];
    midi.down = c[1];
    serial.down = c[2];
    EXPECT_EQ(key.IsDown(), c[0] || c[1] || c[2]) << c[0] << c[1] << c[2];
  }
  EXPECT_EQ(joystick.reads, 6);
  EXPECT_EQ(midi.reads, 6);
  EXPECT_EQ(serial.reads, 6);
}

// A source with paddles, read through Read only.
class PaddleSource : public KeyInput {
 public:
  bool IsDown() override {
    ADD_FAILURE() << "a reading takes Read, not IsDown";
    return reading.key;
  }
  KeyReading Read() override {
    ++reads;
    return reading;
  }
  KeyReading reading;
  int reads = 0;
};

TEST(KeySourcesTest, ReadingsAreOredFieldByFieldAndAPlainKeyStaysAStraightKey) {
  CallLog log;
  PaddleSource keyboard;
  PaddleSource serial;
  LoggedSource plain("plain", log);  // a source that knows only IsDown
  KeySources key({&keyboard, &serial, &plain});

  const auto fields = [&] {
    const KeyReading r = key.Read();
    return std::vector<bool>{r.key, r.dit, r.dah, r.straightOnly};
  };
  EXPECT_EQ(fields(), (std::vector<bool>{false, false, false, false}));
  keyboard.reading = {true, true, false, false};
  serial.reading = {true, false, true, false};
  EXPECT_EQ(fields(), (std::vector<bool>{true, true, true, false}));
  keyboard.reading = {};
  serial.reading = {true, false, false, true};
  EXPECT_EQ(fields(), (std::vector<bool>{true, false, false, true}));
  serial.reading = {};
  plain.down = true;
  EXPECT_EQ(fields(), (std::vector<bool>{true, false, false, true}));
  EXPECT_EQ(keyboard.reads, 4);
  EXPECT_EQ(serial.reads, 4);
  EXPECT_EQ(plain.reads, 4);
}

TEST(KeySourcesTest, WatchesEverySourceOnlyBetweenBeginAndEnd) {
  CallLog log;
  LoggedSource midi("midi", log);
  LoggedSource serial("serial", log);
  KeySources key({&midi, &serial});

  key.BeginKeying();
  // The watch thread comes round within a quarter second; wait up to 10 s.
  for (int i = 0; i < 1000 && (midi.watches == 0 || serial.watches == 0); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  key.EndKeying();
  EXPECT_GT(midi.watches.load(), 0);
  EXPECT_GT(serial.watches.load(), 0);
  const int watched = midi.watches.load();
  EXPECT_EQ(log.Entries(),
            (std::vector<std::string>{"midi begin", "serial begin", "midi end", "serial end"}));

  // Ended: the watch thread is gone, so nothing watches any more.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(midi.watches.load(), watched);

  // A second exercise watches again.
  key.BeginKeying();
  for (int i = 0; i < 1000 && midi.watches == watched; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  key.EndKeying();
  EXPECT_GT(midi.watches.load(), watched);
}

}  // namespace
}  // namespace dovrik
