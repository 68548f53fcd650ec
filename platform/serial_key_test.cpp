#include "platform/serial_key.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace dovrik {
namespace {

// A port whose lines the test sets; it can refuse to open or go away.
class FakePort : public ModemLinePort {
 public:
  struct Record {
    std::vector<std::string> opened;
    int reads = 0;
    int closes = 0;
  };
  explicit FakePort(Record& record) : record_(record) {}

  bool Open(const std::string& device, std::string& problem) override {
    record_.opened.push_back(device);
    if (!openError.empty()) problem = openError;
    return openError.empty();
  }
  bool Read(unsigned& lines, std::string& problem) override {
    ++record_.reads;
    if (gone) {
      problem = "cannot read its modem lines: Input/output error";
      return false;
    }
    lines = this->lines;
    return true;
  }
  void Close() override { ++record_.closes; }

  std::string openError;
  unsigned lines = 0;
  bool gone = false;

 private:
  Record& record_;
};

class SerialKeyTest : public ::testing::Test {
 protected:
  SerialKeyTest() {
    auto port = std::make_unique<FakePort>(record_);
    port_ = port.get();
    key_ = std::make_unique<SerialKeyInput>(
        "/dev/ttyUSB0", std::move(port),
        [this](const std::string& line) { reports_.push_back(line); });
  }

  FakePort::Record record_;
  FakePort* port_ = nullptr;
  std::vector<std::string> reports_;
  std::unique_ptr<SerialKeyInput> key_;
};

TEST_F(SerialKeyTest, CtsDsrOrDcdHoldTheKeyDownButRingAloneDoesNot) {
  // Before the exercise the port is not even opened.
  EXPECT_FALSE(key_->IsDown());
  EXPECT_TRUE(record_.opened.empty());
  EXPECT_EQ(record_.reads, 0);

  key_->BeginKeying();
  ASSERT_EQ(record_.opened, std::vector<std::string>{"/dev/ttyUSB0"});
  const struct {
    unsigned lines;
    bool down;
  } cases[] = {{0, false},
               {ModemLinePort::kRing, false},
               {ModemLinePort::kCts, true},
               {ModemLinePort::kDsr, true},
               {ModemLinePort::kDcd, true},
               {ModemLinePort::kRing | ModemLinePort::kDcd, true},
               {ModemLinePort::kCts | ModemLinePort::kDsr | ModemLinePort::kDcd, true},
               {0, false}};
  for (const auto& c : cases) {
    port_->lines = c.lines;
    EXPECT_EQ(key_->IsDown(), c.down) << "lines " << c.lines;
  }
  key_->EndKeying();
  EXPECT_EQ(record_.closes, 1);
  EXPECT_TRUE(reports_.empty());

  // After the exercise the lines are no longer read.
  port_->lines = ModemLinePort::kCts;
  const int reads = record_.reads;
  EXPECT_FALSE(key_->IsDown());
  EXPECT_EQ(record_.reads, reads);
}

// Paddles wired as the help says: dit to DSR, dah to CTS, a straight key
// (or foot switch) to DCD; the straight key's reading stays as above.
TEST_F(SerialKeyTest, DitOnDsrDahOnCtsAndDcdAStraightKeyUnderAKeyer) {
  key_->BeginKeying();
  using L = ModemLinePort;
  const struct {
    unsigned lines;
    KeyReading expected;
  } cases[] = {{0, {false, false, false, false}},
               {L::kDsr, {true, true, false, false}},
               {L::kCts, {true, false, true, false}},
               {L::kCts | L::kDsr, {true, true, true, false}},
               {L::kDcd, {true, false, false, true}},
               {L::kRing, {false, false, false, false}},
               {L::kDsr | L::kDcd | L::kRing, {true, true, false, true}}};
  for (const auto& c : cases) {
    port_->lines = c.lines;
    const KeyReading reading = key_->Read();
    EXPECT_EQ(reading.key, c.expected.key) << "lines " << c.lines;
    EXPECT_EQ(reading.dit, c.expected.dit) << "lines " << c.lines;
    EXPECT_EQ(reading.dah, c.expected.dah) << "lines " << c.lines;
    EXPECT_EQ(reading.straightOnly, c.expected.straightOnly) << "lines " << c.lines;
  }
  // Lost while both paddles are held: everything reads up, reported once.
  port_->lines = L::kCts | L::kDsr | L::kDcd;
  port_->gone = true;
  const KeyReading lost = key_->Read();
  EXPECT_FALSE(lost.key || lost.dit || lost.dah || lost.straightOnly);
  key_->EndKeying();
  EXPECT_EQ(reports_.size(), 1u);
}

TEST_F(SerialKeyTest, APortThatWillNotOpenReadsUpAndIsReportedOncePerExercise) {
  port_->openError = "cannot open it: No such file or directory";
  port_->lines = ModemLinePort::kCts;
  key_->BeginKeying();
  for (int tick = 0; tick < 5; ++tick) EXPECT_FALSE(key_->IsDown());
  key_->Watch();
  key_->EndKeying();
  EXPECT_EQ(record_.reads, 0);
  EXPECT_EQ(record_.closes, 0) << "nothing was open";
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0],
            "serial key /dev/ttyUSB0: cannot open it: No such file or directory; it reads as key "
            "up");

  // The next exercise tries again; plugged in meanwhile, the port keys.
  port_->openError.clear();
  key_->BeginKeying();
  EXPECT_TRUE(key_->IsDown());
  key_->EndKeying();
  EXPECT_EQ(reports_.size(), 1u);
}

