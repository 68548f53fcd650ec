#pragma once

#include <memory>
#include <vector>

#include "platform/midi_inputs.h"

namespace dovrik {

// The MIDI systems of this machine through RtMidi: the ALSA sequencer (USB
// MIDI devices), when /dev/snd/seq can be opened, and a JACK server (or
// PipeWire's JACK service), when one is running; JACK is never started for
// this. Each input is listened to by an RtMidi input of its own, so that
// its notes are its own; the messages arrive on RtMidi's threads (ALSA's
// input thread, JACK's process thread). System-exclusive, timing and
// active-sensing messages are left out, as RtMidi does by default.
std::vector<std::unique_ptr<MidiInputs>> MakeSystemMidiInputs();

}  // namespace dovrik
