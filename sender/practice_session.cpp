#include "sender/practice_session.h"

#include <vector>

#include "sender/noise_cursor.h"
#include "sender/sending_parameters.h"

namespace dovrik {

PracticeRecording RecordPracticeSession(const PracticeSettings& settings, RandomSource& random,
                                        uint32_t tickCountMs, SampleSink& sink,
                                        const PracticeProgress& progress) {
  PracticeRecording recording;
  if (settings.ticked.count == 0) {
    recording.outcome = PracticeOutcome::kNothingTicked;
    return recording;
  }

  NoiseCursor cursor;
  const SendingParameters parameters =
      DeriveSendingParameters(settings.sending.sliders, tickCountMs, cursor);
  SendingSequence sequence(parameters, settings.ticked, settings.sending.preamble, random, cursor);
  // The exercise alternates two buffers only so that one can play while the
  // other is filled; one is enough here.
  std::vector<int16_t> buffer(static_cast<size_t>(parameters.capacity));

  auto handOver = [&](int32_t count) {
    if (!sink.Write(std::span<const int16_t>(buffer.data(), static_cast<size_t>(count)))) {
      recording.outcome = PracticeOutcome::kSinkFailed;
      return false;
    }
    recording.samples += count;
    return true;
  };

  for (bool ramp : {true, false}) {
    if (!handOver(sequence.FillLeadIn(buffer, ramp))) return recording;
  }
  const int32_t total = settings.sending.groups;
  for (int32_t done = 0; done < total;) {
    std::string text;
    const SendingSequence::Buffer made = sequence.SynthesizeNext(buffer, text);
    if (!made.samples) {
      recording.outcome = PracticeOutcome::kBufferOverflow;
      return recording;
    }
    if (!handOver(*made.samples)) return recording;
    if (made.isGroup) {
      recording.answerKey += text + ' ';
      ++done;
      if (progress) progress(done, total);
    }
  }
  return recording;
}

}  // namespace dovrik
