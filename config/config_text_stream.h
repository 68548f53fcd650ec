#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace dovrik {

// Reads the configuration text from memory the way the C library's buffered
// text streams read a file: a word like fscanf("%32s"), a number like
// fscanf("%d"), a piece of a line like fgets into a 16-byte buffer, and the
// end-of-file test like feof, which only turns true once a read has tried to
// go past the last byte. The reader's odd rules rest on exactly these
// semantics, so they are kept here in one place. Allocates nothing.
class ConfigTextStream {
 public:
  static constexpr size_t kWordLength = 32;       // characters of a word, at most
  static constexpr size_t kLinePieceBuffer = 16;  // bytes of a line piece, NUL included

  explicit ConfigTextStream(std::span<const char> text) : text_(text) {}

  // feof: true once a read has met the end of the text.
  bool AtEnd() const { return atEnd_; }

  // fscanf("%32s"): skips white space, then stores up to 32 characters that
  // are not white space and a terminating NUL in `word`. Returns false when
  // the end is met before any such character. A NUL byte in the text is no
  // white space: it is stored like any other byte.
  bool ReadWord(std::span<char, kWordLength + 1> word);

  enum class NumberResult { kNumber, kNoNumber, kEnd };

  // fscanf("%d"): skips white space, then reads an optionally signed decimal
  // integer. kEnd when the end is met before anything but white space;
  // kNoNumber when what follows cannot start a number (a sign that is not
  // followed by a digit is consumed, the character after it is not). Values
  // beyond the 32-bit range saturate at its limits.
  NumberResult ReadNumber(int32_t& value);

  // fgets(piece, 16): up to 15 bytes, ending early after a line feed, then a
  // NUL. Returns false when nothing was read because the end was met first.
  bool ReadLinePiece(std::span<char, kLinePieceBuffer> piece);

 private:
  static constexpr int kEndOfText = -1;

  // getc: the next byte as unsigned char, or kEndOfText (and AtEnd turns true).
  int Get();
  // ungetc of the byte just read.
  void Unget() { --position_; }

  std::span<const char> text_;
  size_t position_ = 0;
  bool atEnd_ = false;
};

// isspace in the "C" locale: space, tab, line feed, vertical tab, form feed
// and carriage return. So a CR before a line feed is white space.
inline bool IsConfigWhiteSpace(int c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace dovrik
