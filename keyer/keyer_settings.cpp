#include "keyer/keyer_settings.h"

#include <charconv>

#include "settings/settings_file.h"

namespace dovrik {
namespace {

constexpr std::string_view kSection = "keyer";

}  // namespace

KeyerSettings ReadKeyerSettings(const SettingsFile& file) {
  KeyerSettings settings;
  if (const std::optional<std::string> mode = file.Get(kSection, "mode")) {
    settings.mode = ParseKeyerMode(*mode).value_or(KeyerMode::kStraight);
  }
  settings.wpm = file.GetInt(kSection, "wpm", kDefaultKeyerWpm, kSlowestKeyerWpm, kFastestKeyerWpm);
  settings.swapPaddles = file.GetBool(kSection, "swap", false);
  return settings;
}

void WriteKeyerSettings(const KeyerSettings& settings, SettingsFile& file) {
  file.Set(kSection, "mode", KeyerModeName(settings.mode));
  file.SetInt(kSection, "wpm", settings.wpm);
  file.Set(kSection, "swap", settings.swapPaddles ? "1" : "0");
}

std::optional<KeyerOption> ParseKeyerOption(std::string_view text, std::string& error) {
  const size_t colon = text.find(':');
  const std::string_view modeName = text.substr(0, colon);
  KeyerOption option;
  if (const std::optional<KeyerMode> mode = ParseKeyerMode(modeName)) {
    option.mode = *mode;
  } else {
    error = "unknown keyer mode '" + std::string(modeName) +
            "' (straight, bug, iambic-a, iambic-b or ultimatic)";
    return std::nullopt;
  }
  if (colon == std::string_view::npos) return option;

  const std::string_view speed = text.substr(colon + 1);
  int wpm = 0;
  const char* const end = speed.data() + speed.size();
  const auto [stop, problem] = std::from_chars(speed.data(), end, wpm);
  const bool digitsOnly = !speed.empty() && speed.front() >= '0' && speed.front() <= '9';
  if (!digitsOnly || problem != std::errc() || stop != end || wpm < kSlowestKeyerWpm ||
      wpm > kFastestKeyerWpm) {
    error = "keyer speed '" + std::string(speed) + "' is not a whole number of words per minute " +
            "from 5 to 50";
    return std::nullopt;
  }
  option.wpm = wpm;
  return option;
}

KeyerSettings ApplyKeyerOption(KeyerSettings settings, const KeyerOption& option) {
  settings.mode = option.mode;
  if (option.wpm) settings.wpm = *option.wpm;
  return settings;
}

KeyerSettings LoadKeyerSettings(const std::string& path, const std::optional<KeyerOption>& option) {
  KeyerSettings settings;
  if (!path.empty()) settings = ReadKeyerSettings(SettingsFile::Load(path));
  return option ? ApplyKeyerOption(settings, *option) : settings;
}

}  // namespace dovrik
