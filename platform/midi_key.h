#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/key_input.h"
#include "platform/midi_inputs.h"
#include "platform/midi_key_tracker.h"

namespace dovrik {

// Keys on MIDI: every input of every MIDI system is listened to while a
// keying exercise runs, and each holds the key down as its MidiKeyTracker
// says; the key is down while any input holds it. The paddles and the
// straight key under a keyer are held the same way, each while any input
// holds it. Inputs that appear during
// the exercise are picked up at the next Watch; an input that disappears
// (a device unplugged) no longer holds the key, whatever it held.
//
// The MIDI systems' threads only update atomic counts; the timer thread only
// reads them. The four fields of a reading are counted apart, so a reading
// may see one message's change in one field a tick before another.
class MidiKeyInput : public KeyInput {
 public:
  explicit MidiKeyInput(MidiInputsFactory makeSystems);
  ~MidiKeyInput() override;
  MidiKeyInput(const MidiKeyInput&) = delete;
  MidiKeyInput& operator=(const MidiKeyInput&) = delete;

  // Timer thread.
  bool IsDown() override { return Holding(kKeyRole); }
  KeyReading Read() override {
    return KeyReading{Holding(kKeyRole), Holding(kDitRole), Holding(kDahRole),
                      Holding(kStraightOnlyRole)};
  }

  // Worker thread: makes the systems and opens every input there is.
  void BeginKeying() override;
  // Worker thread: closes every input and drops the systems.
  void EndKeying() override;
  // The watch thread: opens new inputs, closes those that went away.
  void Watch() override { Scan(); }

  // Any thread. Messages taken from all inputs since this object was made,
  // and the inputs listened to now: for diagnostics and tests.
  uint64_t MessagesTaken() const { return messagesTaken_.load(std::memory_order_acquire); }
  int InputsOpen() const { return inputsOpen_.load(std::memory_order_acquire); }

 private:
  // The fields of KeyReading, in its order.
  enum Role { kKeyRole, kDitRole, kDahRole, kStraightOnlyRole, kRoles };

  struct Input {
    size_t system = 0;
    std::string port;
    MidiKeyTracker tracker;                        // the delivering thread only
    std::array<std::atomic<bool>, kRoles> held{};  // written by the delivering thread
    std::unique_ptr<MidiConnection> connection;    // null: would not open
  };

  bool Holding(Role role) const { return inputsHolding_[role].load(std::memory_order_relaxed) > 0; }

  void Scan();
  void Close(Input& input);
  void Take(Input& input, std::span<const uint8_t> message);

  const MidiInputsFactory makeSystems_;
  // Worker and watch thread, one after the other.
  std::vector<std::unique_ptr<MidiInputs>> systems_;
  std::vector<std::unique_ptr<Input>> inputs_;

  std::array<std::atomic<int>, kRoles> inputsHolding_{};  // inputs holding each role
  std::atomic<int> inputsOpen_{0};
  std::atomic<uint64_t> messagesTaken_{0};
};

}  // namespace dovrik
