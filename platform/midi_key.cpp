#include "platform/midi_key.h"

#include <algorithm>
#include <utility>

namespace dovrik {

MidiKeyInput::MidiKeyInput(MidiInputsFactory makeSystems) : makeSystems_(std::move(makeSystems)) {}

MidiKeyInput::~MidiKeyInput() {
  EndKeying();
}

void MidiKeyInput::BeginKeying() {
  EndKeying();
  systems_ = makeSystems_();
  Scan();
}

void MidiKeyInput::EndKeying() {
  for (const auto& input : inputs_) Close(*input);
  inputs_.clear();
  systems_.clear();
}

void MidiKeyInput::Scan() {
  for (size_t system = 0; system < systems_.size(); ++system) {
    const std::vector<std::string> ports = systems_[system]->ListPorts();
    const auto gone = [&](const std::unique_ptr<Input>& input) {
      return input->system == system &&
             std::find(ports.begin(), ports.end(), input->port) == ports.end();
    };
    for (const auto& input : inputs_) {
      if (gone(input)) Close(*input);
    }
    std::erase_if(inputs_, gone);

    for (const std::string& port : ports) {
      const bool known = std::any_of(inputs_.begin(), inputs_.end(), [&](const auto& input) {
        return input->system == system && input->port == port;
      });
      if (known) continue;
      // An input that will not open is not tried again until it has gone
      // and come back.
      auto input = std::make_unique<Input>();
      input->system = system;
      input->port = port;
      Input* const listened = input.get();
      input->connection = systems_[system]->Open(
          port, [this, listened](std::span<const uint8_t> message) { Take(*listened, message); });
      if (input->connection) inputsOpen_.fetch_add(1, std::memory_order_release);
      inputs_.push_back(std::move(input));
    }
  }
}

void MidiKeyInput::Close(Input& input) {
  if (!input.connection) return;
  // No message is delivered once the connection is gone, so what the input
  // held is final: an input unplugged with its note down lets go here.
  input.connection.reset();
  for (int role = 0; role < kRoles; ++role) {
    if (input.held[role].exchange(false))
      inputsHolding_[role].fetch_sub(1, std::memory_order_relaxed);
  }
  inputsOpen_.fetch_sub(1, std::memory_order_release);
}

void MidiKeyInput::Take(Input& input, std::span<const uint8_t> message) {
  input.tracker.Handle(message);
  const KeyReading reading = input.tracker.Reading();
  const std::array<bool, kRoles> held = {reading.key, reading.dit, reading.dah,
                                         reading.straightOnly};
  for (int role = 0; role < kRoles; ++role) {
    if (held[role] == input.held[role].load(std::memory_order_relaxed)) continue;
    input.held[role].store(held[role], std::memory_order_relaxed);
    inputsHolding_[role].fetch_add(held[role] ? 1 : -1, std::memory_order_relaxed);
  }
  messagesTaken_.fetch_add(1, std::memory_order_release);
}

}  // namespace dovrik
