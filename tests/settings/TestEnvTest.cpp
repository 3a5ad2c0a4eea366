#include "tests/support/TestEnv.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <gtest/gtest.h>

// The isolation every later test relies on: settings, home and temporary files stay in the
// test's own root.
TEST(TestEnv, SettingsAndTempStayInsideTheIsolatedRoot) {
  const QString root = testenv::IsolatedRoot();
  ASSERT_FALSE(root.isEmpty());
  QSettings s(QStringLiteral("Brambleworks"), QStringLiteral("Pairhound 1.5"));
  EXPECT_TRUE(s.fileName().startsWith(root)) << s.fileName().toStdString();
  EXPECT_TRUE(QDir::tempPath().startsWith(root));
  EXPECT_TRUE(QDir::homePath().startsWith(root));
  EXPECT_TRUE(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).startsWith(root));
}
