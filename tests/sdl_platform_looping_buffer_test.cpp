// The SDL side-tone buffer in real runs: the disk driver records what it
// plays, the dummy driver runs it without a sound card.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio_format.h"
#include "platform/sdl/sdl_audio_system.h"
#include "platform/sdl/sdl_looping_buffer.h"
#include "platform/sdl/sdl_playback_device.h"
#include "platform/sdl/sdl_sound_device.h"
#include "tests/support/sdl_test_support.h"

namespace dovrik {
namespace {

using std::chrono::milliseconds;

constexpr uint32_t kSideToneBytes = kBytesPerSecond;  // the keying exercise's one second

std::string RecordingPath() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return ::testing::TempDir() + "dovrik_" + test->name() + "_" + std::to_string(getpid()) + ".raw";
}

// Writes `samples` at `offset` through Lock and Unlock; false when the lock fails.
bool WriteSamples(LoopingSoundBuffer& buffer, uint32_t offset,
                  const std::vector<int16_t>& samples) {
  const auto bytes = static_cast<uint32_t>(samples.size() * sizeof(int16_t));
  const LockedRegions regions = buffer.Lock(offset, bytes);
  if (!regions.Granted()) return false;
  std::memcpy(regions.first, samples.data(), regions.firstBytes);
  if (regions.secondBytes > 0) {
    std::memcpy(regions.second, reinterpret_cast<const uint8_t*>(samples.data()) + regions.firstBytes,
                regions.secondBytes);
  }
  buffer.Unlock(regions);
  return true;
}

// 1, 2, 3, ...: every sample of the ring tells where it came from.
std::vector<int16_t> Pattern(uint32_t bytes) {
  std::vector<int16_t> samples(bytes / 2);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i + 1);
  return samples;
}

// Waits until the write cursor is at least `bytes` past `from`.
bool WaitForProgress(LoopingSoundBuffer& buffer, uint32_t from, uint32_t bytes) {
  const auto end = std::chrono::steady_clock::now() + milliseconds(5000);
  for (;;) {
    uint32_t play = 0;
    uint32_t write = 0;
    buffer.GetCurrentPosition(play, write);
    if ((write + buffer.Size() - from) % buffer.Size() >= bytes) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(milliseconds(1));
  }
}

size_t FirstSound(const std::vector<int16_t>& recording) {
  return std::find_if(recording.begin(), recording.end(), [](int16_t s) { return s != 0; }) -
         recording.begin();
}

// Waits until the device has met the end of what was written.
bool WaitForUnderrun(LoopingSoundBuffer& buffer) {
  const auto end = std::chrono::steady_clock::now() + milliseconds(5000);
  while (buffer.Underruns() == 0) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(milliseconds(1));
  }
  return true;
}

TEST(SdlLoopingBufferTest, PlaysEachWrittenLapOnceThenSilenceUntilWrittenAgain) {
  const std::string path = RecordingPath();
  const uint32_t bytes = 4410;  // a tenth of a second, so that laps come quickly
  const std::vector<int16_t> pattern = Pattern(bytes);
  uint32_t underruns = 0;
  {
    ScopedAudioDriver driver("disk", path);
    ASSERT_TRUE(driver.ok());
    auto device = SdlAudioSystem().CreateSoundDevice();
    ASSERT_NE(device, nullptr);
    auto buffer = device->CreateLoopingBuffer(bytes);
    ASSERT_NE(buffer, nullptr);
    ASSERT_TRUE(WriteSamples(*buffer, 0, pattern));
    buffer->Play();
    ASSERT_TRUE(WaitForUnderrun(*buffer));
    uint32_t play = 0;
    uint32_t write = 1;
    buffer->GetCurrentPosition(play, write);
    EXPECT_EQ(write, 0u) << "the cursor waits at the end of what was written";
    // Written again at the cursor, the next lap plays it.
    std::this_thread::sleep_for(milliseconds(30));
    ASSERT_TRUE(WriteSamples(*buffer, 0, pattern));
    ASSERT_TRUE(WaitForProgress(*buffer, 0, bytes / 2));
    std::this_thread::sleep_for(milliseconds(200));
    buffer->Stop();
    underruns = buffer->Underruns();
  }
  const std::vector<int16_t> recording = ReadRecording(path);
  std::remove(path.c_str());

  EXPECT_EQ(underruns, 2u) << "once after each written lap";
  // Two runs of the pattern, each exactly once, with silence between them
  // and after them: the ring's old bytes never came out a second time.
  size_t at = FirstSound(recording);
  for (int lap = 0; lap < 2; ++lap) {
    ASSERT_LE(at + pattern.size(), recording.size()) << "lap " << lap;
    for (size_t i = 0; i < pattern.size(); ++i) {
      ASSERT_EQ(recording[at + i], pattern[i]) << "lap " << lap << " sample " << i;
    }
    at += pattern.size();
    ASSERT_LT(at, recording.size());
    EXPECT_EQ(recording[at], 0) << "lap " << lap;
    if (lap == 0)
      at = std::find_if(recording.begin() + at, recording.end(), [](int16_t s) { return s != 0; }) -
           recording.begin();
  }
  EXPECT_TRUE(
      std::all_of(recording.begin() + at, recording.end(), [](int16_t s) { return s == 0; }));
}

