#include "engine/ScanFiles.h"

#include "engine/Archive.h"
#include "engine/Progress.h"
#include "engine/ReadProperties.h"
#include "engine/SearchFilter.h"
#include "engine/UsePropertyFile.h"
#include "platform/Folders.h"
#include "settings/StringRoutines.h"

#include <QFile>

#include <QSet>

#include <cmath>
#include <vector>

namespace {

QString StripOneTrailing(const QString &Text, QChar Last) {
  QString s = TrimBlanks(Text);
  if (s.endsWith(Last))
    s.chop(1);
  return s;
}

// The entry's name as text, or empty when the text would not give the same bytes back: every later
// step reaches the file through that text, which would then name another file or none.
QString NameText(const QByteArray &Bytes) {
  const QString name = QFile::decodeName(Bytes);
  if (name.contains(QChar::ReplacementCharacter) && QFile::encodeName(name) != Bytes)
    return {};
  return name;
}

// Progress is reported once per this many folder entries.
constexpr int64_t EntriesPerProgress = 50;
// Inside an archive, the window is kept alive (and a stop let through) once per this many members.
constexpr int MembersPerProgress = 1000;

// One call of ScanAll: the counters and the identities seen, shared by all include folders.
class TScan {
public:
  TScan(TUseFileList &List, IProgressSink &Sink, IProgressBar &Bar)
      : m_list(List), m_sink(Sink), m_bar(Bar), m_filter(SearchFilter()) {}

  void ScanIncludePaths();

private:
  // A folder of the level list: its text with the trailing "/", and its bytes for the system.
  struct TFolder {
    QString m_path;
    QByteArray m_bytes;
  };

  void ScanFolder(const QString &IncludeFolder);
  void ScanOneFolder(const TFolder &Folder, bool IsInclude, std::vector<TFolder> &Next);
  bool PassesFilter(const QString &Folder, const QString &Name, int64_t Size) const;
  void AddArchiveEntries(TArcList &Arc, TUseFileProperty *Archive);
  void CountEntry();

  TUseFileList &m_list;
  IProgressSink &m_sink;
  IProgressBar &m_bar;
  const TSearchFilter &m_filter;
  TVirtualFileSystems m_virtual;
  // Files with several names that were gathered, and folders walked in this search, so that neither
  // is taken twice (hard links; bind mounts and a folder reached from two include folders are caught
  // by the folder's identity).
  TFileIdSet m_files;
  TFileIdSet m_folders;
  // The excluded folders, each with its trailing "/".
  QSet<QString> m_excluded;
  int64_t m_entries = 0;
  // The text of the last progress call.
  QString m_text;
};

void TScan::ScanIncludePaths() {
  m_bar.SetMin(0);
  m_bar.SetPosition(0);
  m_bar.SetMax(100);
  m_entries = 0;
  // Whole entries only: on this system every folder text ends in "/" and every entry begins with
  // one, so a folder also occurs as the tail of a longer entry ("/" inside "/usr/;").
  for (const QString &entry : m_list.Filter.PathsExclude.split(QLatin1Char(';'), Qt::SkipEmptyParts))
    m_excluded.insert(entry);
  const QString &include = m_list.Filter.PathsInclude;
  const int count = CountListItems(include);
  for (int k = 1; k <= count; ++k) {
    const QString folder = GetListItem(include, k);
    // An empty item would otherwise become the root of the whole system.
    if (!TrimBlanks(folder).isEmpty())
      ScanFolder(folder);
  }
  m_sink.ProcessProgress(QString());
}

void TScan::ScanFolder(const QString &IncludeFolder) {
  const QString root = StripTrailingBackslash(IncludeFolder) + QLatin1Char('/');
  std::vector<TFolder> level{{root, QFile::encodeName(root)}};
  bool isInclude = true;
  while (!level.empty()) {
    std::vector<TFolder> next;
    for (const TFolder &folder : level)
      ScanOneFolder(folder, isInclude, next);
    isInclude = false;
    level.swap(next);
  }
}

void TScan::ScanOneFolder(const TFolder &Folder, bool IsInclude, std::vector<TFolder> &Next) {
  // Only a folder named exactly like an excluded one, letter case included, is skipped.
  if (m_excluded.contains(Folder.m_path))
    return;
  // The folder the user named may itself be a link; nothing below it is followed.
  TDirReader reader(Folder.m_bytes, IsInclude);
  if (!reader.IsOpen() || reader.IsVirtual(m_virtual) || !m_folders.insert(reader.Id()).second)
    return;
  TDirEntry entry;
  while (reader.Next(entry)) {
    if (entry.m_name != "." && entry.m_name != "..") {
      // A name that is not text is left out, a folder with everything in it.
      const QString name = entry.m_kind == TDirEntry::EKind::Other ? QString() : NameText(entry.m_name);
      if (name.isEmpty()) {
        // nothing to take
      } else if (entry.m_kind == TDirEntry::EKind::Folder) {
        const QString sub = Folder.m_path + name + QLatin1Char('/');
        if (AcceptSubfolder(sub))
          Next.push_back({sub, Folder.m_bytes + entry.m_name + '/'});
      } else if (!(entry.m_linked && m_files.count(entry.m_id))) {
        if (PassesFilter(Folder.m_path, name, entry.m_size)) {
          if (entry.m_linked)
            m_files.insert(entry.m_id);
          const int index = m_list.AddFile(Folder.m_path, name, entry.m_size, nullptr);
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

int ScanProgressPosition(int64_t Count) {
  // The walk does not count its files beforehand, so the bar follows the logarithm of the count.
  return 6 * int(std::nearbyint(std::log(double(Count) + 1.0)));
}

void TUseFileList::ScanAll(IProgressSink &Sink, IProgressBar &Bar) {
  TScan(*this, Sink, Bar).ScanIncludePaths();
}
