#include "key_drawing.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>

#include "noise.h"

namespace dovrik::artwork {
namespace {

// Where the key's footplate rests on the slab's top face.
constexpr double kGround = 214.0;

const QColor kBrassLight(255, 236, 160);
const QColor kBrass(214, 166, 58);
const QColor kBrassDark(122, 84, 18);
const QColor kBrassEdge(70, 48, 10);
const QColor kSilverLight(245, 245, 245);
const QColor kSilver(176, 178, 182);
const QColor kSilverDark(92, 94, 100);

int Clamp255(double value) {
  return std::clamp(static_cast<int>(value), 0, 255);
}

// Grey granite: a cloudy grey ground with black, white and rosy grains of two
// sizes. Tiled by the brush, so it only needs to cover one period.
QImage GraniteTexture() {
  QImage texture(128, 128, QImage::Format_RGB32);
  for (int y = 0; y < texture.height(); ++y) {
    for (int x = 0; x < texture.width(); ++x) {
      const double cloud = FractalNoise(x / 24.0, y / 24.0, 11);
      double grey = 128.0 + 60.0 * (cloud - 0.5) + 24.0 * (UnitHash(x, y, 12) - 0.5);
      double red = grey;
      double green = grey;
      double blue = grey + 4.0;
      const double coarse = UnitHash(x / 3, y / 3, 13);
      const double fine = UnitHash(x, y, 14);
      if (coarse < 0.06 || fine < 0.035) {
        red = green = blue = 34.0 + 30.0 * fine;  // black mica
      } else if (coarse > 0.94 || fine > 0.965) {
        red = green = blue = 226.0 + 20.0 * fine;  // white quartz
      } else if (coarse > 0.88) {
        red = grey + 46.0;  // rosy feldspar
        green = grey + 8.0;
        blue = grey - 6.0;
      }
      texture.setPixel(x, y, qRgb(Clamp255(red), Clamp255(green), Clamp255(blue)));
    }
  }
  return texture;
}

QLinearGradient VerticalGradient(double top, double bottom, const QColor& light,
                                 const QColor& middle, const QColor& dark) {
  QLinearGradient gradient(0.0, top, 0.0, bottom);
  gradient.setColorAt(0.0, light);
  gradient.setColorAt(0.45, middle);
  gradient.setColorAt(1.0, dark);
  return gradient;
}

QLinearGradient HorizontalGradient(double left, double right, const QColor& light,
                                   const QColor& middle, const QColor& dark) {
  QLinearGradient gradient(left, 0.0, right, 0.0);
  gradient.setColorAt(0.0, dark);
  gradient.setColorAt(0.35, light);
  gradient.setColorAt(0.6, middle);
  gradient.setColorAt(1.0, dark);
  return gradient;
}

// A soft shadow built from nested translucent ellipses.
void SoftShadow(QPainter& painter, const QRectF& core, int steps, double spread, int alpha) {
  painter.setPen(Qt::NoPen);
  for (int i = steps; i >= 0; --i) {
    const double grow = spread * i / steps;
    painter.setBrush(QColor(0, 0, 0, alpha / (steps + 1)));
    painter.drawEllipse(core.adjusted(-grow, -grow * 0.4, grow, grow * 0.4));
  }
}

void DrawStone(QPainter& painter) {
  SoftShadow(painter, QRectF(30, 252, 250, 30), 8, 22.0, 200);

  const QBrush granite(GraniteTexture());
  QPainterPath top;
  top.moveTo(44, kStoneTop);
  top.lineTo(256, kStoneTop);
  top.lineTo(kStoneRight, 228);
  top.lineTo(kStoneLeft, 228);
  top.closeSubpath();
  QPainterPath front;
  front.addRoundedRect(QRectF(kStoneLeft, 226, kStoneRight - kStoneLeft, kStoneBottom - 226), 4, 4);

  painter.setPen(Qt::NoPen);
  painter.setBrush(granite);
  painter.drawPath(top);
  painter.drawPath(front);

  // Light falls from the upper left: the top face is lit, the front in shade.
  QLinearGradient topLight(0, kStoneTop, 0, 228);
  topLight.setColorAt(0.0, QColor(255, 255, 255, 70));
  topLight.setColorAt(1.0, QColor(255, 255, 255, 120));
  painter.setBrush(topLight);
  painter.drawPath(top);
  QLinearGradient frontShade(0, 226, 0, kStoneBottom);
  frontShade.setColorAt(0.0, QColor(0, 0, 0, 50));
  frontShade.setColorAt(1.0, QColor(0, 0, 0, 140));
  painter.setBrush(frontShade);
  painter.drawPath(front);

  // A polished bevel along the front edge and dark outlines.
  painter.setPen(QPen(QColor(255, 255, 255, 150), 1.5));
  painter.drawLine(QPointF(kStoneLeft + 2, 227), QPointF(kStoneRight - 2, 227));
  painter.setPen(QPen(QColor(30, 30, 30), 1.2));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(top.united(front));
}

// The key's cord: two twisted conductors leaving the rear binding post and
// running off the picture to the left.
void DrawCord(QPainter& painter) {
  QPainterPath cord;
  cord.moveTo(38, 206);
  cord.cubicTo(20, 200, 14, 176, -6, 170);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(20, 20, 22), 5.0, Qt::SolidLine, Qt::RoundCap));
  painter.drawPath(cord);
  painter.setPen(QPen(QColor(120, 32, 28), 2.0, Qt::DashLine, Qt::FlatCap));
  painter.drawPath(cord);
}

