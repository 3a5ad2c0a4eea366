#include "engine/ScanFiles.h"

#include "engine/Archive.h"
#include "engine/ListAhead.h"
#include "engine/Progress.h"
#include "engine/ReadAhead.h"
#include "engine/ReadProperties.h"
#include "engine/SearchFilter.h"
#include "engine/UsePropertyFile.h"
#include "platform/Folders.h"
#include "platform/Names.h"
#include "settings/Language.h"
#include "settings/StringRoutines.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

namespace {

QString StripOneTrailing(const QString &Text, QChar Last) {
  QString s = TrimBlanks(Text);
  if (s.endsWith(Last))
    s.chop(1);
  return s;
}

// Progress is reported once per this many folder entries.
constexpr int64_t EntriesPerProgress = 50;
// Inside an archive, the window is kept alive (and a stop let through) once per this many members.
constexpr int MembersPerProgress = 1000;

// One call of ScanAll: the counters and the identities seen, shared by all include folders.
class TScan {
public:
  TScan(TUseFileList &List, IProgressSink &Sink, IProgressBar &Bar)
      : m_list(List), m_sink(Sink), m_bar(Bar), m_filter(SearchFilter()),
        m_excluded(List.Filter.ExcludeFolders) {}

  void ScanIncludePaths();

private:
  // A folder of the level list: its text with the trailing "/", and its canonical path, which is also
  // the path it is opened by (no link inside it, since a walk never follows one).
  struct TFolder {
    QString m_path;
    QByteArray m_canonical;
  };

  void ScanFolder(const QString &IncludeFolder);
  void ScanOneFolder(const TFolder &Folder);
  bool PassesFilter(const QString &Folder, const QString &Name, int64_t Size) const;
  void AddArchiveEntries(TArcList &Arc, TUseFileProperty *Archive);
  void CountEntry();

