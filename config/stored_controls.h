#pragma once

#include <map>
#include <string>
#include <utility>

#include "platform/dialog_controls.h"

namespace dovrik {

// The main dialog's settings without a window: scroll positions and tick
// states kept in memory, so that the configuration file can be loaded and
// read where no dialog exists (writing a practice file needs no display).
// A thumb position is clamped into the scroll bar's range, as the dialog's
// scroll handling does. Texts go nowhere; there is no strip chart. One thread.
class StoredControls : public DialogControls {
 public:
  int GetScrollPos(int id) override { return positions_[id]; }
  void SetScrollRange(int id, int minimum, int maximum) override {
    ranges_[id] = {minimum, maximum};
  }
  void SendThumbPosition(int id, int position) override {
    const auto range = ranges_.find(id);
    if (range != ranges_.end()) {
      if (position < range->second.first) position = range->second.first;
      if (position > range->second.second) position = range->second.second;
    }
    positions_[id] = position;
  }
  bool IsTicked(int id) override { return ticked_[id]; }
  void SetTicked(int id, bool ticked) override { ticked_[id] = ticked; }
  void SetItemText(int, const std::string&) override {}
  void AppendToOutputBox(const std::string&) override {}
  void ShowWarning(const std::string&) override {}
  StripChartSurface* StripChart() override { return nullptr; }

 private:
  std::map<int, int> positions_;
  std::map<int, std::pair<int, int>> ranges_;
  std::map<int, bool> ticked_;
};

}  // namespace dovrik
