#include "settings/settings_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdio>

#include "config/replace_file.h"
#include "settings/xdg_paths.h"

namespace dovrik {
namespace {

constexpr long kLargestFileBytes = 1024 * 1024;

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::string Directory(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

SettingsFile SettingsFile::Parse(std::string_view text) {
  SettingsFile file;
  std::string section;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    Line line{std::string(raw), section, {}};
    const std::string_view trimmed = Trim(raw);
    if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
      section = std::string(Trim(trimmed.substr(1, trimmed.size() - 2)));
      line.section = section;
    } else if (!trimmed.empty() && trimmed.front() != '#' && trimmed.front() != ';') {
      const size_t equals = trimmed.find('=');
      if (equals != std::string_view::npos && equals > 0) {
        line.key = std::string(Trim(trimmed.substr(0, equals)));
      }
    }
    file.lines_.push_back(std::move(line));
  }
  return file;
}

SettingsFile SettingsFile::Load(const std::string& path) {
  std::FILE* stream = std::fopen(path.c_str(), "rb");
  if (stream == nullptr) return {};
  std::string text;
  struct stat status {};
  if (::fstat(fileno(stream), &status) == 0 && S_ISREG(status.st_mode) &&
      status.st_size <= kLargestFileBytes) {
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, stream)) > 0) {
      text.append(chunk, got);
      if (static_cast<long>(text.size()) > kLargestFileBytes) {
        text.clear();
        break;
      }
    }
  }
  std::fclose(stream);
  return Parse(text);
}

long SettingsFile::Find(std::string_view section, std::string_view key) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (!lines_[i].key.empty() && lines_[i].section == section && lines_[i].key == key) {
      return static_cast<long>(i);
    }
  }
  return -1;
}

std::optional<std::string> SettingsFile::Get(std::string_view section,
                                             std::string_view key) const {
  const long at = Find(section, key);
  if (at < 0) return std::nullopt;
  const std::string& text = lines_[static_cast<size_t>(at)].text;
  return std::string(Trim(std::string_view(text).substr(text.find('=') + 1)));
}

int SettingsFile::GetInt(std::string_view section, std::string_view key, int fallback,
                         int lowest, int highest) const {
  const std::optional<std::string> value = Get(section, key);
  if (!value || value->empty()) return fallback;
  long long number = 0;
  const char* begin = value->data();
  const char* end = begin + value->size();
  if (*begin == '+') ++begin;
  const auto [stop, error] = std::from_chars(begin, end, number);
  if (stop != end) return fallback;
  if (error == std::errc::result_out_of_range) return *begin == '-' ? lowest : highest;
  if (error != std::errc{}) return fallback;
  if (number < lowest) return lowest;
  if (number > highest) return highest;
  return static_cast<int>(number);
}

bool SettingsFile::GetBool(std::string_view section, std::string_view key, bool fallback) const {
  const std::optional<std::string> value = Get(section, key);
  if (!value) return fallback;
  for (const char* yes : {"true", "1", "yes", "on"}) {
    if (*value == yes) return true;
  }
  for (const char* no : {"false", "0", "no", "off"}) {
    if (*value == no) return false;
  }
  return fallback;
}

void SettingsFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::string clean(value);
  for (char& c : clean) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  std::string text = std::string(key) + "=" + clean;
  const long at = Find(section, key);
  if (at >= 0) {
    lines_[static_cast<size_t>(at)].text = std::move(text);
    return;
  }
  // After the last non-blank line of the section, or in a new section.
  long last = -1;
  bool headerSeen = section.empty();
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].section != section) continue;
    const bool header = lines_[i].key.empty() && Trim(lines_[i].text).starts_with('[');
    if (header) headerSeen = true;
    if (headerSeen && !Trim(lines_[i].text).empty()) last = static_cast<long>(i);
  }
  if (last < 0 && !section.empty()) {
    if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back({"", "", {}});
    // Appended rather than concatenated: GCC 12 at -O3 takes "[" + string
    // for an overlapping copy (-Wrestrict).
    std::string header = "[";
    header.append(section).append("]");
    lines_.push_back({std::move(header), std::string(section), {}});
    last = static_cast<long>(lines_.size()) - 1;
  }
  lines_.insert(lines_.begin() + (last + 1),
                Line{std::move(text), std::string(section), std::string(key)});
}

void SettingsFile::SetInt(std::string_view section, std::string_view key, int value) {
  Set(section, key, std::to_string(value));
}

void SettingsFile::SetBool(std::string_view section, std::string_view key, bool value) {
  Set(section, key, value ? "true" : "false");
}

std::string SettingsFile::Text() const {
  std::string text;
  for (const Line& line : lines_) text += line.text + "\n";
  return text;
}

bool SettingsFile::Save(const std::string& path) const {
  if (path.empty() || !MakeDirectories(Directory(path))) return false;
  return ReplaceFileContents(path, Text());
}

}  // namespace dovrik
