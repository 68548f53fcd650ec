#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace dovrik {

// Called with each whole MIDI message of one input, on the thread of the
// MIDI system that delivers it, one message at a time. Must not block.
using MidiMessageHandler = std::function<void(std::span<const uint8_t> message)>;

// One input being listened to. Destroying it stops the messages: once the
// destructor returns the handler is not running and will not run again.
class MidiConnection {
 public:
  virtual ~MidiConnection() = default;
};

// One MIDI system of the machine (the ALSA sequencer, a JACK server) and the
// inputs it offers: the ports that MIDI devices and programs send from.
// Used by one thread at a time.
class MidiInputs {
 public:
  virtual ~MidiInputs() = default;

  // The names of the inputs there now; each name stands for one input for as
  // long as it is listed. Empty when the system is not there.
  virtual std::vector<std::string> ListPorts() = 0;

  // Starts listening to the named input; null when it cannot be opened.
  virtual std::unique_ptr<MidiConnection> Open(const std::string& port,
                                               MidiMessageHandler handler) = 0;
};

// Makes the systems to listen to for one keying exercise.
using MidiInputsFactory = std::function<std::vector<std::unique_ptr<MidiInputs>>()>;

}  // namespace dovrik
