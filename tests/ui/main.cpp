#include <gtest/gtest.h>

#include <QApplication>

#include "ui/Appearance.h"

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("OrvantaUiTests"));
  orvanta::UseClassicLook();
  return RUN_ALL_TESTS();
}
