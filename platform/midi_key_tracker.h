#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <span>

namespace dovrik {

// What one MIDI input's messages mean for the key: it is held while any note
// is on (a note-on with velocity above 0, until its note-off or a note-on
// with velocity 0) or the sustain pedal is down (control change 64 at 64 or
// more), on any channel. "All notes off" and "all sound off" end the notes
// of their channel; the pedal stays as it is. Every other message is passed
// over. One thread at a time: the thread that delivers the input's messages.
class MidiKeyTracker {
 public:
  // One whole message, status byte first. Returns Held() afterwards.
  bool Handle(std::span<const uint8_t> message);
  bool Held() const { return notesOn_ > 0 || sustainChannels_ != 0; }

 private:
  void SetNote(int channel, int note, bool on);

  std::array<std::bitset<128>, 16> notes_{};
  int notesOn_ = 0;
  uint16_t sustainChannels_ = 0;  // bit n: the pedal of channel n is down
};

}  // namespace dovrik
