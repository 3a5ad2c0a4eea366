#include "tests/support/TestEnv.h"

#include "platform/Folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace testenv {
namespace {
QString g_root;
}

void IsolateUserFolders() {
  if (!g_root.isEmpty())
    return;
  // Made under the system's temporary folder before TMPDIR is redirected into it.
  auto *root = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/pairhound-test-XXXXXX"));
  g_root = root->path();
  // Qt's own removal cannot name what is not UTF-8 (a trashed odd name, say), so ours removes it.
  root->setAutoRemove(false);
  struct TRemoveAtExit {
    std::unique_ptr<QTemporaryDir> m_dir;
    ~TRemoveAtExit() { DeleteFolderTree(m_dir->path()); }
  };
  static TRemoveAtExit keep{std::unique_ptr<QTemporaryDir>(root)};
  const struct {
    const char *var;
    const char *sub;
  } folders[] = {{"HOME", "home"},
                 {"XDG_CONFIG_HOME", "home/.config"},
                 {"XDG_DATA_HOME", "home/.local/share"},
                 {"XDG_CACHE_HOME", "home/.cache"},
                 {"TMPDIR", "tmp"}};
  for (const auto &f : folders) {
    const QString p = g_root + QLatin1Char('/') + QLatin1String(f.sub);
    QDir().mkpath(p);
    qputenv(f.var, QFile::encodeName(p));
  }
}

QString IsolatedRoot() {
  return g_root;
}

void ClearSettings() {
  QSettings s(QStringLiteral("Brambleworks"), QStringLiteral("Pairhound 1.5"));
  s.clear();
  s.sync();
}

QString SourceDir() {
  const QByteArray env = qgetenv("PAIRHOUND_SOURCE_DIR");
  if (!env.isEmpty())
    return QFile::decodeName(env);
  return QStringLiteral(PAIRHOUND_SOURCE_DIR_DEFAULT);
}

QByteArray ReadFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace testenv

TestDir::TestDir() : m_dir(QDir::tempPath() + QStringLiteral("/testdir-XXXXXX")) {}

TestDir::~TestDir() {
  if (m_dir.isValid())
    DeleteFolderTree(m_dir.path());
}

namespace testenv {

QList<QByteArray> OddNames() {
  return {"caf\xE9", "\xFF\xFE", "\x80", "cut\xE2\x82", "over\xC0\xAF"};
}

bool MakeRawFolder(const QByteArray &path) {
  for (qsizetype i = 1; i <= path.size(); ++i)
    if (i == path.size() || path.at(i) == '/')
      if (::mkdir(path.left(i).constData(), 0755) != 0 && errno != EEXIST)
        return false;
  return true;
}

bool WriteRaw(const QByteArray &path, const QByteArray &contents) {
  const qsizetype slash = path.lastIndexOf('/');
  if (slash > 0 && !MakeRawFolder(path.left(slash)))
    return false;
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0)
    return false;
  const bool written = ::write(fd, contents.constData(), size_t(contents.size())) == contents.size();
  return ::close(fd) == 0 && written;
}

QByteArray ReadRaw(const QByteArray &path) {
  const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return "<missing>";
  QByteArray data;
  char buffer[65536];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
    data.append(buffer, qsizetype(n));
  ::close(fd);
  return data;
}

} // namespace testenv

QString TestDir::filePath(const QString &relative) const {
  return m_dir.filePath(relative);
}

QString TestDir::createFolder(const QString &relative) {
  const QString p = filePath(relative);
  QDir().mkpath(p);
  return p;
}

QString TestDir::createFile(const QString &relative, const QByteArray &contents) {
  const QString p = filePath(relative);
  QDir().mkpath(QFileInfo(p).absolutePath());
  QFile f(p);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return {};
  f.write(contents);
  return p;
}

QString TestDir::createFileOfSize(const QString &relative, qint64 size, quint32 seed) {
  QByteArray data(static_cast<qsizetype>(size), Qt::Uninitialized);
  quint32 x = seed * 2654435761u + 1;
  for (qsizetype i = 0; i < data.size(); ++i) {
    x = x * 1103515245u + 12345u;
    data[i] = static_cast<char>(x >> 24);
  }
  return createFile(relative, data);
}

bool TestDir::setTimes(const QString &absolute, const QDateTime &modified, const QDateTime &accessed) {
  struct utimbuf t;
  t.actime = accessed.toSecsSinceEpoch();
  t.modtime = modified.toSecsSinceEpoch();
  return utime(QFile::encodeName(absolute).constData(), &t) == 0;
}

platform::TFileIdentity testenv::IdentityNow(const QByteArray &path) {
  struct statx st;
  return platform::StatxAt(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW, st) ? platform::IdentityOf(st)
                                                                                : platform::TFileIdentity{};
}
