#pragma once
// Gathering: the walk that fills the file list of a search, folder level by folder level, through
// the global file filter, with archives entered as folders. TUseFileList::ScanAll is its entry.

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdint>

// Trims blanks and control characters at both ends and appends "/" unless the text already ends
// in one; an empty or blank text stays "".
QString AddSlash(const QString &Text);

// Trims blanks and control characters at both ends, then removes one trailing "/".
QString StripTrailingBackslash(const QString &Text);
// Trims the same way, then removes one trailing "*".
QString StripTrailingStar(const QString &Text);

// Through this hook passes every subfolder found before it is queued; it accepts every one.
bool AcceptSubfolder(const QString &Path);

// The excluded folders of a search, compared by their canonical paths, so that a link or a ".."
// does not lead around them.
class TExcludedFolders {
public:
  explicit TExcludedFolders(const QStringList &Folders);
  // Folder (canonical, ending in "/") is an excluded folder.
  bool Contains(const QByteArray &Folder) const { return m_folders.contains(Folder); }
  // Folder is an excluded folder or lies inside one.
  bool Covers(const QByteArray &Folder) const;

private:
  QSet<QByteArray> m_folders;
};

// Position of the gathering bar after Count entries: 6 x ln(Count + 1), rounded half to even.
int ScanProgressPosition(int64_t Count);
