#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "artwork.h"
#include "key_drawing.h"
#include "noise.h"

namespace dovrik::artwork {
namespace {

constexpr int kSize = 300;
// PNG's pHYs chunk: 2880 pixels per metre (73 dpi) in both directions.
constexpr int kDotsPerMetre = 2880;

double Mix(double a, double b, double t) {
  return a + (b - a) * t;
}

// The end grain of a sawn log: growth rings around a pith, each ring a pale
// band of early wood ending in a dark line of late wood. The rings wobble a
// little and their widths vary, as the growing seasons did.
QRgb WoodPixel(int x, int y) {
  const double centreX = 150.0;
  const double centreY = 178.0;
  const double dx = x - centreX;
  const double dy = y - centreY;
  const double wobble = 7.0 * (FractalNoise(x / 45.0, y / 45.0, 3) - 0.5);
  const double radius = std::hypot(dx, dy) + wobble;
  const double ringWidth = 8.5 + 2.5 * FractalNoise(radius / 30.0, 0.5, 4);
  const double phase = radius / ringWidth - std::floor(radius / ringWidth);
  const double lateWood = std::pow(phase, 7.0);
  const double grain = FractalNoise(x / 3.0, y / 3.0, 5) - 0.5;
  double shade = 1.0 - 0.42 * lateWood + 0.12 * grain;

  // Darker towards the corners, so the eye stays on the key.
  const double fromMiddle = std::hypot(x - 150.0, y - 150.0) / 212.0;
  shade *= 1.0 - 0.45 * fromMiddle * fromMiddle;

  const double red = Mix(150.0, 222.0, 1.0 - lateWood) * shade;
  const double green = Mix(92.0, 165.0, 1.0 - lateWood) * shade;
  const double blue = Mix(44.0, 98.0, 1.0 - lateWood) * shade;
  return qRgb(std::clamp(static_cast<int>(red), 0, 255),
              std::clamp(static_cast<int>(green), 0, 255),
              std::clamp(static_cast<int>(blue), 0, 255));
}

void DrawWood(QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, WoodPixel(x, y));
  }
}

// "Dovrik" in yellow with a dark outline and a drop shadow, so it reads on
// the busy wood.
void DrawTitle(QPainter& painter) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setBold(true);
  font.setPixelSize(74);
  font.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
  QPainterPath title;
  title.addText(0, 0, font, QStringLiteral("Dovrik"));
  const QRectF bounds = title.boundingRect();
  title.translate((kSize - bounds.width()) / 2.0 - bounds.left(), 20.0 - bounds.top());

  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0, 0, 0, 110));
  painter.drawPath(title.translated(4, 5));

  QLinearGradient gold(0, title.boundingRect().top(), 0, title.boundingRect().bottom());
  gold.setColorAt(0.0, QColor(255, 246, 140));
  gold.setColorAt(0.5, QColor(255, 214, 20));
  gold.setColorAt(1.0, QColor(238, 160, 0));
  painter.setPen(QPen(QColor(60, 34, 4), 5.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(title);
  painter.setPen(Qt::NoPen);
  painter.setBrush(gold);
  painter.drawPath(title);
  painter.restore();
}

}  // namespace

QImage DrawAboutPicture() {
  QImage image(kSize, kSize, QImage::Format_RGB32);
  DrawWood(image);
  {
    QPainter painter(&image);
    DrawKeyOnStone(painter);
    DrawTitle(painter);
  }
  QImage picture = image.convertToFormat(QImage::Format_RGB888);
  picture.setDotsPerMeterX(kDotsPerMetre);
  picture.setDotsPerMeterY(kDotsPerMetre);
  return picture;
}

}  // namespace dovrik::artwork
