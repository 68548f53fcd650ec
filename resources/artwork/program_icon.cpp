#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <array>
#include <cmath>

#include "artwork.h"
#include "noise.h"

namespace dovrik::artwork {
namespace {

// The icon is drawn in a 64 x 64 unit square and scaled to each size. It is
// the About picture's key, simplified and made chunkier so that the lever,
// the knob and the slab still read at 16 pixels.
constexpr double kUnits = 64.0;

const QColor kOutline(40, 28, 6);
const QColor kBrassLight(255, 232, 140);
const QColor kBrass(214, 166, 58);
const QColor kBrassDark(128, 88, 20);

QLinearGradient Vertical(double top, double bottom, const QColor& light, const QColor& dark) {
  QLinearGradient gradient(0.0, top, 0.0, bottom);
  gradient.setColorAt(0.0, light);
  gradient.setColorAt(0.4, kBrass);
  gradient.setColorAt(1.0, dark);
  return gradient;
}

// Coarse granite for the icon's slab: grains a unit or two across, so a few
// survive the scaling down.
QImage IconGranite() {
  QImage texture(64, 64, QImage::Format_RGB32);
  for (int y = 0; y < texture.height(); ++y) {
    for (int x = 0; x < texture.width(); ++x) {
      const double roll = UnitHash(x / 2, y / 2, 31);
      QRgb colour = qRgb(160, 160, 154);
      if (roll < 0.14) {
        colour = qRgb(52, 52, 50);
      } else if (roll > 0.90) {
        colour = qRgb(245, 245, 240);
      }
      texture.setPixel(x, y, colour);
    }
  }
  return texture;
}

void DrawSlab(QPainter& painter) {
  QPainterPath top;
  top.moveTo(9, 44);
  top.lineTo(55, 44);
  top.lineTo(62, 50);
  top.lineTo(2, 50);
  top.closeSubpath();
  QPainterPath front;
  front.addRect(QRectF(2, 50, 60, 11));

  painter.setPen(Qt::NoPen);
  painter.setBrush(QBrush(IconGranite()));
  painter.drawPath(top);
  painter.drawPath(front);
  painter.setBrush(QColor(255, 255, 255, 70));
  painter.drawPath(top);
  painter.setBrush(QColor(0, 0, 0, 70));
  painter.drawPath(front);
  painter.setPen(QPen(QColor(30, 30, 30), 1.6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(top.united(front));
}

void DrawKey(QPainter& painter) {
  painter.setPen(QPen(kOutline, 1.4));
  // Footplate.
  painter.setBrush(Vertical(39, 44, kBrassLight, kBrassDark));
  painter.drawRect(QRectF(10, 39, 46, 5));
  // Spring under the tension screw, behind the pivot.
  painter.setBrush(QColor(225, 225, 228));
  painter.drawRect(QRectF(11, 32, 7, 7));
  painter.setPen(QPen(QColor(90, 92, 98), 1.4));
  painter.drawLine(QPointF(11, 34.5), QPointF(18, 36.5));
  // Lever, thickest over the pivot.
  QPainterPath lever;
  lever.moveTo(5, 25);
  lever.lineTo(32, 23);
  lever.lineTo(57, 25);
  lever.lineTo(57, 32);
  lever.lineTo(32, 34);
  lever.lineTo(5, 32);
  lever.closeSubpath();
  painter.setPen(QPen(kOutline, 1.4));
  painter.setBrush(Vertical(23, 34, kBrassLight, kBrassDark));
  painter.drawPath(lever);
  // Tension screw nut on top of the lever.
  painter.drawRect(QRectF(10, 19, 9, 5));
  // Pivot upright in front of the lever.
  QPainterPath upright;
  upright.moveTo(23, 39);
  upright.lineTo(27, 20);
  upright.quadTo(32, 16, 37, 20);
  upright.lineTo(41, 39);
  upright.closeSubpath();
  QLinearGradient side(23, 0, 41, 0);
  side.setColorAt(0.0, kBrassDark);
  side.setColorAt(0.35, kBrassLight);
  side.setColorAt(0.7, kBrass);
  side.setColorAt(1.0, kBrassDark);
  painter.setBrush(side);
  painter.drawPath(upright);
  painter.setBrush(QColor(170, 172, 178));
  painter.setPen(QPen(QColor(70, 72, 78), 1.2));
  painter.drawEllipse(QPointF(32, 28), 2.6, 2.6);
  // Contact post in front of the pivot.
  painter.setPen(QPen(kOutline, 1.4));
  painter.setBrush(Vertical(35, 39, kBrassLight, kBrassDark));
  painter.drawRect(QRectF(43, 35, 5, 4));
  // Knob on its stem at the front end.
  painter.setBrush(Vertical(15, 25, kBrassLight, kBrassDark));
  painter.drawRect(QRectF(48, 15, 5, 10));
  QPainterPath knob;
  knob.moveTo(45, 17);
  knob.cubicTo(37, 16, 36, 7, 42, 5);
  knob.quadTo(50.5, 1, 59, 5);
  knob.cubicTo(65, 7, 64, 16, 56, 17);
  knob.closeSubpath();
  QRadialGradient shine(QPointF(50, 10), 12, QPointF(45, 6));
  shine.setColorAt(0.0, QColor(168, 168, 180));
  shine.setColorAt(0.12, QColor(74, 74, 82));
  shine.setColorAt(0.3, QColor(12, 12, 14));
  shine.setColorAt(1.0, QColor(6, 6, 8));
  painter.setPen(QPen(QColor(0, 0, 0), 1.2));
  painter.setBrush(shine);
  painter.drawPath(knob);
}

QImage DrawIconScene(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.scale(size / kUnits, size / kUnits);
  DrawSlab(painter);
  DrawKey(painter);
  painter.end();
  return image.convertToFormat(QImage::Format_ARGB32);
}

// The small icons' palette: the 16- and 32-pixel icons are indexed images of
// these 16 colours. 0 transparent; 1-3 knob black, sheen, highlight; 4-8 brass from
// edge to lit; 9-10 silver lit and shaded; 11-14 granite light, mid, dark,
// white; 15 a mid grey for the knob's and the slab's blends.
constexpr std::array<QRgb, 16> kSmallPalette{
    0x00000000, 0xff0c0c0e, 0xff4a4a52, 0xffa8a8b4, 0xff463008, 0xff8a6414, 0xffb08428, 0xffd6a63a,
    0xfff8dc80, 0xffeeeeee, 0xff8c8e94, 0xffc4c4bc, 0xff8e8e88, 0xff55554f, 0xfff8f8f4, 0xff6e6e76,
};

// At 16 pixels the scaled drawing blurs, so that size is placed by hand from
// the same palette: knob, lever with its pivot, upright, spring and contact,
// footplate, and the speckled slab.
constexpr std::array<const char*, 16> kIcon16{
    "..........kkkk..",  //
    ".........kHkkkk.",  //
    ".........kkkkkk.",  //
    "..........kkkk..",  //
    "...........Yb...",  //
    "..yb...Yb..Yb...",  //
    "eYYYYYYYYYYYYYe.",  //
    "ebbbbbbSbbbbbbe.",  //
    "..ss..Yyyb.S....",  //
    "..SS.Yyyyyb.Yb..",  //
    ".eYYYYYYYYYYYYe.",  //
    "..LLLLLLLLLLLL..",  //
    ".LLLLLLLLLLLLLL.",  //
    "DGGGGGGGGGGGGGGD",  //
    "DGGGGGGGGGGGGGGD",  //
    ".DDDDDDDDDDDDDD.",  //
};

// The palette entry of each symbol in kIcon16; anything else is transparent.
struct Symbol {
  char symbol;
  int entry;
};
constexpr std::array<Symbol, 11> kIcon16Symbols{{
    {'k', 1},
    {'H', 3},
    {'e', 4},
    {'b', 5},
    {'y', 7},
    {'Y', 8},
    {'s', 9},
    {'S', 10},
    {'L', 11},
    {'G', 12},
    {'D', 13},
}};

// Stone cells get dark grains by hash, like the larger sizes' granite.
int Icon16Entry(char symbol, int x, int y) {
  if ((symbol == 'L' || symbol == 'G') && UnitHash(x, y, 41) < 0.25) return 13;
  for (const Symbol& known : kIcon16Symbols) {
    if (known.symbol == symbol) return known.entry;
  }
  return 0;
}

int NearestOpaqueEntry(QRgb pixel) {
  int best = 1;
  int bestDistance = 1 << 30;
  for (int i = 1; i < static_cast<int>(kSmallPalette.size()); ++i) {
    const int dr = qRed(pixel) - qRed(kSmallPalette[i]);
    const int dg = qGreen(pixel) - qGreen(kSmallPalette[i]);
    const int db = qBlue(pixel) - qBlue(kSmallPalette[i]);
    const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

}  // namespace

QImage DrawSmallIcon(int size) {
  QImage image(size, size, QImage::Format_Indexed8);
  image.setColorTable(QList<QRgb>(kSmallPalette.begin(), kSmallPalette.end()));
  if (size == 16) {
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) image.setPixel(x, y, Icon16Entry(kIcon16[y][x], x, y));
    }
    return image;
  }
  const QImage full = DrawIconScene(size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const QRgb pixel = full.pixel(x, y);
      image.setPixel(x, y, qAlpha(pixel) < 128 ? 0 : NearestOpaqueEntry(pixel));
    }
  }
  return image;
}

QImage DrawDesktopIcon(int size) {
  return DrawIconScene(size);
}

}  // namespace dovrik::artwork
