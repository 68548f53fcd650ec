#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dovrik {

// The additions' settings file: an INI text of "[section]" headers and
// "key=value" lines (`$XDG_CONFIG_HOME/dovrik/settings.ini`). `Dovrik.ini`
// is never touched by it.
//
// Nothing in a file is lost by reading and saving it again: every line is
// kept as it was read, comments, blank lines, lines that make no sense and
// keys this Dovrik does not know included; Set changes the value of the
// first line of its key in place, or adds the key at the end of its section
// (or a new section at the end). Keys and section names are matched exactly;
// spaces around them and around the value are not part of them.
class SettingsFile {
 public:
  SettingsFile() = default;

  // Reads the file at `path`. A missing or unreadable file, or one larger
  // than 1 MiB, reads as empty; a malformed line is kept and passed over.
  static SettingsFile Load(const std::string& path);
  // Reads a text, as Load reads a file's.
  static SettingsFile Parse(std::string_view text);

  // The value of the first line of `key` in `section`, if there is one.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // A whole number in [lowest, highest]: a value out of range is brought to
  // the nearer end; a missing value, or one that is not a whole number,
  // gives `fallback`.
  int GetInt(std::string_view section, std::string_view key, int fallback, int lowest,
             int highest) const;
  // "true"/"false" (also 1/0, yes/no, on/off); anything else gives `fallback`.
  bool GetBool(std::string_view section, std::string_view key, bool fallback) const;

  // A value may not hold a line break; one is replaced by a space.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  void SetInt(std::string_view section, std::string_view key, int value);
  void SetBool(std::string_view section, std::string_view key, bool value);

  // The file's text, each line ending in a line feed.
  std::string Text() const;
  // Writes the text to `path` atomically (a temporary file renamed over the
  // old one, which stays as it was on any failure), creating the folders on
  // the way (0700). True when the file now holds the text.
  bool Save(const std::string& path) const;

 private:
  struct Line {
    std::string text;     // the line as read or made, without its line feed
    std::string section;  // the section it belongs to ("" before the first header)
    std::string key;      // empty unless the line is "key=value"
  };
  // The index of the first "key=value" line of `key` in `section`, or -1.
  long Find(std::string_view section, std::string_view key) const;

  std::vector<Line> lines_;
};

}  // namespace dovrik
