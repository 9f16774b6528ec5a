// main() of the end-to-end suite. The suite itself needs no display: it
// drives the program on the private one with the X tools.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include "e2e/XSession.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (!GTEST_FLAG_GET(list_tests) && tarvelo::e2e::Display().isEmpty()) {
    std::fprintf(stderr, "No private display: run through ctest, whose fixture starts scripts/xsession.sh.\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}
