#pragma once

#include <QFrame>
#include <QImage>
#include <atomic>
#include <mutex>

#include "platform/strip_chart_surface.h"

namespace dovrik {

// The strip chart control (1004): a sunken frame around an image that the
// keying exercise draws on from the worker thread. Every drawing call takes
// the image's lock only for itself, so the worker never holds it while it
// waits for anything; the UI thread paints under the same lock. The drawing
// calls are thread-safe, the QWidget side is UI thread only.
class StripChartWidget : public QFrame, public StripChartSurface {
  Q_OBJECT
 public:
  static constexpr int kFrameWidth = 2;  // the client edge, in pixels

  explicit StripChartWidget(QWidget* parent = nullptr);

  // StripChartSurface; any thread.
  bool BeginDrawing() override;
  void ClientSize(int& width, int& height) override;
  void Scroll(const ChartRect& strip, int dx) override;
  void FillWindowColour(const ChartRect& rect) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void EndDrawing() override;

  // Clears the trace back to the empty chart's face colour, as the window
  // system's own painting of the control would. UI thread; the keying
  // exercise's next passes grow new trace from the right.
  void Wipe();

  // A copy of the client image, for tests and screenshots.
  QImage Snapshot();

  // The client image as the screen shows it at this device pixel ratio:
  // every chart pixel becomes a whole block of device pixels (nearest
  // neighbour, so the trace stays sharp), the blocks fill the client area
  // exactly, and the result carries the ratio, so painting it scales nothing.
  static QImage AtDevicePixelRatio(const QImage& chart, qreal ratio);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SetPixelLocked(int x, int y);
  // Widens the part of the image drawn on since the last repaint.
  void MarkChangedLocked(const QRect& rect);
  void ScheduleRepaint();

  std::mutex mutex_;
  QImage image_;       // guarded by mutex_
  int currentX_ = 0;   // guarded by mutex_
  int currentY_ = 0;   // guarded by mutex_
  QRect changed_;      // guarded by mutex_: image pixels drawn since the last repaint
  QRgb windowColour_;  // written once in the constructor
  QRgb faceColour_;    // likewise: the empty chart's colour
  std::atomic<bool> repaintPending_{false};
};

}  // namespace dovrik
