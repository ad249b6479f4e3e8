#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("OrvantaUiHelpTests"));
  return RUN_ALL_TESTS();
}
