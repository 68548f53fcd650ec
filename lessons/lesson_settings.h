#pragma once

#include <string>

#include "lessons/text_generator.h"
#include "settings/settings_file.h"

namespace dovrik {

// The lessons' own settings, kept in section [lessons] of the additions'
// settings file. A value out of range reads as the nearer end of its range,
// a missing or unreadable one as its default.
struct LessonSettings {
  int pitch = 600;        // Hz, 300 .. 1500
  int volume = 80;        // percent, 0 .. 100 (applied by the player)
  int attack = 5;         // ms of each ramp, 0 .. 15 (at most a third of a dot)
  int noise = 0;          // percent, 0 .. 100
  int jitter = 0;         // percent of a dot, 0 .. 50
  int charWpm = 20;       // C, 5 .. 50
  int effectiveWpm = 10;  // E, 5 .. C
  int minutes = 2;        // 1 .. 10
  GroupMode groups = GroupMode::kFive;
};

inline constexpr const char* kLessonSection = "lessons";

// Reads [lessons]; E above C reads as C.
LessonSettings ReadLessonSettings(const SettingsFile& file);
// Writes every value of [lessons], keeping the rest of the file.
void WriteLessonSettings(const LessonSettings& settings, SettingsFile& file);

}  // namespace dovrik
