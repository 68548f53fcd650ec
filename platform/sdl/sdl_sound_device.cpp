#include "platform/sdl/sdl_sound_device.h"

#include <chrono>
#include <cstring>
#include <new>
#include <thread>

#include "platform/real_time.h"
#include "platform/sdl/sdl_looping_buffer.h"
#include "platform/steady_clock.h"

namespace dovrik {
namespace {

// A looping buffer must hold at least a few device periods, or the device
// would be handed the same bytes twice in one period; and it is kept to a
// size that the 32-bit byte offsets and the memory of the machine allow.
constexpr uint32_t kSmallestLoopingBytes = 4u * SideToneOutput::kFramesPerPeriod * kBytesPerSample;
constexpr uint32_t kLargestLoopingBytes = 64u * 1024 * 1024;

// A device that asks for more this long after its first request is playing.
constexpr std::chrono::nanoseconds kLiveAfter = std::chrono::milliseconds(30);
// The longest the side-tone waits for a stalled device before it goes on.
constexpr auto kLongestWaitForLive = std::chrono::seconds(4);

}  // namespace

bool SideToneOutput::Open() {
  if (!device_.Open(kFramesPerPeriod, &Callback, this)) return false;
  // Live once a request comes this long after the first one: a device that
  // plays asks again within a few periods; a stalled one not for seconds.
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < kLongestWaitForLive) {
    const int64_t first = firstRequestAt_.load(std::memory_order_acquire);
    const int64_t latest = latestRequestAt_.load(std::memory_order_acquire);
    if (first != 0 && latest - first >= kLiveAfter.count()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

bool SideToneOutput::Attach(SdlLoopingBuffer& buffer) {
  LockCallback();
  const bool free = attached_ == nullptr;
  if (free) attached_ = &buffer;
  UnlockCallback();
  return free;
}

void SideToneOutput::Detach(SdlLoopingBuffer& buffer) {
  LockCallback();
  if (attached_ == &buffer) attached_ = nullptr;
  UnlockCallback();
}

void SideToneOutput::Callback(void* userdata, uint8_t* stream, int bytes) {
  auto* output = static_cast<SideToneOutput*>(userdata);
  if (bytes <= 0) return;
  const int64_t now = SteadyNanoseconds();
  if (output->firstRequestAt_.load(std::memory_order_relaxed) == 0) {
    output->firstRequestAt_.store(now, std::memory_order_release);
    // SDL asks for real time for its audio thread only through RealtimeKit;
    // where that is missing but the system allows it directly, ask here,
    // once per device, so that a busy desktop does not delay the side-tone.
    AskForRealTimeScheduling();
  }
  output->latestRequestAt_.store(now, std::memory_order_release);
  if (output->attached_ != nullptr) {
    output->attached_->Render(stream, static_cast<uint32_t>(bytes));
  } else {
    std::memset(stream, 0, static_cast<size_t>(bytes));
  }
}

std::unique_ptr<SdlSoundDevice> SdlSoundDevice::Open() {
  auto output = std::make_shared<SideToneOutput>();
  if (!output->Open()) return nullptr;
  return std::unique_ptr<SdlSoundDevice>(new SdlSoundDevice(std::move(output)));
}

std::unique_ptr<LoopingSoundBuffer> SdlSoundDevice::CreateLoopingBuffer(uint32_t bytes) {
  if (bytes < kSmallestLoopingBytes || bytes > kLargestLoopingBytes) return nullptr;
  if (bytes % kBytesPerSample != 0) return nullptr;
  // A new buffer holds silence, like a freshly created sound buffer.
  std::unique_ptr<SideToneEngine> engine;
  try {
    engine = std::make_unique<SideToneEngine>(bytes);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  auto buffer = std::make_unique<SdlLoopingBuffer>(output_, std::move(engine));
  if (!output_->Attach(*buffer)) return nullptr;
  return buffer;
}

}  // namespace dovrik
