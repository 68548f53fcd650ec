#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "sender/random_source.h"
#include "sender/sending_sequence.h"

namespace dovrik {

// Takes the samples of a practice session, buffer by buffer in playing order.
class SampleSink {
 public:
  virtual ~SampleSink() = default;
  // False when the samples could not be taken; the recording then stops.
  virtual bool Write(std::span<const int16_t> samples) = 0;
};

// What a practice session plays: the settings a sending exercise would read
// from the dialog and the characters ticked there.
struct PracticeSettings {
  SendingSettings sending;
  TickedRows ticked;
};

enum class PracticeOutcome {
  kRecorded,
  kNothingTicked,   // no sample was made
  kBufferOverflow,  // a group did not fit its buffer (jitter); the recording stops there
  kSinkFailed,      // the sink refused a buffer; the recording stops there
};

struct PracticeRecording {
  PracticeOutcome outcome = PracticeOutcome::kRecorded;
  // The output box as the exercise would leave it: each group's five
  // characters and a space, in playing order.
  std::string answerKey;
  int64_t samples = 0;  // handed to the sink
};

// Called after each group has been handed over, with the groups done and
// the groups in all.
using PracticeProgress = std::function<void(int32_t done, int32_t total)>;

// Plays a whole sending exercise into `sink` instead of the wave-out device:
// the two lead-in buffers, the preamble when it is ticked, then
// settings.sending.groups groups, every buffer exactly as the exercise makes
// it. The groups are drawn from `random` as the exercise draws them; the
// noise cursor starts from `tickCountMs` as the exercise's does. The volume
// is not applied: the device's volume scales what it plays, not what it is
// handed. Allocates one buffer; any thread.
PracticeRecording RecordPracticeSession(const PracticeSettings& settings, RandomSource& random,
                                        uint32_t tickCountMs, SampleSink& sink,
                                        const PracticeProgress& progress = {});

}  // namespace dovrik
