// Test entry for headless tests: isolates the user folders, then runs GoogleTest with a
// QCoreApplication alive.
#include "tests/support/TestEnv.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
  testenv::IsolateUserFolders();
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
