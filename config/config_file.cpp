#include "config/config_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "config/config_reader.h"
#include "config/replace_file.h"
#include "tables/character_table.h"
#include "tables/slider_table.h"

namespace dovrik {

namespace {

// Reads the whole file into memory. Only a regular file of at most
// kLargestConfigFileBytes is read: a FIFO would block start-up, and a device
// such as /dev/zero, or a huge file, would grow memory without end. Anything
// else counts as a file that cannot be opened. A read error part-way counts
// as the end of the file: what was read before it is still applied.
bool ReadWholeFile(const std::string& path, std::vector<char>& text) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status;
  bool readable = fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  char chunk[4096];
  while (readable) {
    const ssize_t count = read(fd, chunk, sizeof chunk);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    // The size is checked as the bytes come, not from fstat: the file may
    // grow while it is read.
    if (text.size() + static_cast<size_t>(count) > kLargestConfigFileBytes) {
      readable = false;
      break;
    }
    text.insert(text.end(), chunk, chunk + count);
  }
  close(fd);
  return readable;
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
