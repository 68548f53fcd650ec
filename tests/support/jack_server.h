#pragma once

// Test support: a real JACK server of the test's own on the dummy driver
// (no sound card), under a private server name, started with jackd and
// ended again; and a JACK client that plays MIDI messages from an output
// port, as a key adapter or pedal seen through JACK would. While the server
// object lives, this process's JACK clients reach it (JACK_DEFAULT_SERVER).

#include <fcntl.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace dovrik::testing {

class JackServer {
 public:
  // Starts jackd and waits up to 15 s for it to take clients.
  explicit JackServer(const std::string& log) : log_(log) {
    name_ = "dovrik-test-" + std::to_string(getpid());
    if (const char* old = std::getenv("JACK_DEFAULT_SERVER")) saved_ = old;
    setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);

    // Not real-time (CI runs as root without a real-time limit to speak
    // of), and no D-Bus device reservation: there is no device to reserve.
    std::vector<std::string> arguments = {"jackd", "-r", "-n",    name_, "-d",
                                          "dummy", "-r", "48000", "-p",  "256"};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment = {"JACK_NO_AUDIO_RESERVATION=1"};
    for (char** variable = environ; *variable != nullptr; ++variable) {
      environment.push_back(*variable);
    }
    std::vector<char*> envp;
    for (std::string& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const int failed =
        posix_spawnp(&pid_, "jackd", &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) {
      pid_ = 0;
      return;
    }
    for (int attempt = 0; attempt < 300 && !ok_; ++attempt) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        return;
      }
      jack_status_t jackStatus{};
      if (jack_client_t* probe = jack_client_open("probe", JackNoStartServer, &jackStatus)) {
        jack_client_close(probe);
        ok_ = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

  ~JackServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      bool ended = false;
      for (int attempt = 0; attempt < 100 && !ended; ++attempt) {
        ended = waitpid(pid_, &status, WNOHANG) == pid_;
        if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      if (!ended) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
      }
    }
    if (saved_) {
      setenv("JACK_DEFAULT_SERVER", saved_->c_str(), 1);
    } else {
      unsetenv("JACK_DEFAULT_SERVER");
    }
  }

  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;

  bool ok() const { return ok_; }

  // What jackd printed, for a failure message.
  std::string Log() const {
    std::string text;
    if (std::FILE* file = std::fopen(log_.c_str(), "r")) {
      char block[4096];
      size_t count;
      while ((count = std::fread(block, 1, sizeof block, file)) > 0) text.append(block, count);
      std::fclose(file);
    }
    return text;
  }

 private:
  const std::string log_;
  std::string name_;
  std::optional<std::string> saved_;
  pid_t pid_ = 0;
  bool ok_ = false;
};

// A JACK client with one MIDI output port, "dovrik-test-keyer:out". Send
// queues a three-byte message from any one thread; the client's process
// thread writes it at the start of its next cycle and notes when.
class JackMidiKeyer {
 public:
  static constexpr int kMostMessages = 64;
  using Clock = std::chrono::steady_clock;

  JackMidiKeyer() {
    jack_status_t status{};
    client_ = jack_client_open("dovrik-test-keyer", JackNoStartServer, &status);
    if (client_ == nullptr) return;
    port_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (port_ == nullptr) return;
    jack_set_process_callback(client_, &JackMidiKeyer::Process, this);
    ok_ = jack_activate(client_) == 0;
  }
  ~JackMidiKeyer() { Unplug(); }
  JackMidiKeyer(const JackMidiKeyer&) = delete;
  JackMidiKeyer& operator=(const JackMidiKeyer&) = delete;

  bool ok() const { return ok_; }
  std::string PortName() const { return port_ != nullptr ? jack_port_name(port_) : ""; }

  // How many inputs our port is connected to now.
  int Connections() const { return client_ != nullptr ? jack_port_connected(port_) : 0; }

  // Queues a message; returns its number, or -1 when the queue is full.
  int Send(uint8_t status, uint8_t first, uint8_t second) {
    const int number = queued_.load(std::memory_order_relaxed);
    if (number >= kMostMessages) return -1;
    messages_[number] = {status, first, second};
    queued_.store(number + 1, std::memory_order_release);
    return number;
  }

  // When message `number` went out, once it has (waits up to 10 s).
  std::optional<Clock::time_point> SentAt(int number) const {
    for (int attempt = 0; attempt < 1000; ++attempt) {
      if (sent_.load(std::memory_order_acquire) > number) {
        return Clock::time_point(Clock::duration(sentAt_[number].load()));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
  }

  // The device goes away: the client closes and its port disappears.
  void Unplug() {
    if (client_ == nullptr) return;
    jack_deactivate(client_);
    jack_client_close(client_);
    client_ = nullptr;
    port_ = nullptr;
  }

 private:
  // JACK's process thread.
  static int Process(jack_nframes_t frames, void* self) {
    auto& keyer = *static_cast<JackMidiKeyer*>(self);
    void* buffer = jack_port_get_buffer(keyer.port_, frames);
    jack_midi_clear_buffer(buffer);
    const int queued = keyer.queued_.load(std::memory_order_acquire);
    int sent = keyer.sent_.load(std::memory_order_relaxed);
    for (; sent < queued; ++sent) {
      const std::array<uint8_t, 3>& message = keyer.messages_[sent];
      if (jack_midi_event_write(buffer, 0, message.data(), message.size()) != 0) break;
      keyer.sentAt_[sent].store(Clock::now().time_since_epoch().count());
    }
    keyer.sent_.store(sent, std::memory_order_release);
    return 0;
  }

  jack_client_t* client_ = nullptr;
  jack_port_t* port_ = nullptr;
  bool ok_ = false;
  std::array<std::array<uint8_t, 3>, kMostMessages> messages_{};
  std::atomic<int> queued_{0};
  std::atomic<int> sent_{0};
  std::array<std::atomic<Clock::rep>, kMostMessages> sentAt_{};
};

}  // namespace dovrik::testing
