// Test entry for tests that need widgets: isolates the user folders, then runs GoogleTest with an
// offscreen QApplication alive.
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
  testenv::IsolateUserFolders();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