void DrawFootplate(QPainter& painter) {
  // The key's own shadow on the stone.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0, 0, 0, 70));
  painter.drawRoundedRect(QRectF(66, kGround - 2, 192, 9), 3, 3);

  painter.setPen(QPen(kBrassEdge, 1.0));
  painter.setBrush(VerticalGradient(kGround - 8, kGround, kBrassLight, kBrass, kBrassDark));
  painter.drawRoundedRect(QRectF(60, kGround - 8, 192, 8), 2, 2);
  // Mounting screws.
  for (double x : {70.0, 242.0}) {
    painter.setBrush(kSilver);
    painter.drawEllipse(QPointF(x, kGround - 4), 2.5, 2.5);
  }
}

void DrawBindingPost(QPainter& painter, double x) {
  const double ground = 224.0;
  painter.setPen(QPen(kBrassEdge, 1.0));
  painter.setBrush(HorizontalGradient(x - 7, x + 7, kBrassLight, kBrass, kBrassDark));
  painter.drawRect(QRectF(x - 7, ground - 10, 14, 10));
  painter.drawRect(QRectF(x - 3, ground - 16, 6, 6));
  painter.drawRoundedRect(QRectF(x - 6, ground - 21, 12, 5), 1.5, 1.5);
  // Knurling on the lower nut.
  painter.setPen(QPen(kBrassDark, 0.8));
  for (double k = x - 5; k <= x + 5; k += 2.5) {
    painter.drawLine(QPointF(k, ground - 9), QPointF(k, ground - 1));
  }
}

// A vertical screw with a knurled nut: the spring-tension and back-stop
// adjusters behind the pivot and the upper contact screw in front of it.
void DrawAdjustingScrew(QPainter& painter, double x, double nutTop, double shaftBottom) {
  painter.setPen(QPen(kSilverDark, 0.8));
  painter.setBrush(HorizontalGradient(x - 2, x + 2, kSilverLight, kSilver, kSilverDark));
  painter.drawRect(QRectF(x - 2, nutTop + 4, 4, shaftBottom - nutTop - 4));
  painter.setPen(QPen(kBrassEdge, 1.0));
  painter.setBrush(HorizontalGradient(x - 6, x + 6, kBrassLight, kBrass, kBrassDark));
  painter.drawRoundedRect(QRectF(x - 6, nutTop, 12, 7), 1.5, 1.5);
  painter.setPen(QPen(kBrassDark, 0.8));
  for (double k = x - 4; k <= x + 4; k += 2.0) {
    painter.drawLine(QPointF(k, nutTop + 1.5), QPointF(k, nutTop + 5.5));
  }
}

