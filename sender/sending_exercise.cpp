#include "sender/sending_exercise.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>

#include "platform/audio_system.h"
#include "platform/clock.h"
#include "platform/dialog_controls.h"
#include "platform/messages.h"
#include "platform/thread_queue.h"
#include "platform/wave_out.h"
#include "sender/noise_cursor.h"
#include "sender/sending_parameters.h"
#include "sender/sending_sequence.h"

namespace dovrik {

int16_t* HeapSampleAllocator::Allocate(size_t samples) {
  return new (std::nothrow) int16_t[samples];
}

void HeapSampleAllocator::Free(int16_t* block) {
  delete[] block;
}

namespace {

constexpr const char* kNoAudioOutput = "No audio output";
constexpr const char* kOutOfMemory = "Out of memory!";
constexpr const char* kBufferOverflow = "Buffer overflow!";
constexpr const char* kOverRun = "OverRun!\r\nSpeed is too high!";

// The device volume for a volume slider of 0 .. 100 percent: v = volume *
// 65535 / 100, truncated, in both halves (left low, right high).
uint32_t DeviceVolume(int volume) {
  const uint32_t v = static_cast<uint32_t>(std::clamp(volume, 0, 100)) * 65535u / 100u;
  return v | (v << 16);
}

// What a wait for the next useful message brought.
enum class Notice { kStop, kBufferDone, kNoMoreMessages };

// One run of the exercise; owns everything it acquires and releases it in
// the teardown. Worker thread.
class SendingExercise {
 public:
  SendingExercise(ExerciseContext& context, SampleAllocator& allocator)
      : context_(context), dialog_(context.dialog), allocator_(allocator) {}

  void Run() {
    ticked_ = CollectTickedRows(dialog_);
    if (ticked_.count == 0) return;

    device_ = context_.audio.CreateWaveOut();
    if (!device_ || !device_->Open(context_.queue)) {
      dialog_.ShowWarning(kNoAudioOutput);
      return;  // nothing was opened, so nothing needs closing
    }
    ReadSettings();
    if (!AllocateBuffers()) return;

    dialog_.SetItemText(kOutputBoxId, "");
    if (PrepareAndStartLeadIn()) Play();
    TearDown();
  }

 private:
  // The "VVV=" button and the scroll bars in their fixed order; the device
  // volume is set right after the volume is read.
  void ReadSettings() {
    const SendingSettings settings = ReadSendingSettings(
        dialog_, [this](int32_t volume) { device_->SetVolume(DeviceVolume(volume)); });
    groupsRemaining_ = settings.groups;
    parameters_ = DeriveSendingParameters(settings.sliders, context_.clock.NowMs(), cursor_);
    sequence_.emplace(parameters_, ticked_, settings.preamble, context_.random, cursor_);
  }

  // On failure the device is closed and "Out of memory!" shown.
  bool AllocateBuffers() {
    const size_t samples = static_cast<size_t>(std::max(parameters_.capacity, 0));
    if (samples > 0) {
      blockA_ = allocator_.Allocate(samples);
      blockB_ = allocator_.Allocate(samples);
    }
    if (blockA_ != nullptr && blockB_ != nullptr) return true;
    FreeBuffers();
    device_->Close();
    dialog_.ShowWarning(kOutOfMemory);
    return false;
  }

  void FreeBuffers() {
    if (blockA_ != nullptr) allocator_.Free(blockA_);
    if (blockB_ != nullptr) allocator_.Free(blockB_);
    blockA_ = blockB_ = nullptr;
  }

  static void SetUpHeader(WaveHeader& header, int16_t* block, int32_t capacity) {
    header.data = block;
    header.user = reinterpret_cast<uintptr_t>(block);
    header.bufferLength = 2 * static_cast<uint32_t>(capacity);
    header.flags = 0;
    header.loops = 1;
  }

  // Prepares both headers and writes one second of noise fading in (A) and
  // one second at the full level (B).
  bool PrepareAndStartLeadIn() {
    SetUpHeader(headerA_, blockA_, parameters_.capacity);
    SetUpHeader(headerB_, blockB_, parameters_.capacity);
    const bool preparedA = device_->Prepare(headerA_);
    const bool preparedB = device_->Prepare(headerB_);
    if (!preparedA || !preparedB) return FailAudio();

    for (WaveHeader* header : {&headerA_, &headerB_}) {
      const bool ramp = header == &headerA_;
      const int32_t samples = sequence_->FillLeadIn(Samples(*header), ramp);
      header->bufferLength = 2 * static_cast<uint32_t>(samples);
      if (!device_->Write(*header)) return FailAudio();
    }
    return true;
  }

