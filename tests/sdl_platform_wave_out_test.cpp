// The SDL wave-out device in real runs: the disk driver records what it
// plays, the dummy driver runs it without a sound card.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio_format.h"
#include "platform/messages.h"
#include "platform/sdl/sdl_audio_system.h"
#include "platform/sdl/sdl_wave_out.h"
#include "platform/thread_queue.h"
#include "tests/support/sdl_test_support.h"

namespace dovrik {
namespace {

using std::chrono::milliseconds;

std::string RecordingPath() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = test->name();
  std::replace(name.begin(), name.end(), '/', '_');  // parameterised names
  return ::testing::TempDir() + "dovrik_" + name + "_" + std::to_string(getpid()) + ".raw";
}

// Takes the next message, waiting at most a few seconds.
bool NextMessage(ThreadQueue& queue, QueuedMessage& message) {
  const auto end = std::chrono::steady_clock::now() + milliseconds(5000);
  while (!queue.Peek(message)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(milliseconds(1));
  }
  return true;
}

// Waits until the disk driver's file holds `value` (it writes through a
// buffered file, so this lags the device a little).
bool WaitForRecorded(const std::string& path, int16_t value) {
  const auto end = std::chrono::steady_clock::now() + milliseconds(5000);
  for (;;) {
    const std::vector<int16_t> recording = ReadRecording(path);
    if (std::find(recording.begin(), recording.end(), value) != recording.end()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(milliseconds(5));
  }
}

struct Buffer {
  explicit Buffer(std::vector<int16_t> values) : samples(std::move(values)) {
    header.data = samples.data();
    header.bufferLength = static_cast<uint32_t>(samples.size() * sizeof(int16_t));
    header.user = reinterpret_cast<uintptr_t>(samples.data());
  }
  std::vector<int16_t> samples;
  WaveHeader header;
};

std::vector<int16_t> Ramp(size_t count, int first, int step) {
  std::vector<int16_t> values(count);
  for (size_t i = 0; i < count; ++i) values[i] = static_cast<int16_t>(first + step * int(i));
  return values;
}

size_t FirstSound(const std::vector<int16_t>& recording) {
  return std::find_if(recording.begin(), recording.end(), [](int16_t s) { return s != 0; }) -
         recording.begin();
}

TEST(SdlWaveOutTest, TwoBuffersPlayBackToBackAndReturnInOrder) {
  const std::string path = RecordingPath();
  std::vector<int16_t> recording;
  Buffer first(Ramp(2205, 1000, 1));     // 0.1 s rising from 1000
  Buffer second(Ramp(2205, -1000, -1));  // 0.1 s falling from -1000
  {
    ScopedAudioDriver driver("disk", path);
    ASSERT_TRUE(driver.ok());
    ThreadQueue queue;
    SdlWaveOut out;
    ASSERT_TRUE(out.Open(queue));
    ASSERT_TRUE(out.Prepare(first.header));
    ASSERT_TRUE(out.Prepare(second.header));
    ASSERT_TRUE(out.Write(first.header));
    ASSERT_TRUE(out.Write(second.header));

    QueuedMessage message;
    ASSERT_TRUE(NextMessage(queue, message));
    EXPECT_EQ(message.message, MM_WOM_DONE);
    EXPECT_EQ(message.lParam, reinterpret_cast<intptr_t>(&first.header));
    ASSERT_TRUE(NextMessage(queue, message));
    EXPECT_EQ(message.message, MM_WOM_DONE);
    EXPECT_EQ(message.lParam, reinterpret_cast<intptr_t>(&second.header));
    EXPECT_EQ(first.header.flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    out.Unprepare(first.header);
    out.Unprepare(second.header);
    EXPECT_EQ(first.header.flags & WHDR_PREPARED, 0u);
    out.Close();
    EXPECT_FALSE(queue.Peek(message)) << "nothing more is returned";
  }
  recording = ReadRecording(path);
  std::remove(path.c_str());

  const size_t start = FirstSound(recording);
  ASSERT_GE(recording.size(), start + 4410);
  std::vector<int16_t> expected = first.samples;
  expected.insert(expected.end(), second.samples.begin(), second.samples.end());
  const std::vector<int16_t> played(recording.begin() + start, recording.begin() + start + 4410);
  EXPECT_EQ(played, expected);
  EXPECT_TRUE(std::all_of(recording.begin() + start + 4410, recording.end(), [](int16_t s) {
    return s == 0;
  })) << "silence follows the last buffer";
}

TEST(SdlWaveOutTest, ResetStopsAtOnceAndReturnsEveryQueuedBuffer) {
  const std::string path = RecordingPath();
  Buffer first(std::vector<int16_t>(kSampleRate, 1234));  // one second each
  Buffer second(std::vector<int16_t>(kSampleRate, -4321));
  std::vector<int16_t> recording;
  {
    ScopedAudioDriver driver("disk", path);
    ASSERT_TRUE(driver.ok());
    ThreadQueue queue;
    SdlWaveOut out;
    ASSERT_TRUE(out.Open(queue));
    ASSERT_TRUE(out.Prepare(first.header));
    ASSERT_TRUE(out.Prepare(second.header));
    ASSERT_TRUE(out.Write(first.header));
    ASSERT_TRUE(out.Write(second.header));
    ASSERT_TRUE(WaitForRecorded(path, 1234)) << "the first buffer is playing";
    out.Reset();

    // Both are back by the time Reset returns, in the order written.
    QueuedMessage message;
    ASSERT_TRUE(queue.Peek(message));
    EXPECT_EQ(message.lParam, reinterpret_cast<intptr_t>(&first.header));
    ASSERT_TRUE(queue.Peek(message));
    EXPECT_EQ(message.lParam, reinterpret_cast<intptr_t>(&second.header));
    EXPECT_FALSE(queue.Peek(message));
    EXPECT_EQ(second.header.flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);

    // The device goes on: a buffer written after the reset plays and returns.
    Buffer third(std::vector<int16_t>(441, 777));
    ASSERT_TRUE(out.Prepare(third.header));
    ASSERT_TRUE(out.Write(third.header));
    ASSERT_TRUE(NextMessage(queue, message));
    EXPECT_EQ(message.lParam, reinterpret_cast<intptr_t>(&third.header));
    out.Close();
  }
  recording = ReadRecording(path);
  std::remove(path.c_str());

  const auto count = [&](int16_t value) {
    return std::count(recording.begin(), recording.end(), value);
  };
  EXPECT_GT(count(1234), 0);
  EXPECT_LT(count(1234), kSampleRate) << "the first buffer was cut short";
  EXPECT_EQ(count(-4321), 0) << "the second buffer never played";
  EXPECT_EQ(count(777), 441);
}

// Volume: the low 16 bits are the gain v / 65535; the high half (the right
// channel) does not matter on a mono device.
class SdlWaveOutVolumeTest : public ::testing::TestWithParam<uint32_t> {};

TEST_P(SdlWaveOutVolumeTest, ScalesEverySample) {
  const uint32_t volume = GetParam();
  const int32_t gain = static_cast<int32_t>(volume & 0xFFFF);
  const std::string path = RecordingPath();
  Buffer tone(Ramp(1102, 1000, 28));  // magnitudes 1000 .. 31828, signs alternating
  for (size_t i = 0; i < tone.samples.size(); ++i) {
    if (i % 2) tone.samples[i] = static_cast<int16_t>(-tone.samples[i]);
  }
  tone.samples.back() = -32768;
  std::vector<int16_t> recording;
  {
    ScopedAudioDriver driver("disk", path);
    ASSERT_TRUE(driver.ok());
    ThreadQueue queue;
    SdlWaveOut out;
    ASSERT_TRUE(out.Open(queue));
    out.SetVolume(volume);
    ASSERT_TRUE(out.Prepare(tone.header));
    ASSERT_TRUE(out.Write(tone.header));
    QueuedMessage message;
    ASSERT_TRUE(NextMessage(queue, message));
    out.Close();
  }
  recording = ReadRecording(path);
  std::remove(path.c_str());

  const size_t start = FirstSound(recording);
  ASSERT_GE(recording.size(), start + tone.samples.size());
  for (size_t i = 0; i < tone.samples.size(); ++i) {
    const int32_t expected = tone.samples[i] * gain / 65535;
    ASSERT_EQ(recording[start + i], expected) << "sample " << i;
    // Within one step of the exact product.
    ASSERT_NEAR(recording[start + i], tone.samples[i] * (gain / 65535.0), 1.0) << "sample " << i;
  }
}

// 100 %, 50 % and 1 % of the volume slider, as the sending exercise sets them
// (v = volume * 65535 / 100 in both halves); the last has a different right half.
INSTANTIATE_TEST_SUITE_P(Volumes, SdlWaveOutVolumeTest,
                         ::testing::Values(0xFFFFFFFFu, (32767u << 16) | 32767u,
                                           (1234u << 16) | 655u));

TEST(SdlWaveOutTest, RefusesWhatItCannotPlay) {
  ScopedAudioDriver driver("dummy");
  ASSERT_TRUE(driver.ok());
  ThreadQueue queue;
  SdlWaveOut out;
  std::vector<Buffer> buffers;
  for (int i = 0; i < SdlWaveOut::kQueueCapacity + 1; ++i) {
    buffers.emplace_back(std::vector<int16_t>(kSampleRate, 100));
  }
  EXPECT_FALSE(out.Prepare(buffers[0].header)) << "closed";
  EXPECT_FALSE(out.Write(buffers[0].header)) << "closed";

  ASSERT_TRUE(out.Open(queue));
  EXPECT_FALSE(out.Open(queue)) << "already open";
  EXPECT_FALSE(out.Write(buffers[0].header)) << "not prepared";
  for (auto& buffer : buffers) ASSERT_TRUE(out.Prepare(buffer.header));
  for (int i = 0; i < SdlWaveOut::kQueueCapacity; ++i) {
    ASSERT_TRUE(out.Write(buffers[i].header)) << i;
  }
  EXPECT_FALSE(out.Write(buffers[0].header)) << "already queued";
  EXPECT_FALSE(out.Write(buffers.back().header)) << "the ring is full";
  out.Unprepare(buffers[0].header);
  EXPECT_NE(buffers[0].header.flags & WHDR_PREPARED, 0u) << "queued headers stay prepared";

  out.Close();  // returns everything still queued, in order
  QueuedMessage message;
  for (int i = 0; i < SdlWaveOut::kQueueCapacity; ++i) {
    ASSERT_TRUE(queue.Peek(message)) << i;
    EXPECT_EQ(message.lParam, reinterpret_cast<intptr_t>(&buffers[i].header)) << i;
  }
  EXPECT_FALSE(queue.Peek(message));
  EXPECT_FALSE(out.Write(buffers.back().header)) << "closed again";
}

TEST(SdlAudioWithoutDriverTest, OpeningFailsCleanly) {
  ScopedAudioDriver driver("no-such-driver");
  EXPECT_FALSE(driver.ok());
  SdlAudioSystem audio;
  ThreadQueue queue;
  auto out = audio.CreateWaveOut();
  ASSERT_NE(out, nullptr);
  EXPECT_FALSE(out->Open(queue));
  WaveHeader header;
  int16_t sample = 1;
  header.data = &sample;
  header.bufferLength = 2;
  EXPECT_FALSE(out->Prepare(header));
  EXPECT_FALSE(out->Write(header));
  out->Close();
  EXPECT_EQ(audio.CreateSoundDevice(), nullptr);
  QueuedMessage message;
  EXPECT_FALSE(queue.Peek(message));
}

}  // namespace
}  // namespace dovrik
