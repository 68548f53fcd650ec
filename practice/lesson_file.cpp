#include "practice/lesson_file.h"

#include <vector>

#include "lessons/lesson_sound.h"
#include "practice/practice_file.h"
#include "sender/noise_cursor.h"
#include "sender/timed_synthesis.h"

namespace dovrik {

namespace {

// Samples are handed to the sound file a second at a time.
constexpr size_t kPieceSamples = 22050;

}  // namespace

LessonFileResult WriteLessonFile(const std::string& path, const std::string& text,
                                 const LessonSettings& settings, const LessonTiming& timing,
                                 uint32_t noiseStart) {
  LessonFileResult result;
  const std::vector<TimedSpan> spans = LessonSpans(text, timing);
  const TimedTone tone = LessonTone(settings, timing);
  const SoundAndKeyResult written =
      WriteSoundAndKey(path, [&](SoundFileWriter& writer, std::string& answerKey) -> std::string {
        NoiseCursor cursor(noiseStart);
        TimedSynthesis synthesis(spans, tone, cursor);
        std::vector<int16_t> piece(kPieceSamples);
        for (int32_t n; (n = synthesis.Fill(piece)) > 0;) {
          if (!writer.Write(std::span<const int16_t>(piece.data(), static_cast<size_t>(n)))) {
            return writer.Error();
          }
        }
        result.samples = synthesis.Written();
        answerKey = text;
        return {};
      });
  result.written = written.written;
  result.error = written.error;
  result.answerKeyPath = written.answerKeyPath;
  return result;
}

}  // namespace dovrik
