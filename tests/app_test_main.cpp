#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleFactory>

// The Qt tests run headless on the offscreen platform unless told otherwise,
// with the style the program itself uses.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion")))
    QApplication::setStyle(style);
  return RUN_ALL_TESTS();
}
