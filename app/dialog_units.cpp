#include "app/dialog_units.h"

#include <QFontMetrics>

namespace dovrik {
namespace {

// MulDiv(value, numerator, denominator) for the non-negative values of a
// layout: the product divided with rounding half up.
int ScaleRounded(int value, int numerator, int denominator) {
  return (value * numerator * 2 + denominator) / (denominator * 2);
}

int HorizontalPixels(int units, DialogBaseUnits base) {
  return ScaleRounded(units, base.width, 4);
}
int VerticalPixels(int units, DialogBaseUnits base) {
  return ScaleRounded(units, base.height, 8);
}

}  // namespace

DialogBaseUnits MeasureBaseUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {(letters / 26 + 1) / 2, metrics.height()};
}

QFont DialogFont() {
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  // The largest pixel size that is no wider and no taller than the template
  // font; 10 px DejaVu Sans gives 6 x 11.
  for (int pixels = 11; pixels >= 8; --pixels) {
    font.setPixelSize(pixels);
    const DialogBaseUnits units = MeasureBaseUnits(font);
    if (units.width <= kTemplateBaseUnits.width && units.height <= kTemplateBaseUnits.height) break;
  }
  return font;
}

QRect DialogUnitsToPixels(const DialogUnitRect& rect, DialogBaseUnits units) {
  // Place and size are scaled apart, as the window system creates a dialog's
  // controls: every 17-unit button is 26 px wide wherever it stands.
  return QRect(HorizontalPixels(rect.x, units), VerticalPixels(rect.y, units),
               HorizontalPixels(rect.width, units), VerticalPixels(rect.height, units));
}

QSize DialogUnitsToPixels(int width, int height, DialogBaseUnits units) {
  return QSize(HorizontalPixels(width, units), VerticalPixels(height, units));
}

}  // namespace dovrik
