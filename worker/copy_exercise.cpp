#include "worker/copy_exercise.h"

#include <algorithm>
#include <array>
#include <memory>

#include "platform/audio_system.h"
#include "platform/messages.h"
#include "platform/thread_queue.h"
#include "platform/wave_out.h"

namespace dovrik {

void CopyExerciseBoard::Hand(CopyLesson lesson) {
  const std::lock_guard lock(mutex_);
  lesson_ = std::move(lesson);
  outcome_ = CopyOutcome{};
  played_.store(0, std::memory_order_release);
}

std::optional<CopyLesson> CopyExerciseBoard::Take() {
  const std::lock_guard lock(mutex_);
  std::optional<CopyLesson> taken;
  taken.swap(lesson_);
  return taken;
}

void CopyExerciseBoard::Report(CopyOutcome outcome) {
  const std::lock_guard lock(mutex_);
  outcome_ = std::move(outcome);
}

CopyOutcome CopyExerciseBoard::Outcome() const {
  const std::lock_guard lock(mutex_);
  return outcome_;
}

namespace {

constexpr const char* kNoAudioOutput = "No audio output";

// One run: the sound in one block, and a few headers that point into it in
// turn. Worker thread.
class CopyExercise {
 public:
  CopyExercise(ExerciseContext& context, CopyExerciseBoard& board)
      : context_(context), board_(board) {}

  CopyOutcome Run(CopyLesson lesson) {
    device_ = context_.audio.CreateWaveOut();
    if (!device_ || !device_->Open(context_.queue)) {
      outcome_.failure = kNoAudioOutput;
      return outcome_;
    }
    device_->SetVolume(lesson.deviceVolume);
    if (lesson.synthesize) sound_ = lesson.synthesize();
    leadIn_ = std::clamp<int64_t>(lesson.leadInSamples, 0, static_cast<int64_t>(sound_.size()));
    outcome_.lessonSamples = static_cast<int64_t>(sound_.size()) - leadIn_;
    if (!sound_.empty()) Play();
    device_->Reset();
    for (WaveHeader& header : headers_) device_->Unprepare(header);
    device_->Close();
    return outcome_;
  }

 private:
  void Play() {
    for (WaveHeader& header : headers_) {
      // A header is prepared with memory behind it; each write moves it on.
      header.data = sound_.data();
      header.user = reinterpret_cast<uintptr_t>(header.data);
      header.bufferLength = 2;
      if (!device_->Prepare(header)) return Fail();
    }
    for (WaveHeader& header : headers_) {
      if (!WriteNextChunk(header)) return;
    }
    QueuedMessage message;
    while (inFlight_ > 0 && context_.queue.Get(message)) {
      if (message.message == MSG_STOP_EXERCISE) {
        outcome_.stoppedEarly = true;
        return;
      }
      if (message.message != MM_WOM_DONE) continue;
      WaveHeader* finished = OwnHeader(message.lParam);
      if (finished == nullptr) continue;
      --inFlight_;
      handed_ += finished->bufferLength / 2;
      const int64_t played = std::max<int64_t>(0, handed_ - leadIn_);
      outcome_.playedSamples = played;
      board_.SetPlayedSamples(played);
      if (!WriteNextChunk(*finished)) return;
    }
  }

  // Points the header at the next stretch of the sound and writes it; with
  // nothing left it stays idle. False when the device refused it.
  bool WriteNextChunk(WaveHeader& header) {
    const int64_t total = static_cast<int64_t>(sound_.size());
    if (next_ >= total) return true;
    const int64_t length = std::min(kCopyChunkSamples, total - next_);
    header.data = sound_.data() + next_;
    header.user = reinterpret_cast<uintptr_t>(header.data);
    header.bufferLength = static_cast<uint32_t>(2 * length);
    header.loops = 1;
    if (!device_->Write(header)) {
      Fail();
      return false;
    }
    next_ += length;
    ++inFlight_;
    return true;
  }

  WaveHeader* OwnHeader(intptr_t lParam) {
    for (WaveHeader& header : headers_) {
      if (reinterpret_cast<intptr_t>(&header) == lParam) return &header;
    }
    return nullptr;
  }

  void Fail() {
    device_->Reset();
    outcome_.failure = kNoAudioOutput;
  }

  ExerciseContext& context_;
  CopyExerciseBoard& board_;
  std::unique_ptr<WaveOut> device_;
  std::vector<int16_t> sound_;
  int64_t leadIn_ = 0;
  // Four fifths of a second queued ahead: enough for a sound server's bursts.
  std::array<WaveHeader, 4> headers_{};
  int64_t next_ = 0;    // the first sample not yet written
  int64_t handed_ = 0;  // samples of returned buffers
  int inFlight_ = 0;
  CopyOutcome outcome_;
};

}  // namespace

void RunCopyExercise(ExerciseContext& context, CopyExerciseBoard& board) {
  std::optional<CopyLesson> lesson = board.Take();
  if (!lesson) {
    board.Report(CopyOutcome{});
    return;
  }
  board.Report(CopyExercise(context, board).Run(std::move(*lesson)));
}

}  // namespace dovrik
