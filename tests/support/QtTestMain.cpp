// main() of the widget suites: a QApplication on the offscreen platform
// unless the environment chooses another.
#include <gtest/gtest.h>

#include <QApplication>

#include "widgets/Fonts.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  tarvelo::widgets::InstallFontSubstitutions();
  return RUN_ALL_TESTS();
}
