#include <gtest/gtest.h>

#include <QApplication>

#include "modules/host/EngineEnvironment.h"
#include "ui/Appearance.h"

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  // ctest lists the cases to register them; that needs no display.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  orvanta::PrepareEngineEnvironment();
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("OrvantaUiTests"));
  orvanta::UseClassicLook();
  return RUN_ALL_TESTS();
}
