#include "config/config_text_stream.h"

#include <limits>

namespace dovrik {

int ConfigTextStream::Get() {
  if (position_ >= text_.size()) {
    atEnd_ = true;
    return kEndOfText;
  }
  return static_cast<unsigned char>(text_[position_++]);
}

bool ConfigTextStream::ReadWord(std::span<char, kWordLength + 1> word) {
  int c = Get();
  while (c != kEndOfText && IsConfigWhiteSpace(c)) c = Get();
  if (c == kEndOfText) return false;

  size_t length = 0;
  word[length++] = static_cast<char>(c);
  // Like the C library, stop without reading further once the width is
  // reached: the 33rd character of a long word stays in the stream.
  while (length < kWordLength) {
    c = Get();
    if (c == kEndOfText) break;
    if (IsConfigWhiteSpace(c)) {
      Unget();
      break;
    }
    word[length++] = static_cast<char>(c);
  }
  word[length] = '\0';
  return true;
}

ConfigTextStream::NumberResult ConfigTextStream::ReadNumber(int32_t& value) {
  int c = Get();
  while (c != kEndOfText && IsConfigWhiteSpace(c)) c = Get();
  if (c == kEndOfText) return NumberResult::kEnd;

  bool negative = false;
  if (c == '-' || c == '+') {
    negative = c == '-';
    c = Get();
  }
  if (c < '0' || c > '9') {
    if (c != kEndOfText) Unget();
    return NumberResult::kNoNumber;
  }

  // Accumulate the magnitude in 64 bits and stop growing it past the 32-bit
  // range, so any run of digits is read whole and saturates.
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  while (c >= '0' && c <= '9') {
    if (magnitude <= kLimit) magnitude = magnitude * 10 + (c - '0');
    c = Get();
  }
  if (c != kEndOfText) Unget();

  if (negative) {
    value = magnitude >= kLimit ? std::numeric_limits<int32_t>::min()
                                : static_cast<int32_t>(-magnitude);
  } else {
    value =
        magnitude >= kLimit ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(magnitude);
  }
  return NumberResult::kNumber;
}

bool ConfigTextStream::ReadLinePiece(std::span<char, kLinePieceBuffer> piece) {
  size_t length = 0;
  while (length < kLinePieceBuffer - 1) {
    const int c = Get();
    if (c == kEndOfText) break;
    piece[length++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  if (length == 0) return false;
  piece[length] = '\0';
  return true;
}

}  // namespace dovrik
