#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>

#include "resources/dovrik_resources.h"

namespace dovrik {
namespace {

// What the PNG header of a resource image says about its pixels.
struct PngHeader {
  int width = 0;
  int height = 0;
  int bitDepth = 0;
  int colourType = 0;  // 2: RGB, 3: palette, 6: RGB with alpha
  int paletteEntries = 0;
};

int BigEndian32(const QByteArray& bytes, qsizetype at) {
  return (static_cast<unsigned char>(bytes[at]) << 24) |
         (static_cast<unsigned char>(bytes[at + 1]) << 16) |
         (static_cast<unsigned char>(bytes[at + 2]) << 8) |
         static_cast<unsigned char>(bytes[at + 3]);
}

PngHeader ReadPngHeader(const QString& path) {
  QFile file(path);
  PngHeader header;
  if (!file.open(QIODevice::ReadOnly)) return header;
  const QByteArray bytes = file.readAll();
  if (bytes.size() < 33 || !bytes.startsWith("\x89PNG\r\n\x1a\n")) return header;
  header.width = BigEndian32(bytes, 16);
  header.height = BigEndian32(bytes, 20);
  header.bitDepth = static_cast<unsigned char>(bytes[24]);
  header.colourType = static_cast<unsigned char>(bytes[25]);
  const qsizetype palette = bytes.indexOf("PLTE");
  if (palette >= 4) header.paletteEntries = BigEndian32(bytes, palette - 4) / 3;
  return header;
}

struct ResourceImage {
  const char* path;
  int size;
  int colourType;
};

class ResourceImageTest : public ::testing::TestWithParam<ResourceImage> {
 protected:
  void SetUp() override { InitDovrikResources(); }
};

TEST_P(ResourceImageTest, LoadsWithItsSizeAndDepth) {
  const ResourceImage expected = GetParam();
  const QString path = QString::fromLatin1(expected.path);
  ASSERT_TRUE(QFile::exists(path)) << expected.path;

  const PngHeader header = ReadPngHeader(path);
  EXPECT_EQ(header.width, expected.size);
  EXPECT_EQ(header.height, expected.size);
  EXPECT_EQ(header.bitDepth, 8);
  EXPECT_EQ(header.colourType, expected.colourType);

  const QImage image(path);
  ASSERT_FALSE(image.isNull()) << expected.path;
  EXPECT_EQ(image.size(), QSize(expected.size, expected.size));
  if (expected.colourType == 3) {
    // The icons keep to 16 colours; one of them is the transparent background.
    EXPECT_LE(header.paletteEntries, 16);
    EXPECT_LE(image.colorCount(), 16);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
  }
}

// The About picture is 24 bits per pixel (RGB, 8 bits a channel, no alpha)
// and the icons are palette images.
INSTANTIATE_TEST_SUITE_P(Artwork, ResourceImageTest,
                         ::testing::Values(ResourceImage{kAboutPicturePath, 300, 2},
                                           ResourceImage{kIcon32Path, 32, 3},
                                           ResourceImage{kIcon16Path, 16, 3}));

bool IsTitleYellow(QRgb pixel) {
  return qRed(pixel) > 200 && qGreen(pixel) > 150 && qBlue(pixel) < 110;
}

TEST(AboutPictureTest, CarriesItsResolutionAndTheYellowTitleAcrossTheTop) {
  InitDovrikResources();
  const QImage picture(QString::fromLatin1(kAboutPicturePath));
  ASSERT_FALSE(picture.isNull());
  EXPECT_FALSE(picture.hasAlphaChannel());
  EXPECT_EQ(picture.dotsPerMeterX(), 2880);
  EXPECT_EQ(picture.dotsPerMeterY(), 2880);

  // The large yellow letters fill a good part of the top quarter and appear
  // nowhere near the stone base at the bottom.
  int yellowAtTop = 0;
  int yellowAtBottom = 0;
  for (int y = 0; y < 75; ++y) {
    for (int x = 0; x < picture.width(); ++x) yellowAtTop += IsTitleYellow(picture.pixel(x, y));
  }
  for (int y = 225; y < 300; ++y) {
    for (int x = 0; x < picture.width(); ++x) yellowAtBottom += IsTitleYellow(picture.pixel(x, y));
  }
  EXPECT_GT(yellowAtTop, 3000);
  EXPECT_LT(yellowAtBottom, 100);
}

}  // namespace
}  // namespace dovrik
