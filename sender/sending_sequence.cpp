#include "sender/sending_sequence.h"

#include <algorithm>

#include "platform/audio_format.h"
#include "sender/group_synthesis.h"
#include "tables/slider_table.h"

namespace dovrik {

namespace {

constexpr int kGroupLength = 5;

// At most one second per lead-in buffer: 22,050 samples, 44,100 bytes.
constexpr int32_t kLeadInSamples = kSampleRate;

}  // namespace

TickedRows CollectTickedRows(DialogControls& dialog) {
  TickedRows ticked;
  for (int row = 0; CharacterTable[row].buttonId != 0; ++row) {
    if (dialog.IsTicked(CharacterTable[row].buttonId)) {
      ticked.rows[static_cast<size_t>(ticked.count++)] = static_cast<uint8_t>(row);
    }
  }
  return ticked;
}

SendingSettings ReadSendingSettings(DialogControls& dialog,
                                    const std::function<void(int32_t volume)>& volumeRead) {
  SendingSettings settings;
  settings.preamble = dialog.IsTicked(kPreambleButtonId);
  SendingSliders& sliders = settings.sliders;
  sliders.speed = dialog.GetScrollPos(kSpeedScrollBarId);
  settings.groups = dialog.GetScrollPos(kGroupsScrollBarId);
  sliders.ratio = dialog.GetScrollPos(kRatioScrollBarId);
  sliders.characterSpace = dialog.GetScrollPos(kCharSpaceScrollBarId);
  sliders.groupSpace = dialog.GetScrollPos(kGroupSpaceScrollBarId);
  sliders.tone = dialog.GetScrollPos(kToneScrollBarId);
  sliders.jitter = dialog.GetScrollPos(kJitterScrollBarId);
  sliders.attack = dialog.GetScrollPos(kAttackScrollBarId);
  settings.volume = dialog.GetScrollPos(kVolumeScrollBarId);
  if (volumeRead) volumeRead(settings.volume);
  sliders.noise = dialog.GetScrollPos(kNoiseScrollBarId);
  return settings;
}

int32_t LeadInSamples(const SendingParameters& parameters) {
  return std::min(parameters.capacity, kLeadInSamples);
}

int32_t SendingSequence::FillLeadIn(std::span<int16_t> buffer, bool ramp) {
  const int32_t samples = LeadInSamples(parameters_);
  dovrik::FillLeadIn(buffer, samples, ramp, parameters_, cursor_);
  return samples;
}

SendingSequence::Buffer SendingSequence::SynthesizeNext(std::span<int16_t> buffer,
                                                        std::string& text) {
  std::array<const char*, kGroupLength> patterns{};
  size_t patternCount = 0;
  const bool isGroup = !preamblePending_;
  if (preamblePending_) {
    patterns[patternCount++] = PreamblePattern;
    preamblePending_ = false;
  } else {
    for (; patternCount < kGroupLength; ++patternCount) {
      const int draw = random_.Next() % ticked_.count;
      const CharacterEntry& entry = CharacterTable[ticked_.rows[static_cast<size_t>(draw)]];
      patterns[patternCount] = entry.pattern;
      text += entry.character;
    }
  }
  return {SynthesizeGroup(std::span(patterns.data(), patternCount), buffer, parameters_, cursor_),
          isGroup};
}

}  // namespace dovrik
