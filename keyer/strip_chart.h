#pragma once

#include <cstdint>

#include "keyer/key_event_ring.h"

namespace dovrik {

class StripChartSurface;

// The span of `milliseconds` on a chart whose client area is `width` pixels
// wide: width - 4 pixels per 4000 ms, formed in 64 bits, truncated toward
// zero. With 470 pixels, 20 ms is 2 pixels and 8 ms none.
int64_t StripChartPixels(int64_t milliseconds, int width);

// One strip chart pass (worker thread). Draws the key levels from
// `chartPos` (the oldest entry not yet drawn, 0 at the start of an
// exercise) up to the ring's head, read once with acquire semantics: the
// trace row scrolls left by the new span, the exposed end is cleared to the
// window colour, and every key-down entry draws a black line to the next
// entry's time. `chartPos` then moves to the head. When no surface is
// available (null, or BeginDrawing fails) nothing is drawn and `chartPos`
// is kept, so the next pass covers the longer span.
void UpdateStripChart(int32_t& chartPos, const KeyEventRing& keyLevels, StripChartSurface* surface);

}  // namespace dovrik