  // The refill loop and the draining of the last two buffers.
  void Play() {
    while (true) {
      WaveHeader* finished = nullptr;
      if (WaitForNotice(finished) != Notice::kBufferDone) return;
      // The other buffer, written last, starts to sound now; it holds the
      // group whose text was prepared with it.
      dialog_.AppendToOutputBox(groupText_);
      if (!QueueNextGroup(*finished)) return;
      if (!NoOverrun()) return;
      if (groupsRemaining_ <= 0) break;
    }
    WaveHeader* finished = nullptr;
    if (WaitForNotice(finished) != Notice::kBufferDone) return;
    dialog_.AppendToOutputBox(groupText_);  // the last group starts to sound
    WaitForNotice(finished);                // and has played on the next notice
  }

  // Synthesises the preamble or the next group into the finished buffer and
  // writes it. False when the exercise must end.
  bool QueueNextGroup(WaveHeader& finished) {
    groupText_.clear();
    const SendingSequence::Buffer made = sequence_->SynthesizeNext(Samples(finished), groupText_);
    if (!made.samples) {
      device_->Reset();
      dialog_.ShowWarning(kBufferOverflow);
      return false;
    }
    finished.bufferLength = 2 * static_cast<uint32_t>(*made.samples);
    if (!device_->Write(finished)) return FailAudio();

    // The preamble leaves no text and is no group.
    if (made.isGroup) {
      groupText_ += ' ';
      --groupsRemaining_;
    }
    return true;
  }

  // Right after a buffer has been queued, a waiting notice that the other
  // buffer has finished means the output ran dry while the group was being
  // synthesised. A stop request waiting there ends the exercise. Takes at most
  // one message; anything else is discarded.
  bool NoOverrun() {
    QueuedMessage message;
    if (!context_.queue.Peek(message)) return true;
    if (message.message == MSG_STOP_EXERCISE) return false;
    if (message.message == MM_WOM_DONE && OwnHeader(message.lParam) != nullptr) {
      device_->Reset();
      dialog_.ShowWarning(kOverRun);
      return false;
    }
    return true;
  }

  // Blocks until a stop request or the notice that one of our two buffers has
  // finished; every other message is discarded.
  Notice WaitForNotice(WaveHeader*& finished) {
    QueuedMessage message;
    while (context_.queue.Get(message)) {
      if (message.message == MSG_STOP_EXERCISE) return Notice::kStop;
      if (message.message == MM_WOM_DONE) {
        finished = OwnHeader(message.lParam);
        if (finished != nullptr) return Notice::kBufferDone;
      }
    }
    return Notice::kNoMoreMessages;
  }

  // The header a notice carries, if it is one of ours (a notice left over
  // from an earlier device is not).
  WaveHeader* OwnHeader(intptr_t lParam) {
    const auto address = reinterpret_cast<WaveHeader*>(lParam);
    return address == &headerA_ || address == &headerB_ ? address : nullptr;
  }

  // A buffer the device would not take never comes back, so waiting for it
  // would never end: stop the sound and say that the output failed.
  bool FailAudio() {
    device_->Reset();
    dialog_.ShowWarning(kNoAudioOutput);
    return false;
  }

  // The buffer's whole sample memory, found through the header's user field.
  std::span<int16_t> Samples(const WaveHeader& header) const {
    return {reinterpret_cast<int16_t*>(header.user), static_cast<size_t>(parameters_.capacity)};
  }

  // Stops the sound, returns the buffers, closes the device and frees the
  // memory, in this order. The queue is left alone: notices the reset causes
  // and any request that came meanwhile are the idle loop's business.
  void TearDown() {
    device_->Reset();
    device_->Unprepare(headerA_);
    device_->Unprepare(headerB_);
    device_->Close();
    FreeBuffers();
  }

  ExerciseContext& context_;
  DialogControls& dialog_;
  SampleAllocator& allocator_;
  TickedRows ticked_;
  std::unique_ptr<WaveOut> device_;
  int32_t groupsRemaining_ = 0;
  SendingParameters parameters_;
  NoiseCursor cursor_;
  std::optional<SendingSequence> sequence_;  // made once the settings are read
  int16_t* blockA_ = nullptr;
  int16_t* blockB_ = nullptr;
  WaveHeader headerA_;
  WaveHeader headerB_;
  std::string groupText_;  // up to five characters and a space
};

}  // namespace

void RunSendingExercise(ExerciseContext& context, SampleAllocator& allocator) {
  SendingExercise(context, allocator).Run();
}

void RunSendingExercise(ExerciseContext& context) {
  HeapSampleAllocator heap;
  RunSendingExercise(context, heap);
}

}  // namespace dovrik