void DrawSpring(QPainter& painter, double x, double top, double bottom) {
  QPainterPath coil;
  const int turns = 7;
  const double pitch = (bottom - top) / turns;
  coil.moveTo(x - 6, bottom);
  for (int i = 0; i < turns; ++i) {
    const double y = bottom - i * pitch;
    coil.lineTo(x + 6, y - pitch * 0.5);
    coil.lineTo(x - 6, y - pitch);
  }
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(kSilverDark, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawPath(coil);
  painter.setPen(QPen(kSilverLight, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawPath(coil);
}

void DrawLever(QPainter& painter) {
  // Thickest over the pivot, tapering towards both ends.
  QPainterPath lever;
  lever.moveTo(72, 168);
  lever.lineTo(154, 163);
  lever.lineTo(238, 168);
  lever.quadTo(244, 172, 238, 176);
  lever.lineTo(154, 181);
  lever.lineTo(72, 177);
  lever.quadTo(66, 172.5, 72, 168);
  lever.closeSubpath();
  painter.setPen(QPen(kBrassEdge, 1.2));
  painter.setBrush(VerticalGradient(163, 181, kBrassLight, kBrass, kBrassDark));
  painter.drawPath(lever);
}

void DrawTrunnion(QPainter& painter) {
  // The upright that carries the pivot; it stands in front of the lever.
  QPainterPath frame;
  frame.moveTo(124, kGround - 8);
  frame.lineTo(138, 162);
  frame.quadTo(154, 150, 170, 162);
  frame.lineTo(184, kGround - 8);
  frame.closeSubpath();
  painter.setPen(QPen(kBrassEdge, 1.2));
  painter.setBrush(HorizontalGradient(124, 184, kBrassLight, kBrass, kBrassDark));
  painter.drawPath(frame);

  // The pivot screw with its slot.
  QRadialGradient head(QPointF(151, 169), 9);
  head.setColorAt(0.0, kSilverLight);
  head.setColorAt(0.7, kSilver);
  head.setColorAt(1.0, kSilverDark);
  painter.setBrush(head);
  painter.setPen(QPen(kSilverDark, 1.0));
  painter.drawEllipse(QPointF(154, 172), 7, 7);
  painter.setPen(QPen(QColor(50, 50, 55), 1.6));
  painter.drawLine(QPointF(149.5, 176.5), QPointF(158.5, 167.5));
}

void DrawContacts(QPainter& painter) {
  const double x = 206;
  // The lower contact: a post on the footplate with a silver point on top.
  painter.setPen(QPen(kBrassEdge, 1.0));
  painter.setBrush(HorizontalGradient(x - 5, x + 5, kBrassLight, kBrass, kBrassDark));
  painter.drawRect(QRectF(x - 5, 190, 10, kGround - 8 - 190));
  painter.setPen(QPen(kSilverDark, 0.8));
  painter.setBrush(kSilverLight);
  painter.drawChord(QRectF(x - 4, 186, 8, 8), 0, 180 * 16);
  // The upper contact screw through the lever; the gap below it is the key's travel.
  DrawAdjustingScrew(painter, x, 158, 183);
}

void DrawKnob(QPainter& painter) {
  const double x = 232;
  painter.setPen(QPen(kBrassEdge, 1.0));
  painter.setBrush(HorizontalGradient(x - 4, x + 4, kBrassLight, kBrass, kBrassDark));
  painter.drawRect(QRectF(x - 4, 152, 8, 16));

  // The small skirt disc where the knob meets its stem.
  QLinearGradient skirt(0, 149, 0, 156);
  skirt.setColorAt(0.0, QColor(110, 110, 116));
  skirt.setColorAt(0.4, QColor(34, 34, 38));
  skirt.setColorAt(1.0, QColor(8, 8, 10));
  painter.setPen(QPen(QColor(0, 0, 0), 1.0));
  painter.setBrush(skirt);
  painter.drawEllipse(QRectF(x - 15, 149, 30, 7));

  // The knob: a black mushroom cap, widest a little above its middle and
  // narrowing to the skirt, lit from the upper left.
  QPainterPath knob;
  knob.moveTo(x - 12, 151);
  knob.cubicTo(x - 23, 149, x - 25, 133, x - 16, 127);
  knob.quadTo(x, 120, x + 16, 127);
  knob.cubicTo(x + 25, 133, x + 23, 149, x + 12, 151);
  knob.quadTo(x, 153, x - 12, 151);
  QRadialGradient shine(QPointF(x - 4, 137), 24, QPointF(x - 9, 130));
  shine.setColorAt(0.0, QColor(175, 175, 185));
  shine.setColorAt(0.3, QColor(60, 60, 66));
  shine.setColorAt(1.0, QColor(4, 4, 6));
  painter.setBrush(shine);
  painter.drawPath(knob);
}

}  // namespace

void DrawKeyOnStone(QPainter& painter) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  DrawStone(painter);
  DrawCord(painter);
  DrawBindingPost(painter, 38);
  DrawBindingPost(painter, 262);
  DrawFootplate(painter);
  DrawSpring(painter, 100, 180, kGround - 8);
  DrawLever(painter);
  DrawAdjustingScrew(painter, 100, 156, 196);  // spring tension
  DrawAdjustingScrew(painter, 80, 158, 200);   // back stop
  DrawTrunnion(painter);
  DrawContacts(painter);
  DrawKnob(painter);
  painter.restore();
}

}  // namespace dovrik::artwork
