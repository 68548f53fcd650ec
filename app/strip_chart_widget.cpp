#include "app/strip_chart_widget.h"

#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace dovrik {

StripChartWidget::StripChartWidget(QWidget* parent)
    : QFrame(parent),
      windowColour_(qRgb(255, 255, 255)),
      faceColour_(palette().color(QPalette::Window).rgb()) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(kFrameWidth);
  setFocusPolicy(Qt::NoFocus);
  // The image covers the whole client area: nothing beneath needs painting
  // first when a pass repaints the trace's row.
  setAttribute(Qt::WA_OpaquePaintEvent);
  image_ = QImage(1, 1, QImage::Format_RGB32);
  image_.fill(faceColour_);
}

void StripChartWidget::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  const QSize size = contentsRect().size().expandedTo(QSize(1, 1));
  std::lock_guard lock(mutex_);
  if (image_.size() == size) return;
  // An empty chart shows the dialog's face colour; only the rows a pass
  // clears take the window colour.
  QImage resized(size, QImage::Format_RGB32);
  resized.fill(faceColour_);
  image_ = resized;
}

bool StripChartWidget::BeginDrawing() {
  return true;
}

void StripChartWidget::ClientSize(int& width, int& height) {
  std::lock_guard lock(mutex_);
  width = image_.width();
  height = image_.height();
}

void StripChartWidget::Scroll(const ChartRect& strip, int dx) {
  std::lock_guard lock(mutex_);
  const int left = std::max(strip.left, 0);
  const int right = std::min(strip.right, image_.width());
  const int top = std::max(strip.top, 0);
  const int bottom = std::min(strip.bottom, image_.height());
  if (left >= right || top >= bottom || dx == 0) return;
  MarkChangedLocked(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
  // Pixels that would come from outside the strip keep their old value, as
  // a scrolled window's uncovered area does until it is painted.
  for (int y = top; y < bottom; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
    if (dx < 0) {
      for (int x = left; x - dx < right; ++x) row[x] = row[x - dx];
    } else {
      for (int x = right - 1; x - dx >= left; --x) row[x] = row[x - dx];
    }
  }
}

void StripChartWidget::FillWindowColour(const ChartRect& rect) {
  std::lock_guard lock(mutex_);
  const int left = std::max(rect.left, 0);
  const int right = std::min(rect.right, image_.width());
  const int top = std::max(rect.top, 0);
  const int bottom = std::min(rect.bottom, image_.height());
  if (left < right && top < bottom) {
    MarkChangedLocked(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
  }
  for (int y = top; y < bottom; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
    std::fill(row + left, row + std::max(left, right), windowColour_);
  }
}

void StripChartWidget::MoveTo(int x, int y) {
  std::lock_guard lock(mutex_);
  currentX_ = x;
  currentY_ = y;
}

void StripChartWidget::SetPixelLocked(int x, int y) {
  if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
  reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = qRgb(0, 0, 0);
  MarkChangedLocked(QRect(x, y, 1, 1));
}

void StripChartWidget::MarkChangedLocked(const QRect& rect) { changed_ |= rect; }

void StripChartWidget::LineTo(int x, int y) {
  std::lock_guard lock(mutex_);
  // Bresenham from the current point up to, but not including, (x, y).
  int px = currentX_;
  int py = currentY_;
  const int dx = std::abs(x - px);
  const int dy = -std::abs(y - py);
  const int sx = px < x ? 1 : -1;
  const int sy = py < y ? 1 : -1;
  int error = dx + dy;
  while (px != x || py != y) {
    SetPixelLocked(px, py);
    const int doubled = 2 * error;
    if (doubled >= dy) {
      error += dy;
      px += sx;
    }
    if (doubled <= dx) {
      error += dx;
      py += sy;
    }
  }
  currentX_ = x;
  currentY_ = y;
}

void StripChartWidget::EndDrawing() {
  ScheduleRepaint();
}

void StripChartWidget::ScheduleRepaint() {
  if (repaintPending_.exchange(true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        repaintPending_.store(false);
        // Only what was drawn on is painted again: while keying that is the
        // trace's one row, not the whole chart, fifty times a second.
        QRect changed;
        {
          std::lock_guard lock(mutex_);
          changed = changed_;
          changed_ = QRect();
        }
        if (changed.isEmpty()) return;
        update(changed.translated(contentsRect().topLeft()));
      },
      Qt::QueuedConnection);
}

void StripChartWidget::Wipe() {
  {
    std::lock_guard lock(mutex_);
    image_.fill(faceColour_);
  }
  update();
}

QImage StripChartWidget::Snapshot() {
  std::lock_guard lock(mutex_);
  return image_.copy();
}

QImage StripChartWidget::AtDevicePixelRatio(const QImage& chart, qreal ratio) {
  if (ratio <= 1.0 || chart.isNull()) return chart;
  const int width = qRound(chart.width() * ratio);
  const int height = qRound(chart.height() * ratio);
  QImage shown(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    const int sourceY = std::min(static_cast<int>(y / ratio), chart.height() - 1);
    const QRgb* source = reinterpret_cast<const QRgb*>(chart.constScanLine(sourceY));
    QRgb* row = reinterpret_cast<QRgb*>(shown.scanLine(y));
    for (int x = 0; x < width; ++x)
      row[x] = source[std::min(static_cast<int>(x / ratio), chart.width() - 1)];
  }
  shown.setDevicePixelRatio(ratio);
  return shown;
}

void StripChartWidget::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  // The chart keeps its pixels in the exercise's own geometry (a 470-pixel
  // strip); on a scaled screen the copy painted is made at the device pixel
  // ratio, so the painter has nothing to resample or blur.
  // Only the rows asked for are copied and painted; at a fractional device
  // pixel ratio the whole chart, so that every row lands where it did.
  const QRect client = contentsRect();
  const qreal ratio = devicePixelRatioF();
  const bool wholeRatio = ratio == static_cast<int>(ratio);
  const QRect wanted = (wholeRatio ? event->rect().intersected(client) : client)
                           .translated(-client.topLeft());
  if (wanted.isEmpty()) return;
  QImage chart;
  {
    std::lock_guard lock(mutex_);
    const QRect rows(0, wanted.top(), image_.width(), wanted.height());
    chart = image_.copy(rows.intersected(image_.rect()));
  }
  if (chart.isNull()) return;
  QPainter painter(this);
  painter.setClipRect(event->rect());
  painter.drawImage(client.topLeft() + QPoint(0, wanted.top()), AtDevicePixelRatio(chart, ratio));
}

}  // namespace dovrik