TEST(SdlLoopingBufferTest, WriteAtTheWriteCursorFollowsWhatWasQueuedAndEndsTheStream) {
  const std::string path = RecordingPath();
  const std::vector<int16_t> pattern = Pattern(kSideToneBytes);  // 1 .. 22050
  std::vector<int16_t> marker(200);
  for (size_t i = 0; i < marker.size(); ++i) marker[i] = static_cast<int16_t>(30000 + i);
  uint32_t writeCursor = 0;
  {
    ScopedAudioDriver driver("disk", path);
    ASSERT_TRUE(driver.ok());
    auto device = SdlAudioSystem().CreateSoundDevice();
    ASSERT_NE(device, nullptr);
    auto buffer = device->CreateLoopingBuffer(kSideToneBytes);
    ASSERT_NE(buffer, nullptr);
    ASSERT_TRUE(WriteSamples(*buffer, 0, pattern));
    buffer->Play();
    std::this_thread::sleep_for(milliseconds(50));
    // The cursor can move between reading it and taking the lock; while the
    // lock is held it cannot. Write only when it is still where we read it.
    for (;;) {
      uint32_t playCursor = 0;
      uint32_t before = 0;
      uint32_t after = 0;
      ASSERT_TRUE(buffer->GetCurrentPosition(playCursor, before));
      const LockedRegions regions = buffer->Lock(before, 400);
      ASSERT_TRUE(regions.Granted());
      ASSERT_TRUE(buffer->GetCurrentPosition(playCursor, after));
      if (after == before) {
        ASSERT_EQ(regions.Bytes(), 400u);
        std::memcpy(regions.first, marker.data(), regions.firstBytes);
        if (regions.secondBytes > 0) {
          std::memcpy(regions.second, reinterpret_cast<uint8_t*>(marker.data()) + regions.firstBytes,
                      regions.secondBytes);
        }
        writeCursor = before;
        buffer->Unlock(regions);
        break;
      }
      buffer->Unlock(regions);
    }
    ASSERT_TRUE(WaitForUnderrun(*buffer));
    std::this_thread::sleep_for(milliseconds(30));
    buffer->Stop();
  }
  const std::vector<int16_t> recording = ReadRecording(path);
  std::remove(path.c_str());

  // The stream is the ring from its start up to the write cursor, the
  // marker right after it, then silence: the newest write says where the
  // written stream ends, so the rest of the old lap never plays.
  ASSERT_GT(writeCursor, 0u);
  std::vector<int16_t> expected(pattern.begin(), pattern.begin() + writeCursor / 2);
  expected.insert(expected.end(), marker.begin(), marker.end());
  const size_t start = FirstSound(recording);
  ASSERT_LT(start + expected.size() + 256, recording.size());
  EXPECT_EQ(
      std::vector<int16_t>(recording.begin() + start, recording.begin() + start + expected.size()),
      expected);
  EXPECT_TRUE(std::all_of(recording.begin() + start + expected.size(), recording.end(),
                          [](int16_t s) { return s == 0; }));
}

TEST(SdlLoopingBufferTest, LockGivesTwoRegionsAcrossTheEndAndRefusesBadSpans) {
  ScopedAudioDriver driver("dummy");
  ASSERT_TRUE(driver.ok());
  auto device = SdlAudioSystem().CreateSoundDevice();
  ASSERT_NE(device, nullptr);
  auto buffer = device->CreateLoopingBuffer(kSideToneBytes);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(buffer->Size(), kSideToneBytes);

  struct Case {
    uint32_t offset;
    uint32_t bytes;
    bool locks;
    uint32_t bytes1;
    uint32_t bytes2;
  };
  const Case cases[] = {
      {kSideToneBytes - 200, 500, true, 200, 300},  // wraps: 200 at the end, 300 at the start
      {0, kSideToneBytes, true, kSideToneBytes, 0},
      {1000, 1324, true, 1324, 0},
      {kSideToneBytes - 2, kSideToneBytes, true, 2, kSideToneBytes - 2},
      {kSideToneBytes, 2, false, 0, 0},      // offset outside
      {0, 0, false, 0, 0},                   // nothing
      {0, kSideToneBytes + 2, false, 0, 0},  // more than the buffer
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "offset " << c.offset << " bytes " << c.bytes);
    const LockedRegions regions = buffer->Lock(c.offset, c.bytes);
    ASSERT_EQ(regions.Granted(), c.locks);
    EXPECT_EQ(regions.firstBytes, c.bytes1);
    EXPECT_EQ(regions.secondBytes, c.bytes2);
    EXPECT_EQ(regions.second != nullptr, c.bytes2 > 0);
    if (c.bytes2 > 0) {
      EXPECT_EQ(static_cast<uint8_t*>(regions.first) + regions.firstBytes - kSideToneBytes,
                regions.second)
          << "the second region is the start of the buffer";
    }
    if (c.locks) buffer->Unlock(regions);
  }

  // A second lock before the first is handed back fails and gives nothing.
  const LockedRegions held = buffer->Lock(0, 100);
  ASSERT_TRUE(held.Granted());
  const LockedRegions again = buffer->Lock(200, 100);
  EXPECT_FALSE(again.Granted());
  EXPECT_EQ(again.Bytes(), 0u);
  buffer->Unlock(held);
  EXPECT_TRUE(WriteSamples(*buffer, 200, std::vector<int16_t>(50, 1)));
}

