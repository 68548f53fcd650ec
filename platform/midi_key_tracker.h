#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <span>

#include "platform/key_input.h"

namespace dovrik {

// What one MIDI input's messages mean for the key: it is held while any note
// is on (a note-on with velocity above 0, until its note-off or a note-on
// with velocity 0) or the sustain pedal is down (control change 64 at 64 or
// more), on any channel. "All notes off" and "all sound off" end the notes
// of their channel; the pedal stays as it is. Every other message is passed
// over. One thread at a time: the thread that delivers the input's messages.
//
// For a keyer the notes of the common paddle adapters are the paddles, on
// any channel: note 1 or 20 the dit paddle, note 2 or 21 the dah paddle.
// Every other note (note 0 included) and the sustain pedal stay a straight
// key ORed into the keyer's output.
class MidiKeyTracker {
 public:
  // One whole message, status byte first. Returns Held() afterwards.
  bool Handle(std::span<const uint8_t> message);
  bool Held() const { return notesOn_ > 0 || sustainChannels_ != 0; }
  // Held() as `key`, with the paddles and the straight key under a keyer.
  KeyReading Reading() const;

 private:
  void SetNote(int channel, int note, bool on);

  std::array<std::bitset<128>, 16> notes_{};
  int notesOn_ = 0;
  int ditNotesOn_ = 0;            // of notesOn_, the dit paddle's notes
  int dahNotesOn_ = 0;            // of notesOn_, the dah paddle's notes
  uint16_t sustainChannels_ = 0;  // bit n: the pedal of channel n is down
};

}  // namespace dovrik
