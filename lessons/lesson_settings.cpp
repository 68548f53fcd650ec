#include "lessons/lesson_settings.h"

#include <algorithm>

namespace dovrik {

namespace {

constexpr const char* kFiveGroups = "five";
constexpr const char* kVariableGroups = "variable";

}  // namespace

LessonSettings ReadLessonSettings(const SettingsFile& file) {
  LessonSettings s;
  const char* section = kLessonSection;
  s.pitch = file.GetInt(section, "pitch", s.pitch, 300, 1500);
  s.volume = file.GetInt(section, "volume", s.volume, 0, 100);
  s.attack = file.GetInt(section, "attack_ms", s.attack, 0, 15);
  s.noise = file.GetInt(section, "noise", s.noise, 0, 100);
  s.jitter = file.GetInt(section, "jitter", s.jitter, 0, 50);
  s.charWpm = file.GetInt(section, "char_wpm", s.charWpm, kLowestWpm, kHighestWpm);
  s.effectiveWpm = file.GetInt(section, "effective_wpm", std::min(s.effectiveWpm, s.charWpm),
                               kLowestWpm, s.charWpm);
  s.minutes = file.GetInt(section, "minutes", s.minutes, 1, 10);
  const std::optional<std::string> groups = file.Get(section, "groups");
  s.groups = groups && *groups == kVariableGroups ? GroupMode::kVariable : GroupMode::kFive;
  return s;
}

void WriteLessonSettings(const LessonSettings& s, SettingsFile& file) {
  const char* section = kLessonSection;
  file.SetInt(section, "pitch", s.pitch);
  file.SetInt(section, "volume", s.volume);
  file.SetInt(section, "attack_ms", s.attack);
  file.SetInt(section, "noise", s.noise);
  file.SetInt(section, "jitter", s.jitter);
  file.SetInt(section, "char_wpm", s.charWpm);
  file.SetInt(section, "effective_wpm", s.effectiveWpm);
  file.SetInt(section, "minutes", s.minutes);
  file.Set(section, "groups", s.groups == GroupMode::kVariable ? kVariableGroups : kFiveGroups);
}

}  // namespace dovrik
