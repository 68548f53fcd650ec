#include "config/config_file.h"

#include <cstdio>
#include <vector>

#include "config/config_reader.h"
#include "config/replace_file.h"
#include "tables/character_table.h"
#include "tables/slider_table.h"

namespace dovrik {

namespace {

// Reads the whole file into memory. A read error part-way counts as the end
// of the file: what was read before it is still applied.
bool ReadWholeFile(const std::string& path, std::vector<char>& text) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) return false;
  char chunk[4096];
  size_t count;
  while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    text.insert(text.end(), chunk, chunk + count);
  }
  std::fclose(file);
  return true;
}

void AppendFormatted(std::string& out, const char* format, const char* text, int value) {
  char line[64];
  const int length = std::snprintf(line, sizeof line, format, text, value);
  if (length > 0) out.append(line, static_cast<size_t>(length));
}

}  // namespace

void LoadConfigFile(DialogControls& dialog, const std::string& path) {
  std::vector<char> text;
  if (!ReadWholeFile(path, text)) return;
  LoadConfigFromMemory(text, dialog);
}

void InitSliders(DialogControls& dialog) {
  for (const SliderSpec* row = SliderTable; row->controlId != 0; ++row) {
    dialog.SetScrollRange(row->controlId, row->minimum, row->maximum);
    dialog.SendThumbPosition(row->controlId, row->startValue);
  }
}

std::string FormatConfigFile(DialogControls& dialog) {
  std::string out = "# Dovrik configuration file\n\n";
  for (const SliderSpec* row = SliderTable; row->controlId != 0; ++row) {
    AppendFormatted(out, "%s\n%d\n\n", row->key, dialog.GetScrollPos(row->controlId));
  }
  AppendFormatted(out, "%s\n%d\n\n", "[VVV=]", dialog.IsTicked(kPreambleButtonId) ? 1 : 0);
  for (const CharacterEntry* row = CharacterTable; row->buttonId != 0; ++row) {
    const char key[] = {'[', row->character, ']', '\0'};
    AppendFormatted(out, "%s\n%d\n\n", key, dialog.IsTicked(row->buttonId) ? 1 : 0);
  }
  return out;
}

bool SaveConfigFile(DialogControls& dialog, const std::string& path) {
  return ReplaceFileContents(path, FormatConfigFile(dialog));
}

}  // namespace dovrik
