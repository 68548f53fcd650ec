#include "platform/serial_key.h"

#include <utility>

namespace dovrik {
namespace {

constexpr unsigned kKeyLines = ModemLinePort::kCts | ModemLinePort::kDsr | ModemLinePort::kDcd;

}  // namespace

SerialKeyInput::SerialKeyInput(std::string device, std::unique_ptr<ModemLinePort> port,
                               Report report)
    : device_(std::move(device)), port_(std::move(port)), report_(std::move(report)) {}

bool SerialKeyInput::IsDown() {
  return (ReadLines() & kKeyLines) != 0;
}

KeyReading SerialKeyInput::Read() {
  const unsigned lines = ReadLines();
  return KeyReading{(lines & kKeyLines) != 0, (lines & ModemLinePort::kDsr) != 0,
                    (lines & ModemLinePort::kCts) != 0, (lines & ModemLinePort::kDcd) != 0};
}

unsigned SerialKeyInput::ReadLines() {
  if (!open_ || lost_.load(std::memory_order_relaxed)) return 0;
  unsigned lines = 0;
  std::string problem;
  if (!port_->Read(lines, problem)) {
    lossProblem_ = std::move(problem);
    lost_.store(true, std::memory_order_release);
    return 0;
  }
  return lines;
}

void SerialKeyInput::BeginKeying() {
  lost_.store(false, std::memory_order_relaxed);
  lossReported_.store(false, std::memory_order_relaxed);
  lossProblem_.clear();
  std::string problem;
  open_ = port_->Open(device_, problem);
  if (!open_) report_("serial key " + device_ + ": " + problem + "; it reads as key up");
}

void SerialKeyInput::EndKeying() {
  // The timer has stopped: a loss in the last moments is reported now.
  ReportLoss();
  if (open_) port_->Close();
  open_ = false;
}

void SerialKeyInput::Watch() {
  ReportLoss();
}

void SerialKeyInput::ReportLoss() {
  if (!lost_.load(std::memory_order_acquire)) return;
  if (lossReported_.exchange(true)) return;
  report_("serial key " + device_ + ": " + lossProblem_ + "; it reads as key up");
}

}  // namespace dovrik
