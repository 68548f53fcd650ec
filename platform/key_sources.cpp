#include "platform/key_sources.h"

#include <chrono>
#include <system_error>

namespace dovrik {
namespace {

constexpr auto kWatchInterval = std::chrono::milliseconds(250);

}  // namespace

KeySources::KeySources(std::vector<KeyInput*> sources) : sources_(std::move(sources)) {}

KeySources::~KeySources() {
  if (watcher_.joinable()) EndKeying();
}

bool KeySources::IsDown() {
  // Every source is read, not only up to the first one that is down: the
  // straight key refreshes its joystick on each read, and a serial port
  // notices a lost device at the tick it goes.
  bool down = false;
  for (KeyInput* source : sources_) down = source->IsDown() || down;
  return down;
}

KeyReading KeySources::Read() {
  KeyReading all;
  for (KeyInput* source : sources_) {
    const KeyReading reading = source->Read();
    all.key = all.key || reading.key;
    all.dit = all.dit || reading.dit;
    all.dah = all.dah || reading.dah;
    all.straightOnly = all.straightOnly || reading.straightOnly;
  }
  return all;
}

void KeySources::BeginKeying() {
  for (KeyInput* source : sources_) source->BeginKeying();
  {
    std::lock_guard lock(mutex_);
    stop_ = false;
  }
  try {
    watcher_ = std::thread([this] { WatchUntilStopped(); });
  } catch (const std::system_error&) {
    // Without a watch thread the keys still key; only devices plugged in
    // later go unnoticed.
  }
}

void KeySources::EndKeying() {
  if (watcher_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    watcher_.join();
  }
  for (KeyInput* source : sources_) source->EndKeying();
}

void KeySources::WatchUntilStopped() {
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, kWatchInterval, [this] { return stop_; })) {
    lock.unlock();
    for (KeyInput* source : sources_) source->Watch();
    lock.lock();
  }
}

}  // namespace dovrik
