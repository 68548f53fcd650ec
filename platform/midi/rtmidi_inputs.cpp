#include "platform/midi/rtmidi_inputs.h"

#include <RtMidi.h>
#include <jack/jack.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>

namespace dovrik {
namespace {

constexpr const char* kClientName = "Dovrik";
constexpr const char* kPortName = "key";
constexpr unsigned kQueueSize = 100;

void Quietly(RtMidiError::Type, const std::string&, void*) {}
void QuietJack(const char*) {}

// libjack reports a missing server on standard error each time a client
// fails to connect; looking for a server a few times a second must not.
void QuietenJackOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    jack_set_error_function(QuietJack);
    jack_set_info_function(QuietJack);
  });
}

bool SystemThere(RtMidi::Api api) {
  if (api == RtMidi::LINUX_ALSA) return ::access("/dev/snd/seq", R_OK | W_OK) == 0;
  // RtMidi warns on standard error when it finds no JACK server, so a
  // client of our own looks first, without starting one.
  QuietenJackOnce();
  jack_status_t status{};
  jack_client_t* probe = jack_client_open(kClientName, JackNoStartServer, &status);
  if (probe == nullptr) return false;
  jack_client_close(probe);
  return true;
}

std::unique_ptr<RtMidiIn> MakeInput(RtMidi::Api api) {
  try {
    auto input = std::make_unique<RtMidiIn>(api, kClientName, kQueueSize);
    input->setErrorCallback(Quietly, nullptr);
    return input;
  } catch (const RtMidiError&) {
    return nullptr;
  }
}

class RtMidiConnection : public MidiConnection {
 public:
  RtMidiConnection(std::unique_ptr<RtMidiIn> input, MidiMessageHandler handler)
      : input_(std::move(input)), handler_(std::move(handler)) {}
  ~RtMidiConnection() override {
    // Closing joins ALSA's input thread or deactivates the JACK client, so
    // no callback runs after this.
    input_->closePort();
    input_.reset();
  }

  bool Start(unsigned index) {
    input_->setCallback(&RtMidiConnection::Deliver, this);
    // The back-end's thread may already run; JACK hands it over through
    // futexes that a thread checker cannot see, so the handler (and what it
    // reaches) is published here, before the port is connected.
    ready_.store(true, std::memory_order_release);
    input_->openPort(index, kPortName);
    return input_->isPortOpen();
  }

 private:
  static void Deliver(double, std::vector<unsigned char>* message, void* self) {
    auto& connection = *static_cast<RtMidiConnection*>(self);
    if (message == nullptr || !connection.ready_.load(std::memory_order_acquire)) return;
    connection.handler_(*message);
  }

  std::unique_ptr<RtMidiIn> input_;
  MidiMessageHandler handler_;
  std::atomic<bool> ready_{false};
};

class RtMidiInputs : public MidiInputs {
 public:
  explicit RtMidiInputs(RtMidi::Api api) : api_(api) {}

  std::vector<std::string> ListPorts() override {
    std::vector<std::string> ports;
    if (!lister_) {
      // A system that is not there is looked for again only every few
      // calls: a JACK server started meanwhile is found within two seconds.
      if (listsUntilNextLook_ > 0) {
        --listsUntilNextLook_;
        return ports;
      }
      if (SystemThere(api_)) lister_ = MakeInput(api_);
      if (!lister_) {
        listsUntilNextLook_ = kListsBetweenLooks;
        return ports;
      }
    }
    const unsigned count = lister_->getPortCount();
    for (unsigned i = 0; i < count; ++i) {
      std::string name = lister_->getPortName(i);
      if (!name.empty()) ports.push_back(std::move(name));
    }
    return ports;
  }

  std::unique_ptr<MidiConnection> Open(const std::string& port,
                                       MidiMessageHandler handler) override {
    std::unique_ptr<RtMidiIn> input = MakeInput(api_);
    if (!input) return nullptr;
    // The input's own list may differ from the lister's by a device that
    // came or went meanwhile; the name decides.
    const unsigned count = input->getPortCount();
    unsigned index = 0;
    while (index < count && input->getPortName(index) != port) ++index;
    if (index == count) return nullptr;
    auto connection = std::make_unique<RtMidiConnection>(std::move(input), std::move(handler));
    if (!connection->Start(index)) return nullptr;
    return connection;
  }

 private:
  static constexpr int kListsBetweenLooks = 7;

  const RtMidi::Api api_;
  std::unique_ptr<RtMidiIn> lister_;
  int listsUntilNextLook_ = 0;
};

}  // namespace

std::vector<std::unique_ptr<MidiInputs>> MakeSystemMidiInputs() {
  std::vector<RtMidi::Api> compiled;
  RtMidi::getCompiledApi(compiled);
  std::vector<std::unique_ptr<MidiInputs>> systems;
  for (RtMidi::Api api : {RtMidi::LINUX_ALSA, RtMidi::UNIX_JACK}) {
    if (std::find(compiled.begin(), compiled.end(), api) != compiled.end()) {
      systems.push_back(std::make_unique<RtMidiInputs>(api));
    }
  }
  return systems;
}

}  // namespace dovrik
