// Test entry for tests that draw or decode pictures: isolates the user folders, then runs
// GoogleTest with an offscreen QGuiApplication alive (a QApplication where widgets are tested).
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>
#ifdef PAIRHOUND_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

int main(int argc, char **argv) {
  testenv::IsolateUserFolders();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  TestApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
