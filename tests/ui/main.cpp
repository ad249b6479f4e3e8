#include <gtest/gtest.h>

#include <QApplication>

#include "preview/host/EngineEnvironment.h"
#include "ui/Appearance.h"

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  orvanta::PrepareEngineEnvironment();
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("OrvantaUiTests"));
  orvanta::UseClassicLook();
  return RUN_ALL_TESTS();
}
