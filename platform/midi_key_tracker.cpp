#include "platform/midi_key_tracker.h"

namespace dovrik {
namespace {

constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kSustainPedal = 64;
constexpr uint8_t kAllSoundOff = 120;
constexpr uint8_t kAllNotesOff = 123;

bool IsDitNote(int note) {
  return note == 1 || note == 20;
}
bool IsDahNote(int note) {
  return note == 2 || note == 21;
}

}  // namespace

bool MidiKeyTracker::Handle(std::span<const uint8_t> message) {
  // Channel messages only, each with its two data bytes.
  if (message.size() < 3 || message[0] < 0x80 || message[0] >= 0xF0) return Held();
  const int channel = message[0] & 0x0F;
  const uint8_t first = message[1] & 0x7F;
  const uint8_t second = message[2] & 0x7F;
  switch (message[0] & 0xF0) {
    case kNoteOn:
      SetNote(channel, first, second > 0);
      break;
    case kNoteOff:
      SetNote(channel, first, false);
      break;
    case kControlChange:
      if (first == kSustainPedal) {
        const uint16_t bit = static_cast<uint16_t>(1u << channel);
        sustainChannels_ = second >= 64 ? (sustainChannels_ | bit) : (sustainChannels_ & ~bit);
      } else if (first == kAllNotesOff || first == kAllSoundOff) {
        for (const int note : {1, 2, 20, 21}) SetNote(channel, note, false);
        notesOn_ -= static_cast<int>(notes_[channel].count());
        notes_[channel].reset();
      }
      break;
    default:
      break;
  }
  return Held();
}

void MidiKeyTracker::SetNote(int channel, int note, bool on) {
  if (notes_[channel].test(note) == on) return;
  notes_[channel].set(note, on);
  const int step = on ? 1 : -1;
  notesOn_ += step;
  if (IsDitNote(note)) ditNotesOn_ += step;
  if (IsDahNote(note)) dahNotesOn_ += step;
}

KeyReading MidiKeyTracker::Reading() const {
  const bool otherNotes = notesOn_ > ditNotesOn_ + dahNotesOn_;
  return KeyReading{Held(), ditNotesOn_ > 0, dahNotesOn_ > 0, otherNotes || sustainChannels_ != 0};
}

}  // namespace dovrik
