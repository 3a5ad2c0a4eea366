#include "fuzz/FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace fuzz {

namespace {
// Never destroyed: Qt's own exit-time clean-up must not find it half gone.
QCoreApplication *g_app = nullptr;
std::unique_ptr<QTemporaryDir> g_dir;
int g_argc = 1;
char g_name[] = "fuzz";
char *g_argv[] = {g_name, nullptr};
} // namespace

void Init(bool Gui) {
  if (g_app)
    return;
  const QString base =
      QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
  g_dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/pairhound-fuzz-XXXXXX"));
  Check(g_dir->isValid(), "scratch folder");
  qputenv("TMPDIR", QFile::encodeName(g_dir->path()));
  qputenv("HOME", QFile::encodeName(g_dir->path()));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(g_dir->path()));
  if (Gui) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_app = new QGuiApplication(g_argc, g_argv);
  } else {
    g_app = new QCoreApplication(g_argc, g_argv);
  }
}

QString Dir() {
  return g_dir->path();
}

QString WriteFile(const QString &Name, const uint8_t *Data, size_t Size) {
  return WriteFile(Name, QByteArray(reinterpret_cast<const char *>(Data), qsizetype(Size)));
}

QString WriteFile(const QString &Name, const QByteArray &Bytes) {
  const QString path = Dir() + QLatin1Char('/') + Name;
  QFile file(path);
  Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(Bytes) == Bytes.size(),
        "writing an input file");
  return path;
}

QByteArray ReadFile(const QString &Path) {
  QFile file(Path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void Check(bool Condition, const char *What) {
  if (Condition)
    return;
  std::fprintf(stderr, "fuzz check failed: %s\n", What);
  std::abort();
}

} // namespace fuzz
