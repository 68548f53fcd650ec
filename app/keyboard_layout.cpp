#include "app/keyboard_layout.h"

#include <QKeyEvent>
#include <array>

#include "app/x11_key_map.h"

namespace dovrik {
namespace {

// Qt's own keys (Tab, Ctrl, F1...) lie at and above this code; below it a
// key is a Unicode character.
constexpr int kFirstSpecialKey = 0x01000000;

char LatinLetter(uint32_t symbol) {
  // X key symbols of the Latin letters are their ASCII codes.
  if (symbol >= 'a' && symbol <= 'z') return static_cast<char>(symbol - 'a' + 'A');
  if (symbol >= 'A' && symbol <= 'Z') return static_cast<char>(symbol);
  return 0;
}

// The letter keys of a US keyboard by their XKB position names.
struct Position {
  std::string_view name;
  char letter;
};
constexpr std::array<Position, 26> kUsLetterPositions = {{
    {"AD01", 'Q'}, {"AD02", 'W'}, {"AD03", 'E'}, {"AD04", 'R'}, {"AD05", 'T'}, {"AD06", 'Y'},
    {"AD07", 'U'}, {"AD08", 'I'}, {"AD09", 'O'}, {"AD10", 'P'}, {"AC01", 'A'}, {"AC02", 'S'},
    {"AC03", 'D'}, {"AC04", 'F'}, {"AC05", 'G'}, {"AC06", 'H'}, {"AC07", 'J'}, {"AC08", 'K'},
    {"AC09", 'L'}, {"AB01", 'Z'}, {"AB02", 'X'}, {"AB03", 'C'}, {"AB04", 'V'}, {"AB05", 'B'},
    {"AB06", 'N'}, {"AB07", 'M'},
}};

}  // namespace

char AcceleratorLetter(int qtKey, std::span<const uint32_t> groupSymbols,
                       std::string_view keyName) {
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<char>(qtKey);
  // ASCII keys (digits, punctuation) and Qt's special keys keep their
  // meaning; only a character beyond ASCII looks for a Latin letter.
  if (qtKey < 0x80 || qtKey >= kFirstSpecialKey) return 0;
  for (const uint32_t symbol : groupSymbols) {
    if (const char letter = LatinLetter(symbol)) return letter;
  }
  for (const Position& position : kUsLetterPositions) {
    if (position.name == keyName) return position.letter;
  }
  return 0;
}

char AcceleratorLetter(const QKeyEvent& key) {
  const int qtKey = key.key();
  if (qtKey < 0x80 || qtKey >= kFirstSpecialKey) return AcceleratorLetter(qtKey, {}, {});
  const X11PhysicalKey physical = LookUpX11Key(key.nativeScanCode());
  return AcceleratorLetter(qtKey, physical.groupSymbols, physical.name);
}

}  // namespace dovrik
