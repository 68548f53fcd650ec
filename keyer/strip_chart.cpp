#include "keyer/strip_chart.h"

#include "platform/strip_chart_surface.h"

namespace dovrik {

namespace {

// The strip chart shows four seconds across its width less two pixels at
// each end.
constexpr int kMargin = 2;

// Tick times wrap after 2^32 ms; a span is their difference taken as signed.
int32_t Span(uint32_t later, uint32_t earlier) {
  return static_cast<int32_t>(later - earlier);
}

}  // namespace

int64_t StripChartPixels(int64_t milliseconds, int width) {
  // (width - 4) pixels per 4000 ms, written as x 25 / 100000.
  return milliseconds * (width - 2 * kMargin) * 25 / 100000;
}

void UpdateStripChart(int32_t& chartPos, const KeyEventRing& keyLevels,
                      StripChartSurface* surface) {
  const int32_t snapshot = keyLevels.Head();
  if (chartPos == snapshot) return;
  const uint32_t t0 = keyLevels.times[chartPos];
  const int32_t dt = Span(keyLevels.times[snapshot], t0);

  if (surface == nullptr || !surface->BeginDrawing()) return;
  int width = 0;
  int height = 0;
  surface->ClientSize(width, height);
  const int y = height / 2;
  const int64_t scroll = StripChartPixels(dt, width);

  if (scroll > 0 && scroll < width - 2 * kMargin) {
    const int k = static_cast<int>(scroll);
    const int right = width - kMargin;
    surface->Scroll(ChartRect{kMargin, y, right, y + 1}, -k);
    surface->FillWindowColour(ChartRect{right - k, y, right, y + 1});
    // x0 is where t0 lies after the scroll; the entry at snapshot lands at
    // the right end and its own segment is drawn by the next pass.
    const int x0 = right - k;
    auto x = [&](uint32_t t) {
      return x0 + static_cast<int>(StripChartPixels(Span(t, t0), width));
    };
    for (int32_t i = chartPos; i != snapshot; i = (i + 1) & KeyEventRing::kMask) {
      surface->MoveTo(x(keyLevels.times[i]), y);
      if (keyLevels.values[i] == 1) {
        surface->LineTo(x(keyLevels.times[(i + 1) & KeyEventRing::kMask]), y);
      }
    }
  }
  // Spans under one pixel or of four seconds and more draw nothing, but
  // their entries are passed over all the same.
  surface->EndDrawing();
  chartPos = snapshot;
}

}  // namespace dovrik