TEST(SdlLoopingBufferTest, CursorsStayPutWhileStoppedAndPlayResumesThere) {
  ScopedAudioDriver driver("dummy");
  ASSERT_TRUE(driver.ok());
  auto device = SdlAudioSystem().CreateSoundDevice();
  ASSERT_NE(device, nullptr);
  auto buffer = device->CreateLoopingBuffer(kSideToneBytes);
  ASSERT_NE(buffer, nullptr);
  uint32_t play = 1;
  uint32_t write = 1;
  std::this_thread::sleep_for(milliseconds(30));
  ASSERT_TRUE(buffer->GetCurrentPosition(play, write));
  EXPECT_EQ(play, 0u) << "never played";
  EXPECT_EQ(write, 0u) << "never played";

  const auto waitForMove = [&](uint32_t from) {
    const auto end = std::chrono::steady_clock::now() + milliseconds(5000);
    while (std::chrono::steady_clock::now() < end) {
      buffer->GetCurrentPosition(play, write);
      if (write != from) return true;
      std::this_thread::sleep_for(milliseconds(1));
    }
    return false;
  };
  buffer->Play();
  ASSERT_TRUE(waitForMove(0));
  buffer->Stop();
  uint32_t stoppedPlay = 0;
  uint32_t stoppedWrite = 0;
  buffer->GetCurrentPosition(stoppedPlay, stoppedWrite);
  std::this_thread::sleep_for(milliseconds(30));
  buffer->GetCurrentPosition(play, write);
  EXPECT_EQ(play, stoppedPlay);
  EXPECT_EQ(write, stoppedWrite);
  const uint32_t chunk = SideToneOutput::kFramesPerPeriod * 2;
  EXPECT_EQ(stoppedWrite % chunk, 0u) << "whole chunks from offset 0 (less than a lap)";
  EXPECT_EQ((stoppedWrite + kSideToneBytes - stoppedPlay) % kSideToneBytes, chunk)
      << "the play cursor is the start of the last chunk handed out";

  buffer->Play();
  ASSERT_TRUE(waitForMove(stoppedWrite));
  EXPECT_EQ((write + kSideToneBytes - stoppedWrite) % kSideToneBytes % chunk, 0u)
      << "resumed where it stopped";
}

TEST(SdlSoundDeviceTest, MakesOneBufferOfWholeSamplesAtATime) {
  ScopedAudioDriver driver("dummy");
  ASSERT_TRUE(driver.ok());
  auto device = SdlAudioSystem().CreateSoundDevice();
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->CreateLoopingBuffer(0), nullptr);
  EXPECT_EQ(device->CreateLoopingBuffer(kSideToneBytes + 1), nullptr) << "half a sample";
  auto first = device->CreateLoopingBuffer(kSideToneBytes);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(device->CreateLoopingBuffer(kSideToneBytes), nullptr) << "one at a time";
  first.reset();
  auto second = device->CreateLoopingBuffer(kSideToneBytes);
  ASSERT_NE(second, nullptr);

  // Released in the other order, the buffer still works until it goes.
  device.reset();
  second->Play();
  EXPECT_TRUE(WriteSamples(*second, 0, std::vector<int16_t>(100, 5)));
  second->Stop();
}

// SDL's pipewire driver hands the server one period per cycle: a user's
// PIPEWIRE_LATENCY sets the cycle, and the period must cover it at either
// graph rate, with the cycle rounded up to a power of two.
TEST(SdlPlaybackDeviceTest, PeriodCoversThePipewireCycleTheUserAskedFor) {
  EXPECT_EQ(PeriodCoveringTheCycle(128, "pipewire", "441/22050"), 512)
      << "960 frames at 48 kHz run as 1024 (21.3 ms), 882 at 44.1 kHz as 1024 (23.2 ms)";
  EXPECT_EQ(PeriodCoveringTheCycle(128, "pipewire", "1024/48000"), 512);
  EXPECT_EQ(PeriodCoveringTheCycle(512, "pipewire", "64/48000"), 512) << "never shorter";
  EXPECT_EQ(PeriodCoveringTheCycle(128, "pipewire", "100000/1"), 8192) << "bounded";
  EXPECT_EQ(PeriodCoveringTheCycle(128, "pipewire", nullptr), 128);
  EXPECT_EQ(PeriodCoveringTheCycle(128, "pulseaudio", "441/22050"), 128)
      << "libpulse does not read it";
  for (const char* unreadable : {"", "441", "0/48000", "441/0", "-5/48000", "441/22050ms", "x/y"}) {
    EXPECT_EQ(PeriodCoveringTheCycle(128, "pipewire", unreadable), 128) << unreadable;
  }
}

}  // namespace
}  // namespace dovrik
