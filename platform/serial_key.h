#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "platform/key_input.h"
#include "platform/modem_line_port.h"

namespace dovrik {

// A key on a serial port's modem lines: DTR (pin 4 of a DE-9) and RTS (pin
// 7) are raised as the supply, and the straight key is down while CTS (pin
// 8), DSR (pin 6) or DCD (pin 1) is active. For a keyer the paddles are dit
// on DSR and dah on CTS, and DCD stays a straight key ORed in (a hand key or
// a foot switch beside the paddles). The port named on the
// command line is opened when a keying exercise starts and closed when it
// ends; no other port is ever touched, as opening one can key a transmitter.
//
// A port that cannot be opened, or that goes away while keying, reads as key
// up and the exercise goes on; the problem is reported once, through
// `report`, as one line (without a line end).
class SerialKeyInput : public KeyInput {
 public:
  using Report = std::function<void(const std::string& line)>;

  SerialKeyInput(std::string device, std::unique_ptr<ModemLinePort> port, Report report);

  // Timer thread: one read of the modem lines per tick, never blocks.
  bool IsDown() override;
  KeyReading Read() override;

  // Worker thread.
  void BeginKeying() override;
  void EndKeying() override;

  // The watch thread: reports a port that went away.
  void Watch() override;

 private:
  void ReportLoss();
  // Timer thread: the active input lines, or 0 when closed or lost.
  unsigned ReadLines();

  const std::string device_;
  const std::unique_ptr<ModemLinePort> port_;
  const Report report_;
  // Set by the worker before the timer starts, read by the timer thread.
  bool open_ = false;
  // The timer thread sets `lost_` once, after writing `lossProblem_`; the
  // watch thread (or the worker, after the timer stopped) then reports it.
  std::string lossProblem_;
  std::atomic<bool> lost_{false};
  std::atomic<bool> lossReported_{false};
};

}  // namespace dovrik