  TUseFileList &m_list;
  IProgressSink &m_sink;
  IProgressBar &m_bar;
  const TSearchFilter &m_filter;
  TVirtualFileSystems m_virtual;
  // The walk's queue, breadth first: every folder of a level before the next level. The lister opens
  // and lists the same folders in the same order ahead of the walk.
  std::deque<TFolder> m_queue;
  TListAhead *m_lister = nullptr;
  // Files with several names that were gathered, and folders walked in this search, so that neither
  // is taken twice (hard links; bind mounts and a folder reached from two include folders are caught
  // by the folder's identity).
  TFileIdSet m_files;
  TFileIdSet m_folders;
  TExcludedFolders m_excluded;
  int64_t m_entries = 0;
  // The text of the last progress call.
  QString m_text;
};

void TScan::ScanIncludePaths() {
  m_bar.SetMin(0);
  m_bar.SetPosition(0);
  m_bar.SetMax(100);
  m_entries = 0;
  TListAhead lister(m_virtual, ReadWorkers());
  m_lister = &lister;
  for (const QString &folder : m_list.Filter.IncludeFolders)
    // A relative path would be taken from the working folder, which the user never chose.
    if (folder.startsWith(QLatin1Char('/')))
      ScanFolder(folder);
  m_sink.ProcessProgress(QString());
}

void TScan::ScanFolder(const QString &IncludeFolder) {
  // Links on the way to the folder are resolved, so that every gathered path is free of links and the
  // file actions, which never follow one, reach the files by it. Like every folder below it, the
  // folder itself is not followed when it is a link.
  const QByteArray path = LinkFreeFolder(IncludeFolder);
  // A folder that lies inside an excluded one is excluded with it.
  if (path.isEmpty() || m_excluded.Covers(path))
    return;
  m_queue.push_back({platform::DecodeName(path), path});
  m_lister->Add(path);
  while (!m_queue.empty()) {
    const TFolder folder = std::move(m_queue.front());
    m_queue.pop_front();
    ScanOneFolder(folder);
  }
}

void TScan::ScanOneFolder(const TFolder &Folder) {
  TFileId id;
  if (!m_lister->Open(id) || !m_folders.insert(id).second)
    return;
  TDirEntry entry;
  while (m_lister->Next(entry)) {
    if (entry.m_name != "." && entry.m_name != ".." && entry.m_kind != TDirEntry::EKind::Other) {
      const bool isFolder = entry.m_kind == TDirEntry::EKind::Folder;
      const QString name = platform::DecodeName(entry.m_name);
      if (isFolder) {
        const QString sub = Folder.m_path + name + QLatin1Char('/');
        QByteArray canonical = Folder.m_canonical + entry.m_name + '/';
        // Only a folder named exactly like an excluded one, letter case included, is skipped.
        if (AcceptSubfolder(sub) && !m_excluded.Contains(canonical)) {
          m_lister->Add(canonical);
          m_queue.push_back({sub, std::move(canonical)});
        }
      } else if (!(entry.m_linked && m_files.count(entry.m_id))) {
        if (PassesFilter(Folder.m_path, name, entry.m_size)) {
          if (entry.m_linked)
            m_files.insert(entry.m_id);
          const int index = m_list.AddFile(Folder.m_path, name, entry.m_size, nullptr);
          m_list.GetItem(index)->FileItem.SetIdentity(
              {entry.m_id, entry.m_size, entry.m_modifiedNs, entry.m_changedNs, entry.m_bornNs});
          if (const auto arc = CreateArcList(Folder.m_path + name, m_list.Filter.Archive))
            AddArchiveEntries(*arc, m_list.GetItem(index));
        }
      }
    }
    CountEntry();
  }
}

bool TScan::PassesFilter(const QString &Folder, const QString &Name, int64_t Size) const {
  if (!m_filter.CheckMask(Name) || !m_filter.CheckSize(Size))
    return false;
  if (!m_filter.DateOn && !m_filter.AttrOn)
    return true;
  TFileProps props;
  GetFileProps(Folder + Name, props);
  return m_filter.CheckDate(props) && m_filter.CheckAttributes(props);
}

void TScan::AddArchiveEntries(TArcList &Arc, TUseFileProperty *Archive) {
  try {
    Arc.ReadList(&m_sink, m_text);
  } catch (const EArchiveError &) {
    // A damaged archive stays a plain file and the walk goes on.
    return;
  }
  Archive->Owner = Archive;
  for (int i = 0; i < Arc.Count(); ++i) {
    const TArcItem &entry = Arc.GetItem(i);
    const qsizetype slash = entry.Name.lastIndexOf(QLatin1Char('/'));
    m_list.AddFile(entry.Name.left(slash + 1), entry.Name.mid(slash + 1), entry.UnpackedSize, Archive);
    if ((i + 1) % MembersPerProgress == 0)
      m_sink.ProcessProgress(m_text);
  }
}

void TScan::CountEntry() {
  ++m_entries;
  if (m_entries % EntriesPerProgress != 0)
    return;
  const int position = ScanProgressPosition(m_entries);
  if (position <= m_bar.Max() - 5)
    m_bar.SetPosition(position);
  m_text = QStringLiteral(" (") + QString::number(m_entries) + QLatin1Char(')');
  m_sink.ProcessProgress(m_text);
}

} // namespace

QString AddSlash(const QString &Text) {
  QString s = TrimBlanks(Text);
  if (!s.isEmpty() && !s.endsWith(QLatin1Char('/')))
    s += QLatin1Char('/');
  return s;
}

QString StripTrailingBackslash(const QString &Text) {
  return StripOneTrailing(Text, QLatin1Char('/'));
}

QString StripTrailingStar(const QString &Text) {
  return StripOneTrailing(Text, QLatin1Char('*'));
}

bool AcceptSubfolder(const QString &) {
  return true;
}

TExcludedFolders::TExcludedFolders(const QStringList &Folders) {
  // By the rule the walk's own folders follow and, for a link, by where it leads: excluding a link
  // to a folder excludes that folder.
  for (const QString &folder : Folders)
    for (const QByteArray &path : {LinkFreeFolder(folder), ComparableFolder(folder)})
      if (!path.isEmpty())
        m_folders.insert(path);
}

bool TExcludedFolders::Covers(const QByteArray &Folder) const {
  return std::any_of(m_folders.cbegin(), m_folders.cend(),
                     [&](const QByteArray &Excluded) { return FolderInside(Folder, Excluded); });
}

int ScanProgressPosition(int64_t Count) {
  // The walk does not count its files beforehand, so the bar follows the logarithm of the count.
  return 6 * int(std::nearbyint(std::log(double(Count) + 1.0)));
}

void TUseFileList::ScanAll(IProgressSink &Sink, IProgressBar &Bar) {
  TScan(*this, Sink, Bar).ScanIncludePaths();
}
