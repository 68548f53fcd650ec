#pragma once

// Test and benchmark support: a real sound server of our own (PulseAudio,
// or PipeWire with its PulseAudio service) with a null sink named "out",
// started by tests/support/sound_server.sh in a private runtime folder, and
// a recording of what the sink plays, taken from its monitor with parec.
// While the object lives, this process's sound clients (SDL's pulseaudio
// driver, pactl, parec) talk to that server.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio_format.h"

extern char** environ;

namespace dovrik::testing {

class SoundServer {
 public:
  // `kind` is "pulse" or "pipewire".
  explicit SoundServer(const std::string& kind) {
    const std::string output = Run(Script() + " start " + kind + " 2>&1", status_);
    if (status_ != 0) {
      error_ = output;
      return;
    }
    runtime_ = output.substr(0, output.find('\n'));
    for (const char* name : kVariables) {
      const char* value = std::getenv(name);
      saved_.push_back(value != nullptr ? std::optional<std::string>(value) : std::nullopt);
    }
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    setenv("PULSE_RUNTIME_PATH", (runtime_ + "/pulse").c_str(), 1);
    setenv("PIPEWIRE_RUNTIME_DIR", runtime_.c_str(), 1);
    unsetenv("PULSE_SERVER");
  }

  ~SoundServer() {
    StopRecording();
    if (runtime_.empty()) return;
    int status = 0;
    Run(Script() + " stop " + runtime_, status);
    for (size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i]) {
        setenv(kVariables[i], saved_[i]->c_str(), 1);
      } else {
        unsetenv(kVariables[i]);
      }
    }
  }

  SoundServer(const SoundServer&) = delete;
  SoundServer& operator=(const SoundServer&) = delete;

  bool ok() const { return !runtime_.empty(); }
  const std::string& Error() const { return error_; }

  // What pactl prints for `arguments` ("list sinks", "list sink-inputs").
  std::string Pactl(const std::string& arguments) const {
    int status = 0;
    return Run("pactl " + arguments + " 2>&1", status);
  }

  // The latencies pactl reports for the sink and the playing streams, one
  // "Latency: ..." line each, for the record.
  std::string Latencies() const {
    std::string report;
    for (const char* what : {"list sinks", "list sink-inputs"}) {
      const std::string listing = Pactl(what);
      size_t at = 0;
      while ((at = listing.find("Latency:", at)) != std::string::npos) {
        const size_t end = listing.find('\n', at);
        report += std::string(what) + ": " + listing.substr(at, end - at) + "\n";
        at = end;
      }
    }
    return report;
  }

  // Records the sink's monitor into `path`: raw signed 16-bit mono samples
  // at 22,050 Hz. A server may hand parec its data in chunks of up to two
  // seconds: stop the recording a few seconds after the sound of interest.
  // At the 20 ms latency the recorder asks for, the sink runs at that pace
  // even with no stream; `serverLatency` leaves the latency to the server,
  // so that the sink idles as it does on a desktop where nothing records.
  bool StartRecording(const std::string& path, bool serverLatency = false) {
    StopRecording();
    std::vector<std::string> arguments = {"parec",
                                          "-d",
                                          "out.monitor",
                                          "--format=s16le",
                                          "--channels=1",
                                          "--rate=" + std::to_string(kSampleRate),
                                          "--latency-msec=20",
                                          "--raw",
                                          path};
    if (serverLatency) arguments.erase(arguments.begin() + 6);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    return posix_spawnp(&recorder_, "parec", nullptr, nullptr, argv.data(), environ) == 0;
  }

  void StopRecording() {
    if (recorder_ <= 0) return;
    kill(recorder_, SIGINT);
    int status = 0;
    waitpid(recorder_, &status, 0);
    recorder_ = 0;
  }

 private:
  static constexpr std::array<const char*, 4> kVariables = {"XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH",
                                                            "PIPEWIRE_RUNTIME_DIR", "PULSE_SERVER"};

  static std::string Script() {
    return std::string(DOVRIK_SOURCE_DIR) + "/tests/support/sound_server.sh";
  }

  static std::string Run(const std::string& command, int& status) {
    std::string output;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
      status = -1;
      return output;
    }
    char block[4096];
    size_t count;
    while ((count = std::fread(block, 1, sizeof block, pipe)) > 0) output.append(block, count);
    status = pclose(pipe);
    return output;
  }

  std::string runtime_;
  std::string error_;
  int status_ = 0;
  std::vector<std::optional<std::string>> saved_;
  pid_t recorder_ = 0;
};

}  // namespace dovrik::testing
