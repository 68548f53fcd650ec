// Regenerates the program's artwork into a directory (normally resources/ of
// the source tree): the About picture, the 16 and 32 pixel program icons and
// the larger desktop icons. Deterministic and offline; run it through the
// dovrik_artwork target and commit the PNGs it writes.
//
// The title uses the "DejaVu Sans" bold face (Debian's fonts-dejavu-core,
// which fontconfig pulls in); another face changes only the letters' shapes.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstdio>

#include "artwork/artwork.h"

namespace {

bool Save(const QImage& image, const QDir& directory, const QString& name) {
  const QString path = directory.filePath(name);
  if (!image.save(path, "PNG")) {
    std::fprintf(stderr, "generate_artwork: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s: %d x %d\n", qPrintable(path), image.width(), image.height());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: generate_artwork <output directory>\n");
    return 2;
  }
  // Text needs a GUI application for its fonts, but no display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  const QDir directory(QString::fromLocal8Bit(argv[1]));

  using namespace dovrik::artwork;
  bool saved = Save(DrawAboutPicture(), directory, QStringLiteral("about.png"));
  for (int size : {16, 32}) {
    saved = Save(DrawSmallIcon(size), directory, QStringLiteral("icon%1.png").arg(size)) && saved;
  }
  for (int size : {48, 64}) {
    saved = Save(DrawDesktopIcon(size), directory, QStringLiteral("icon%1.png").arg(size)) && saved;
  }
  return saved ? 0 : 1;
}
