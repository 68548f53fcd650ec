// Fuzzes the configuration reader over arbitrary bytes. Besides the
// sanitizers' checks, every input is read a second time by a reference
// reader written directly on the C library's streams (fmemopen, fscanf
// "%32s" and "%d", fgets into 16 bytes, feof), and both must leave the same
// ticks and start values: the memory reader must keep the stream semantics
// on which the file's rules rest.

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <span>

#include "config/config_reader.h"
#include "platform/dialog_controls.h"
#include "tables/character_table.h"
#include "tables/slider_table.h"

namespace {

using dovrik::CharacterEntry;
using dovrik::CharacterTable;
using dovrik::kSliderCount;
using dovrik::SliderTable;

// Records the check buttons the reader touches; it uses nothing else.
class TickStore : public dovrik::DialogControls {
 public:
  int GetScrollPos(int) override { std::abort(); }
  void SetScrollRange(int, int, int) override { std::abort(); }
  void SendThumbPosition(int, int) override { std::abort(); }
  bool IsTicked(int id) override { return ticked[id]; }
  void SetTicked(int id, bool value) override { ticked[id] = value; }
  void SetItemText(int, const std::string&) override { std::abort(); }
  void AppendToOutputBox(const std::string&) override { std::abort(); }
  void ShowWarning(const std::string&) override { std::abort(); }
  dovrik::StripChartSurface* StripChart() override { std::abort(); }

  std::map<int, bool> ticked;
};

constexpr int32_t kDefaults[kSliderCount] = {12, 25, 3, 1, 1, 100, 0, 900, 5, 0};

void ReferenceSkipLine(FILE* file) {
  if (feof(file)) return;
  char piece[16];
  do {
    if (fgets(piece, sizeof piece, file) == nullptr) return;
    const size_t length = strlen(piece);
    if (length == 0 || piece[length - 1] == '\n') return;
  } while (!feof(file));
}

void ReferenceApply(char* key, int value, TickStore& store, int32_t* startValues) {
  for (char* c = key; *c != '\0'; ++c) {
    if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
  }
  if (strcmp(key, "[VVV=]") == 0) {
    store.ticked[dovrik::kPreambleButtonId] = value != 0;
    return;
  }
  char characterKey[8];
  for (const CharacterEntry* row = CharacterTable; row->character != '\0'; ++row) {
    snprintf(characterKey, sizeof characterKey, "[%c]", row->character);
    if (strcmp(key, characterKey) == 0) {
      store.ticked[row->buttonId] = value != 0;
      return;
    }
  }
  for (int i = 0; i < kSliderCount; ++i) {
    if (strcmp(key, SliderTable[i].key) == 0) {
      if (value >= SliderTable[i].minimum && value <= SliderTable[i].maximum) {
        startValues[i] = value;
      }
      return;
    }
  }
}

void ReferenceLoad(const uint8_t* data, size_t size, TickStore& store, int32_t* startValues) {
  FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (file == nullptr) std::abort();
  if (!feof(file)) {
    do {
      char word[33];
      if (fscanf(file, "%32s", word) != 1) break;
      ReferenceSkipLine(file);
      const size_t length = strlen(word);
      if (length < 3 || word[0] != '[' || word[length - 1] != ']') continue;
      int value = 0;
      const int read = fscanf(file, "%d", &value);
      if (read == EOF) break;
      ReferenceSkipLine(file);
      if (read != 1) continue;
      ReferenceApply(word, value, store, startValues);
    } while (!feof(file));
  }
  fclose(file);
}

// fscanf's "%d" is undefined beyond the int range (glibc truncates), while
// the memory reader saturates; such inputs are not compared.
bool HasOverlongNumber(const uint8_t* data, size_t size) {
  size_t run = 0;
  for (size_t i = 0; i < size; ++i) {
    run = std::isdigit(data[i]) ? run + 1 : 0;
    if (run >= 10) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (int i = 0; i < kSliderCount; ++i) SliderTable[i].startValue = kDefaults[i];
  TickStore store;
  dovrik::LoadConfigFromMemory(std::span(reinterpret_cast<const char*>(data), size), store);

  for (int i = 0; i < kSliderCount; ++i) {
    const dovrik::SliderSpec& row = SliderTable[i];
    if (row.startValue < row.minimum || row.startValue > row.maximum) std::abort();
  }
  if (size == 0 || HasOverlongNumber(data, size)) return 0;

  TickStore reference;
  int32_t startValues[kSliderCount];
  std::memcpy(startValues, kDefaults, sizeof startValues);
  ReferenceLoad(data, size, reference, startValues);
  if (reference.ticked != store.ticked) std::abort();
  for (int i = 0; i < kSliderCount; ++i) {
    if (startValues[i] != SliderTable[i].startValue) std::abort();
  }
  return 0;
}
