#pragma once
// A file system mounted over a folder for one test, in a mount namespace of the test process's own, so
// the mount goes when the process ends, however it ends. Only root may mount; CI runs as root.

#include <QByteArray>
#include <QString>

#include <string>

class TMountOver {
public:
  // Makes Folder when missing and mounts Source of the type Type with Options over it.
  TMountOver(const QString &Folder, const char *Type, const QByteArray &Source, const QByteArray &Options);
  ~TMountOver();
  TMountOver(const TMountOver &) = delete;
  TMountOver &operator=(const TMountOver &) = delete;

  bool Mounted() const { return m_mounted; }
  std::string Reason() const { return m_reason.toStdString(); } // why it is not mounted

private:
  QByteArray m_folder;
  QString m_reason;
  bool m_mounted = false;
};
