#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/key_input.h"

namespace dovrik {

// Several keys read as one: down while any of them is down. The straight key
// (joystick button, Ctrl keys), the MIDI inputs and a serial port's modem
// lines all key the same side-tone this way.
//
// Between BeginKeying and EndKeying a watch thread of its own calls each
// source's Watch every quarter second, so that no source needs a thread just
// to look for new devices or to report a lost one.
class KeySources : public KeyInput {
 public:
  // The sources are borrowed and must outlive this object.
  explicit KeySources(std::vector<KeyInput*> sources);
  ~KeySources() override;
  KeySources(const KeySources&) = delete;
  KeySources& operator=(const KeySources&) = delete;

  // Timer thread: asks every source, so each sees every tick.
  bool IsDown() override;
  // Timer thread: every source's reading, each field ORed over the sources.
  KeyReading Read() override;

  // Worker thread.
  void BeginKeying() override;
  void EndKeying() override;

 private:
  void WatchUntilStopped();

  const std::vector<KeyInput*> sources_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;  // under mutex_
  std::thread watcher_;
};

}  // namespace dovrik
