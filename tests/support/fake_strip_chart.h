#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/strip_chart_surface.h"

namespace dovrik::testing {

// A strip chart surface that records every call and also renders it into a
// small picture, one character per pixel: '.' is the control's own painting
// (what the system paints when it repaints the control), 'w' the window
// colour, '#' the black line. Scroll behaves like ScrollDC: the pixels inside
// the strip move, those uncovered keep what they held.
class FakeStripChart : public StripChartSurface {
 public:
  FakeStripChart(int width, int height)
      : width_(width), height_(height), pixels_(height, std::string(width, '.')) {}

  bool BeginDrawing() override {
    calls_.push_back(available_ ? "begin" : "begin failed");
    return available_;
  }
  void ClientSize(int& width, int& height) override {
    width = width_;
    height = height_;
  }
  void Scroll(const ChartRect& strip, int dx) override {
    calls_.push_back("scroll " + Rect(strip) + " by " + std::to_string(dx));
    for (int y = std::max(strip.top, 0); y < std::min(strip.bottom, height_); ++y) {
      const std::string before = pixels_[y];
      for (int x = std::max(strip.left, 0); x < std::min(strip.right, width_); ++x) {
        const int from = x - dx;
        if (from >= strip.left && from < strip.right) pixels_[y][x] = before[from];
      }
    }
  }
  void FillWindowColour(const ChartRect& rect) override {
    calls_.push_back("fill " + Rect(rect));
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, height_); ++y) {
      for (int x = std::max(rect.left, 0); x < std::min(rect.right, width_); ++x) {
        pixels_[y][x] = 'w';
      }
    }
  }
  void MoveTo(int x, int y) override {
    calls_.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    currentX_ = x;
    currentY_ = y;
  }
  // The chart draws only along its trace row, so only horizontal lines are
  // rendered (the end pixel excluded, as GDI's LineTo does).
  void LineTo(int x, int y) override {
    calls_.push_back("line " + std::to_string(x) + "," + std::to_string(y));
    if (y == currentY_ && y >= 0 && y < height_) {
      const int step = x >= currentX_ ? 1 : -1;
      for (int px = currentX_; px != x; px += step) {
        if (px >= 0 && px < width_) pixels_[y][px] = '#';
      }
    }
    currentX_ = x;
    currentY_ = y;
  }
  void EndDrawing() override { calls_.push_back("end"); }

  // Test side.
  void SetAvailable(bool available) { available_ = available; }
  const std::vector<std::string>& Calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }
  const std::string& Row(int y) const { return pixels_[y]; }

 private:
  static std::string Rect(const ChartRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
  }

  int width_;
  int height_;
  std::vector<std::string> pixels_;
  std::vector<std::string> calls_;
  bool available_ = true;
  int currentX_ = 0;
  int currentY_ = 0;
};

}  // namespace dovrik::testing
