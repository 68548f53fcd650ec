#include "sidetone/side_tone_engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/audio_format.h"

namespace dovrik {
namespace {

// A device that takes no more than this at a time, one period a request,
// runs like clockwork: two key ticks or less between its requests.
constexpr uint32_t kSmallPeriodBytes = 512;  // 11.6 ms
// A request this far off the time its predecessor's bytes took to play
// shows a device that does not run like clockwork, for a while.
constexpr int64_t kOffTimeNs = 1'500'000;
constexpr int64_t kIrregularForNs = 2'000'000'000;
// Requests closer together than this belong to one chunk.
constexpr int64_t kSameChunkNs = 1'000'000;
// A device this far behind its pace (beyond two chunks) has stalled; less is
// a server's own jitter, which the even pace follows.
constexpr int64_t kStallToleranceBytes = 4410;  // 100 ms
// The smallest top-up the writer makes: room the ring keeps beyond the lead.
constexpr int64_t kTopUpBytes = 442;
// The remembered chunk halves in this time.
constexpr double kBurstHalfLifeNs = 1.8e9;
// Catching up never shortens a silence between tones below this: the gaps
// of what is keyed stay as keyed, and the delay comes out of the pauses.
constexpr uint64_t kKeptSilenceBytes = kBytesPerSecond / 2;  // 500 ms
// Silence before the first tone of a stream counts as this long.
constexpr uint64_t kStreamStartSilence = uint64_t{1} << 40;

double BytesIn(int64_t nanoseconds) {
  return static_cast<double>(nanoseconds) * kBytesPerSecond / 1e9;
}

uint64_t Even(uint64_t bytes) { return bytes & ~uint64_t{1}; }

}  // namespace

SideToneEngine::SideToneEngine(uint32_t bytes)
    : size_(bytes), ring_(new uint8_t[bytes]()), writtenEnd_(bytes) {}

double SideToneEngine::FadedBurst(int64_t nowNs) const {
  if (burstPeak_ <= 0) return 0;
  const double age = static_cast<double>(std::max<int64_t>(0, nowNs - burstAt_));
  return burstPeak_ * std::exp2(-age / kBurstHalfLifeNs);
}

int32_t SideToneEngine::Lead(int64_t nowNs) const {
  // After a top-up up to 441 bytes may drain unrefilled, so the lead holds
  // the chunk on top of that, with a quarter to spare.
  const double burst = FadedBurst(nowNs);
  const auto wanted = static_cast<int64_t>(burst + burst / 4) + kTopUpBytes - 1;
  const int64_t even = (wanted + 1) & ~int64_t{1};
  return static_cast<int32_t>(
      std::clamp<int64_t>(even, LoopingSoundBuffer::kSmallestLeadBytes, size_ / 2 & ~1u));
}

int64_t SideToneEngine::Behind(int64_t nowNs) const {
  if (!playing_ || firstRequestAt_ == 0) return 0;
  const double paced = paceLead_ + BytesIn(nowNs - firstRequestAt_);
  return std::max<int64_t>(0, static_cast<int64_t>(paced - static_cast<double>(streamBytes_)));
}

bool SideToneEngine::Stalled(int64_t behind) const {
  return behind > 2 * static_cast<int64_t>(chunkBytes_) + kStallToleranceBytes;
}

void SideToneEngine::SkipSilence(int64_t behind) {
  if (silentRun_ < kKeptSilenceBytes) return;
  const uint64_t limit = std::min(writtenEnd_, cursor_ + static_cast<uint64_t>(behind));
  uint64_t position = cursor_;
  while (position + 1 < limit) {
    int16_t sample;
    std::memcpy(&sample, ring_.get() + OffsetOf(position), sizeof sample);
    if (sample != 0) break;
    position += 2;
  }
  // The first sample of a tone is 0 (phase 0): it stays.
  if (position < limit && position > cursor_) position -= 2;
  const uint64_t skipped = position - cursor_;
  cursor_ = position;
  streamBytes_ += skipped;
  skipped_ += skipped;
}

uint64_t SideToneEngine::CatchUpPosition(int64_t behind, int64_t nowNs) const {
  // While the device keeps up, at most two chunks on. Behind by more than
  // two chunks and the stall tolerance, as far as it fell behind less that
  // tolerance: the same place at the threshold, so that a press and its
  // release land as far apart as they were keyed whichever side of it they
  // fall. The queue stays a lead and a top-up short of a whole lap, and
  // never passes what was written.
  const int64_t twoChunks = 2 * int64_t{chunkBytes_};
  int64_t ahead = std::min(behind, twoChunks);
  if (behind > twoChunks + kStallToleranceBytes) ahead = behind - kStallToleranceBytes;
  const int64_t room = std::max<int64_t>(0, size_ - 2 * Lead(nowNs) - kTopUpBytes);
  const uint64_t paced = cursor_ + static_cast<uint64_t>(std::clamp<int64_t>(ahead, 0, room));
  return Even(std::min(paced, std::max(writtenEnd_, cursor_)));
}

bool SideToneEngine::Clockwork(int64_t nowNs) const {
  return chunkBytes_ <= periodBytes_ && periodBytes_ <= kSmallPeriodBytes &&
         nowNs >= irregularUntil_;
}

bool SideToneEngine::CatchingUp(int64_t nowNs) {
  const int64_t behind = Behind(nowNs);
  if (!Stalled(behind)) return false;
  SkipSilence(behind);
  return Stalled(Behind(nowNs));
}

uint32_t SideToneEngine::WriteCursor(int64_t nowNs) {
  if (CatchingUp(nowNs)) return OffsetOf(CatchUpPosition(Behind(nowNs), nowNs));
  return OffsetOf(cursor_);
}

uint32_t SideToneEngine::KeyChangeCursor(int64_t nowNs) {
  if (CatchingUp(nowNs)) return OffsetOf(CatchUpPosition(Behind(nowNs), nowNs));
  // A device taking one small period at a time, each when the one before
  // has played, gets the change at the write cursor itself; one taking
  // several at once, large periods or at uneven times, where an even pace
  // has reached.
  if (Clockwork(nowNs)) return OffsetOf(cursor_);
  return OffsetOf(CatchUpPosition(Behind(nowNs), nowNs));
}

LockedRegions SideToneEngine::Lock(uint32_t offset, uint32_t bytes) {
  LockedRegions regions;
  if (locked_ || bytes == 0 || bytes > size_ || offset >= size_) return regions;
  locked_ = true;
  regions.firstBytes = std::min(bytes, size_ - offset);
  regions.first = ring_.get() + offset;
  if (regions.firstBytes < bytes) {
    regions.secondBytes = bytes - regions.firstBytes;
    regions.second = ring_.get();
  }
  return regions;
}

void SideToneEngine::Silence(uint64_t from, uint64_t to) {
  while (from < to) {
    const uint32_t offset = OffsetOf(from);
    const auto piece = static_cast<uint32_t>(std::min<uint64_t>(to - from, size_ - offset));
    std::memset(ring_.get() + offset, 0, piece);
    from += piece;
  }
}

void SideToneEngine::Unlock(const LockedRegions& regions) {
  if (!locked_) return;
  locked_ = false;
  const uint64_t written = regions.Bytes();
  if (!regions.Granted() || written == 0) return;
  // Where the device reaches the first written byte next: on this lap if it
  // lies at or after the write cursor, else on the next one.
  const auto offset = static_cast<uint32_t>(static_cast<uint8_t*>(regions.first) - ring_.get());
  const uint64_t start = cursor_ + (offset + size_ - OffsetOf(cursor_)) % size_;
  // Bytes between the old end and a write that starts beyond it were not
  // written for this lap: they become silence.
  if (start > writtenEnd_) Silence(writtenEnd_, std::min(start, cursor_ + size_));
  writtenEnd_ = start + std::min<uint64_t>(written, size_);
  starved_ = false;  // meeting the new end is a new underrun
}

void SideToneEngine::NoteSilence(const uint8_t* handed, uint32_t bytes) {
  const auto* samples = reinterpret_cast<const int16_t*>(handed);
  for (uint32_t i = bytes / 2; i > 0; --i) {
    if (samples[i - 1] != 0) {
      silentRun_ = 2 * (bytes / 2 - i);
      return;
    }
  }
  silentRun_ += bytes;
}

void SideToneEngine::Play() {
  // The pace is learnt afresh: the time stopped is no part of the stream.
  firstRequestAt_ = 0;
  streamBytes_ = 0;
  paceLead_ = 0;
  chunkBytes_ = 0;
  silentRun_ = kStreamStartSilence;
  playing_ = true;
}

void SideToneEngine::Stop() { playing_ = false; }

void SideToneEngine::Render(uint8_t* out, uint32_t bytes, int64_t nowNs) {
  if (!playing_ || bytes == 0) {
    std::memset(out, 0, bytes);
    return;
  }
  if (firstRequestAt_ == 0) {
    firstRequestAt_ = nowNs;
  } else {
    const int64_t gap = nowNs - lastRequestAt_;
    const auto played = static_cast<int64_t>(static_cast<double>(lastRequestBytes_) * 1e9 /
                                             kBytesPerSecond);
    if (std::abs(gap - played) > kOffTimeNs) irregularUntil_ = nowNs + kIrregularForNs;
    if (gap >= kSameChunkNs) chunkBytes_ = 0;
  }
  lastRequestBytes_ = bytes;
  lastRequestAt_ = nowNs;
  chunkBytes_ += bytes;
  periodBytes_ = periodBytes_ == 0 ? bytes : std::min(periodBytes_, bytes);
  burstPeak_ = std::max(FadedBurst(nowNs), static_cast<double>(chunkBytes_));
  burstAt_ = nowNs;

  // The pace, with this request counted. A device back from a stall is
  // behind it; queued silence is skipped before anything is handed out.
  const double lead =
      static_cast<double>(streamBytes_ + bytes) - BytesIn(nowNs - firstRequestAt_);
  paceLead_ = std::max(lead, paceLead_ - 1.0);
  const int64_t behind = Behind(nowNs) - static_cast<int64_t>(bytes);
  if (Stalled(behind)) SkipSilence(behind);

  playCursor_ = OffsetOf(cursor_);
  const uint64_t available = writtenEnd_ > cursor_ ? writtenEnd_ - cursor_ : 0;
  uint32_t fromRing = static_cast<uint32_t>(std::min<uint64_t>(bytes, available));
  const uint32_t silent = bytes - fromRing;
  cursor_ += fromRing;
  handed_ += fromRing;
  uint32_t position = playCursor_;
  while (fromRing > 0) {
    const uint32_t piece = std::min(fromRing, size_ - position);
    std::memcpy(out, ring_.get() + position, piece);
    out += piece;
    fromRing -= piece;
    position = position + piece == size_ ? 0 : position + piece;
  }
  if (silent > 0) {
    std::memset(out, 0, silent);
    if (!starved_) ++underruns_;
  }
  NoteSilence(out - (bytes - silent), bytes);
  starved_ = silent > 0;
  streamBytes_ += bytes;
}

}  // namespace dovrik
