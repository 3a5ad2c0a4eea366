// Test entry for tests that draw or decode pictures: isolates the user folders, then runs
// GoogleTest with an offscreen QGuiApplication alive.
#include "tests/support/TestEnv.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
  testenv::IsolateUserFolders();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