TEST_F(SerialKeyTest, APortThatGoesAwayWhileKeyedReadsUpAndIsReportedOnce) {
  key_->BeginKeying();
  port_->lines = ModemLinePort::kDsr;
  EXPECT_TRUE(key_->IsDown());
  key_->Watch();
  EXPECT_TRUE(reports_.empty());

  port_->gone = true;
  EXPECT_FALSE(key_->IsDown());
  const int reads = record_.reads;
  for (int tick = 0; tick < 5; ++tick) EXPECT_FALSE(key_->IsDown());
  EXPECT_EQ(record_.reads, reads) << "a lost port is not read again in this exercise";
  key_->Watch();
  key_->Watch();
  key_->EndKeying();
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0],
            "serial key /dev/ttyUSB0: cannot read its modem lines: Input/output error; it reads "
            "as key up");
  EXPECT_EQ(record_.closes, 1);
}

TEST_F(SerialKeyTest, ALossInTheLastMomentsIsReportedWhenTheExerciseEnds) {
  key_->BeginKeying();
  port_->gone = true;
  EXPECT_FALSE(key_->IsDown());
  key_->EndKeying();
  EXPECT_EQ(reports_.size(), 1u);
}

// The real port on what a test machine has: a missing device and a
// pseudo-terminal, which has no modem lines.
TEST(PosixModemLinePortTest, RefusesAMissingDeviceAndATerminalWithoutModemLines) {
  const std::unique_ptr<ModemLinePort> port = MakePosixModemLinePort();
  std::string problem;
  EXPECT_FALSE(port->Open("/dev/dovrik-no-such-port", problem));
  EXPECT_EQ(problem, "cannot open it: No such file or directory");

  int master = -1;
  int follower = -1;
  char name[256] = {};
  ASSERT_EQ(openpty(&master, &follower, name, nullptr, nullptr), 0);
  problem.clear();
  EXPECT_FALSE(port->Open(name, problem));
  EXPECT_EQ(problem, "cannot raise DTR and RTS: Inappropriate ioctl for device");
  unsigned lines = 0;
  EXPECT_FALSE(port->Read(lines, problem)) << "nothing is left open";
  port->Close();
  close(follower);
  close(master);
}

}  // namespace
}  // namespace dovrik
