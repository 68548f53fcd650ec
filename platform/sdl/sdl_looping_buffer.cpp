#include "platform/sdl/sdl_looping_buffer.h"

#include "platform/sdl/sdl_sound_device.h"
#include "platform/steady_clock.h"

namespace dovrik {

SdlLoopingBuffer::SdlLoopingBuffer(std::shared_ptr<SideToneOutput> output,
                                   std::unique_ptr<SideToneEngine> engine)
    : output_(std::move(output)), engine_(std::move(engine)) {}

SdlLoopingBuffer::~SdlLoopingBuffer() {
  // A lock still held would leave the callback waiting for good.
  if (locked_.exchange(false)) output_->UnlockCallback();
  output_->Detach(*this);
}

bool SdlLoopingBuffer::GetCurrentPosition(uint32_t& playCursor, uint32_t& writeCursor) {
  const int64_t now = SteadyNanoseconds();
  output_->LockCallback();
  playCursor = engine_->PlayCursor();
  writeCursor = engine_->WriteCursor(now);
  output_->UnlockCallback();
  return true;
}

LockedRegions SdlLoopingBuffer::Lock(uint32_t offset, uint32_t bytes) {
  if (locked_.exchange(true)) return {};
  output_->LockCallback();
  const LockedRegions regions = engine_->Lock(offset, bytes);
  if (!regions.Granted()) {
    locked_.store(false);
    output_->UnlockCallback();
  }
  return regions;
}

void SdlLoopingBuffer::Unlock(const LockedRegions& regions) {
  if (!locked_.load()) return;
  engine_->Unlock(regions);
  locked_.store(false);
  output_->UnlockCallback();
}

// Both hold SDL's audio lock for a moment, so that no chunk is half way
// through the callback when they return: after Stop the cursors stay put.
void SdlLoopingBuffer::Play() {
  output_->LockCallback();
  engine_->Play();
  output_->UnlockCallback();
}

void SdlLoopingBuffer::Stop() {
  output_->LockCallback();
  engine_->Stop();
  output_->UnlockCallback();
}

uint32_t SdlLoopingBuffer::Underruns() const {
  output_->LockCallback();
  const uint32_t underruns = engine_->Underruns();
  output_->UnlockCallback();
  return underruns;
}

uint32_t SdlLoopingBuffer::KeyChangeCursor() {
  const int64_t now = SteadyNanoseconds();
  output_->LockCallback();
  const uint32_t cursor = engine_->KeyChangeCursor(now);
  output_->UnlockCallback();
  return cursor;
}

int32_t SdlLoopingBuffer::Lead() {
  const int64_t now = SteadyNanoseconds();
  output_->LockCallback();
  const int32_t lead = engine_->Lead(now);
  output_->UnlockCallback();
  return lead;
}

void SdlLoopingBuffer::Render(uint8_t* stream, uint32_t bytes) {
  engine_->Render(stream, bytes, SteadyNanoseconds());
}

}  // namespace dovrik
