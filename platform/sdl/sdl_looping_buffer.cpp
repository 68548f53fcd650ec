#include "platform/sdl/sdl_looping_buffer.h"

#include <algorithm>
#include <cstring>

#include "platform/sdl/sdl_sound_device.h"

namespace dovrik {

SdlLoopingBuffer::SdlLoopingBuffer(std::shared_ptr<SideToneOutput> output, uint32_t bytes,
                                   std::unique_ptr<uint8_t[]> ring)
    : output_(std::move(output)), size_(bytes), ring_(std::move(ring)) {}

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

void SdlLoopingBuffer::Unlock(void*, uint32_t, void*, uint32_t) {
  if (locked_.exchange(false)) output_->UnlockCallback();
}

// Both take SDL's audio lock for a moment, so that no chunk is half way
// through the callback when they return: after Stop the cursors stay put.
void SdlLoopingBuffer::Play() {
  output_->LockCallback();
  playing_.store(true, std::memory_order_release);
  output_->UnlockCallback();
}

void SdlLoopingBuffer::Stop() {
  output_->LockCallback();
  playing_.store(false, std::memory_order_release);
  output_->UnlockCallback();
}

void SdlLoopingBuffer::Render(uint8_t* stream, uint32_t bytes) {
  if (!playing_.load(std::memory_order_acquire)) {
    std::memset(stream, 0, bytes);
    return;
  }
  uint32_t position = writeCursor_.load(std::memory_order_relaxed);
  playCursor_.store(position, std::memory_order_release);
  while (bytes > 0) {
    const uint32_t piece = std::min(bytes, size_ - position);
    std::memcpy(stream, ring_.get() + position, piece);
    stream += piece;
    bytes -= piece;
    position += piece;
    if (position == size_) position = 0;
  }
  writeCursor_.store(position, std::memory_order_release);
}

}  // namespace dovrik
