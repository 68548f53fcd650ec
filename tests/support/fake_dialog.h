#pragma once

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialog_controls.h"

namespace dovrik::testing {

// A control store standing in for the main dialog. Thread-safe, so a test
// thread can inspect it while a worker uses it. Scroll requests through
// SendThumbPosition clamp into the range, as the dialog's scroll handling does.
class FakeDialog : public DialogControls {
 public:
  int GetScrollPos(int id) override {
    std::lock_guard lock(mutex_);
    reads_.push_back(id);
    return scrollPositions_[id];
  }
  void SetScrollRange(int id, int minimum, int maximum) override {
    std::lock_guard lock(mutex_);
    ranges_[id] = {minimum, maximum};
  }
  void SendThumbPosition(int id, int position) override {
    std::lock_guard lock(mutex_);
    auto range = ranges_.find(id);
    if (range != ranges_.end()) {
      if (position < range->second.first) position = range->second.first;
      if (position > range->second.second) position = range->second.second;
    }
    scrollPositions_[id] = position;
  }
  bool IsTicked(int id) override {
    std::lock_guard lock(mutex_);
    return ticked_[id];
  }
  void SetTicked(int id, bool ticked) override {
    std::lock_guard lock(mutex_);
    ticked_[id] = ticked;
  }
  void SetItemText(int id, const std::string& text) override {
    std::lock_guard lock(mutex_);
    texts_[id] = text;
    events_.push_back("set " + std::to_string(id) + " \"" + text + "\"");
  }
  void AppendToOutputBox(const std::string& text) override {
    std::lock_guard lock(mutex_);
    texts_[kOutputBoxId] += text;
    appends_.push_back(text);
    events_.push_back("append \"" + text + "\"");
  }
  void ShowWarning(const std::string& text) override {
    std::lock_guard lock(mutex_);
    warnings_.push_back(text);
    events_.push_back("warning \"" + text + "\"");
  }
  StripChartSurface* StripChart() override { return stripChart_; }

  // Test side.
  void SetScroll(int id, int position) {
    std::lock_guard lock(mutex_);
    scrollPositions_[id] = position;
  }
  void SetStripChart(StripChartSurface* surface) { stripChart_ = surface; }
  std::string Text(int id) {
    std::lock_guard lock(mutex_);
    return texts_[id];
  }
  std::string OutputBox() { return Text(kOutputBoxId); }
  std::vector<std::string> Appends() {
    std::lock_guard lock(mutex_);
    return appends_;
  }
  std::vector<std::string> Warnings() {
    std::lock_guard lock(mutex_);
    return warnings_;
  }
  std::vector<std::string> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<int> ScrollReads() {
    std::lock_guard lock(mutex_);
    return reads_;
  }
  std::pair<int, int> Range(int id) {
    std::lock_guard lock(mutex_);
    return ranges_[id];
  }

 private:
  std::mutex mutex_;
  std::map<int, int> scrollPositions_;
  std::map<int, std::pair<int, int>> ranges_;
  std::map<int, bool> ticked_;
  std::map<int, std::string> texts_;
  std::vector<std::string> appends_;
  std::vector<std::string> warnings_;
  std::vector<std::string> events_;
  std::vector<int> reads_;
  StripChartSurface* stripChart_ = nullptr;
};

// Records the worker's replies in order.
class FakePoster : public DialogPoster {
 public:
  void PostToDialog(uint32_t message) override {
    std::lock_guard lock(mutex_);
    posted_.push_back(message);
  }
  std::vector<uint32_t> Posted() {
    std::lock_guard lock(mutex_);
    return posted_;
  }

 private:
  std::mutex mutex_;
  std::vector<uint32_t> posted_;
};

}  // namespace dovrik::testing
