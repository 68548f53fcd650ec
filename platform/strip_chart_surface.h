#pragma once

namespace dovrik {

struct ChartRect {
  int left = 0;
  int top = 0;
  int right = 0;   // exclusive
  int bottom = 0;  // exclusive
};

// The strip chart control as the keying exercise draws on it (worker thread).
class StripChartSurface {
 public:
  virtual ~StripChartSurface() = default;
  // Takes the drawing context; false when none is available now.
  virtual bool BeginDrawing() = 0;
  virtual void ClientSize(int& width, int& height) = 0;
  // Scrolls the pixels inside `strip` (also the clip) by dx (negative: left).
  virtual void Scroll(const ChartRect& strip, int dx) = 0;
  // Fills with the window colour.
  virtual void FillWindowColour(const ChartRect& rect) = 0;
  virtual void MoveTo(int x, int y) = 0;
  // A black one-pixel line from the current point to (x, y), the end pixel excluded.
  virtual void LineTo(int x, int y) = 0;
  virtual void EndDrawing() = 0;
};

}  // namespace dovrik
