#include "platform/sdl/sdl_looping_buffer.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/sdl/sdl_sound_device.h"
#include "platform/steady_clock.h"

namespace dovrik {

SdlLoopingBuffer::SdlLoopingBuffer(std::shared_ptr<SideToneOutput> output, uint32_t bytes,
                                   std::unique_ptr<uint8_t[]> ring)
    : output_(std::move(output)), size_(bytes), ring_(std::move(ring)), writtenEnd_(bytes) {}

SdlLoopingBuffer::~SdlLoopingBuffer() {
  // A lock still held would leave the callback waiting for good.
  if (locked_.exchange(false)) output_->UnlockCallback();
  output_->Detach(*this);
}

bool SdlLoopingBuffer::GetCurrentPosition(uint32_t& playCursor, uint32_t& writeCursor) {
  playCursor = playCursor_.load(std::memory_order_acquire);
  writeCursor = writeCursor_.load(std::memory_order_acquire);
  return true;
}

bool SdlLoopingBuffer::Lock(uint32_t offset, uint32_t bytes, void*& region1, uint32_t& bytes1,
                            void*& region2, uint32_t& bytes2) {
  region1 = nullptr;
  region2 = nullptr;
  bytes1 = 0;
  bytes2 = 0;
  if (bytes == 0 || bytes > size_ || offset >= size_) return false;
  if (locked_.exchange(true)) return false;
  output_->LockCallback();
  bytes1 = std::min(bytes, size_ - offset);
  region1 = ring_.get() + offset;
  if (bytes1 < bytes) {
    bytes2 = bytes - bytes1;
    region2 = ring_.get();
  }
  return true;
}

void SdlLoopingBuffer::Silence(uint64_t from, uint64_t to) {
  while (from < to) {
    const auto offset = static_cast<uint32_t>(from % size_);
    const auto piece = static_cast<uint32_t>(std::min<uint64_t>(to - from, size_ - offset));
    std::memset(ring_.get() + offset, 0, piece);
    from += piece;
  }
}

void SdlLoopingBuffer::Unlock(void* region1, uint32_t bytes1, void*, uint32_t bytes2) {
  if (!locked_.load()) return;
  const uint64_t written = static_cast<uint64_t>(bytes1) + bytes2;
  if (region1 != nullptr && written > 0) {
    // Where the device reaches the first written byte next: on this lap if
    // it lies at or after the write cursor, else on the next one.
    const auto offset = static_cast<uint32_t>(static_cast<uint8_t*>(region1) - ring_.get());
    const auto cursor = static_cast<uint32_t>(handed_ % size_);
    const uint64_t start = handed_ + (offset + size_ - cursor) % size_;
    // Bytes between the old end and a write that starts beyond it were not
    // written for this lap: they become silence.
    if (start > writtenEnd_) Silence(writtenEnd_, std::min(start, handed_ + size_));
    writtenEnd_ = start + std::min<uint64_t>(written, size_);
    starved_ = false;  // meeting the new end is a new underrun
  }
  locked_.store(false);
  output_->UnlockCallback();
}

// Both take SDL's audio lock for a moment, so that no chunk is half way
// through the callback when they return: after Stop the cursors stay put.
void SdlLoopingBuffer::Play() {
  output_->LockCallback();
  // The pace is learnt afresh: the time stopped is no part of the stream.
  firstRequestAt_ = 0;
  streamBytes_ = 0;
  paceLeadBytes_ = 0;
  playing_.store(true, std::memory_order_release);
  output_->UnlockCallback();
}

void SdlLoopingBuffer::Stop() {
  output_->LockCallback();
  playing_.store(false, std::memory_order_release);
  output_->UnlockCallback();
}

namespace {

// Requests closer together than this belong to one chunk.
constexpr int64_t kSameChunkNs = 1'000'000;
// The side-tone's byte rate: 16-bit mono at 22,050 samples a second.
constexpr double kBytesPerSecond = 44100;

double BytesIn(int64_t nanoseconds) {
  return static_cast<double>(nanoseconds) * kBytesPerSecond / 1e9;
}

}  // namespace

uint32_t SdlLoopingBuffer::PacedWriteCursor() {
  const int64_t now = SteadyNanoseconds();
  output_->LockCallback();
  uint64_t position = handed_;
  if (playing_.load(std::memory_order_relaxed) && firstRequestAt_ != 0) {
    // How far the stream would be now at an even pace, beyond what the
    // device has taken; at most two chunks, never past what was written.
    const double paced =
        paceLeadBytes_ + BytesIn(now - firstRequestAt_) - static_cast<double>(streamBytes_);
    const double largest = 2.0 * static_cast<double>(chunkBytes_);
    const auto ahead = static_cast<uint64_t>(std::clamp(paced, 0.0, largest)) & ~uint64_t{1};
    position = std::min(handed_ + ahead, std::max(writtenEnd_, handed_));
  }
  output_->UnlockCallback();
  return static_cast<uint32_t>(position % size_);
}

void SdlLoopingBuffer::Render(uint8_t* stream, uint32_t bytes) {
  if (!playing_.load(std::memory_order_acquire)) {
    std::memset(stream, 0, bytes);
    return;
  }
  const int64_t now = SteadyNanoseconds();
  if (firstRequestAt_ == 0) firstRequestAt_ = now;
  if (now - lastRequestAt_ >= kSameChunkNs) chunkBytes_ = 0;
  lastRequestAt_ = now;
  chunkBytes_ += bytes;
  streamBytes_ += bytes;
  const double lead = static_cast<double>(streamBytes_) - BytesIn(now - firstRequestAt_);
  paceLeadBytes_ = std::max(lead, paceLeadBytes_ - 1.0);
  uint32_t position = writeCursor_.load(std::memory_order_relaxed);
  playCursor_.store(position, std::memory_order_release);
  // Only what was written for this lap goes out; the rest is silence.
  const uint64_t available = writtenEnd_ > handed_ ? writtenEnd_ - handed_ : 0;
  uint32_t fromRing = static_cast<uint32_t>(std::min<uint64_t>(bytes, available));
  const uint32_t silent = bytes - fromRing;
  handed_ += fromRing;
  while (fromRing > 0) {
    const uint32_t piece = std::min(fromRing, size_ - position);
    std::memcpy(stream, ring_.get() + position, piece);
    stream += piece;
    fromRing -= piece;
    position += piece;
    if (position == size_) position = 0;
  }
  if (silent > 0) {
    std::memset(stream, 0, silent);
    if (!starved_) underruns_.fetch_add(1, std::memory_order_relaxed);
  }
  starved_ = silent > 0;
  writeCursor_.store(position, std::memory_order_release);
}

}  // namespace dovrik
