#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  // ctest lists the cases to register them; that needs no display.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("OrvantaUiHelpTests"));
  return RUN_ALL_TESTS();
}
