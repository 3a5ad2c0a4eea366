#include "engine/Archive.h"

#include "engine/ArchiveSource.h"
#include "engine/Progress.h"
#include "engine/ReadAhead.h"
#include "engine/ReadProperties.h"
#include "engine/UsePropertyFile.h"
#include "platform/Folders.h"
#include "platform/Names.h"
#include "settings/Language.h"

#include <QDir>
#include <QSet>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <exception>
#include <limits>
#include <unistd.h>

const char *const ZipPassword = "73";
int64_t (*FreeSpaceProbe)() = &FreeSpaceOnScratchDrive;

namespace {

struct TReaderFree {
  void operator()(archive *A) const { archive_read_free(A); }
};
struct TWriterFree {
  void operator()(archive *A) const { archive_write_free(A); }
};
using TReader = std::unique_ptr<archive, TReaderFree>;
using TWriter = std::unique_ptr<archive, TWriterFree>;

// Progress is reported at most once per this many unpacked bytes or entries.
constexpr int64_t ProgressBytes = 1 << 20;
constexpr int ProgressEntries = 50;
// Listing reports once per this many entries.
constexpr int ListProgressEntries = 1024;
// Failed headers in a row after which an archive is given up.
constexpr int MaxHeaderFailures = 16;
// Scratch names that fail for another reason than being taken, after which none is made.
constexpr int MaxScratchFailures = 16;

archive *OpenWith(const QString &FileName, void (*Setup)(archive *), const TFileId &Expected = {}) {
  archive *a = archive_read_new();
  if (!a)
    return nullptr;
  Setup(a);
  if (OpenArchiveFile(a, FileName, Expected == TFileId{} ? nullptr : &Expected) != ARCHIVE_OK) {
    archive_read_free(a);
    return nullptr;
  }
  return a;
}

void SetupZip(archive *A) {
  // The seekable reader trusts the central directory at the end, so a program stub in front
  // (a self-extracting archive) does not matter.
  archive_read_support_format_zip_seekable(A);
  archive_read_add_passphrase(A, ZipPassword);
}

void SetupRar(archive *A) {
  archive_read_support_format_rar(A);
  archive_read_support_format_rar5(A);
}

// A name that is not UTF-8 keeps its bytes, so that it unpacks under the very name the archive holds.
QString EntryName(archive_entry *Entry) {
  if (const char *utf8 = archive_entry_pathname_utf8(Entry))
    return platform::DecodeName(QByteArray(utf8));
  const char *raw = archive_entry_pathname(Entry);
  return raw ? platform::DecodeName(QByteArray(raw)) : QString();
}

// Only plain files become members: folders are implied by the paths, and links could point anywhere.
bool IsFileEntry(archive_entry *Entry) {
  return archive_entry_filetype(Entry) == AE_IFREG && !archive_entry_hardlink(Entry) &&
         !archive_entry_symlink(Entry);
}

int64_t EntrySize(archive_entry *Entry) {
  return archive_entry_size_is_set(Entry) ? archive_entry_size(Entry) : 0;
}

// The name under which an entry becomes a member, or "" for an entry that is no member. Listing and
// unpacking both ask this, so that the n-th member is the n-th entry unpacked.
QString MemberName(archive_entry *Entry, bool ListsEmptyEntries) {
  if (!IsFileEntry(Entry) || (EntrySize(Entry) == 0 && !ListsEmptyEntries))
    return {};
  QString name = EntryName(Entry);
  // A file needs a name after its last "/".
  if (name.endsWith(QLatin1Char('/')))
    return {};
  return name;
}

int64_t SaturatingAdd(int64_t A, int64_t B) {
  return (B > 0 && A > std::numeric_limits<int64_t>::max() - B) ? std::numeric_limits<int64_t>::max() : A + B;
}

// Progress of one extraction, reported in steps so that a stop is seen between blocks.
class TUnpackProgress {
public:
  TUnpackProgress(IProgressSink &Sink, const QString &Text, int64_t Total)
      : m_sink(Sink), m_text(Text), m_total(Total) {}

  void Bytes(int64_t Count) {
    m_done += Count;
    if (m_done - m_reportedBytes >= ProgressBytes)
      Report();
  }
  void EntryDone() {
    if (++m_entries - m_reportedEntries >= ProgressEntries)
      Report();
  }
  void Report() {
    m_reportedBytes = m_done;
    m_reportedEntries = m_entries;
    int percent = 0;
    if (m_total > 0)
      percent = int(std::min<double>(100.0, std::nearbyint(double(m_done) / double(m_total) * 100.0)));
    m_sink.ProcessProgress(UnpackProgressText(m_text, percent));
  }
  int64_t Done() const { return m_done; }

private:
  IProgressSink &m_sink;
  const QString m_text;
  const int64_t m_total;
  int64_t m_done = 0;
  int64_t m_reportedBytes = 0;
  int m_entries = 0;
  int m_reportedEntries = 0;
};

} // namespace

TArcList::~TArcList() {
  DeleteScratchFolder();
}

int64_t TArcList::UnpackedTotal() const {
  int64_t sum = 0;
  for (const TArcItem &item : m_items)
    sum = SaturatingAdd(sum, std::max<int64_t>(0, item.UnpackedSize));
  return sum;
}

void TArcList::ReadList(IProgressSink *Sink, const QString &Text) {
  m_items.clear();
  TReader reader(OpenReader());
  if (!reader)
    throw EArchiveError("cannot open " + platform::EncodeName(ArchiveName).toStdString());
  archive_entry *entry = nullptr;
  for (int64_t n = 1;; ++n) {
    if (Sink && n % ListProgressEntries == 0)
      Sink->ProcessProgress(Text);
    const int r = archive_read_next_header(reader.get(), &entry);
    if (r == ARCHIVE_EOF)
      break;
    if (r < ARCHIVE_WARN) {
      const char *why = archive_error_string(reader.get());
      m_items.clear();
      throw EArchiveError(why ? why : "damaged archive");
    }
    QString name = MemberName(entry, ListsEmptyEntries());
    if (!name.isEmpty())
      m_items.emplace_back(std::move(name), EntrySize(entry));
  }
}

void TArcList::KeepOnly(const QSet<QString> &Names) {
  std::erase_if(m_items, [&](const TArcItem &Item) { return !Names.contains(Item.Name); });
  m_only = Names;
}

bool TArcList::MakeScratchFolder() {
  if (!m_madeScratchFolder.isEmpty())
    return true;
  const QString base = GetTempDir();
  int otherFailures = 0;
  for (int n = 1; n < std::numeric_limits<int>::max(); ++n) {
    const QString path = base + QStringLiteral("/TWTemp") + QString::number(n);
    const int error = CreateFolderExclusive(path);
    if (error == 0) {
      ScratchFolder = path + QLatin1Char('/');
      m_madeScratchFolder = ScratchFolder;
      return true;
    }
    if (error != EEXIST && ++otherFailures >= MaxScratchFailures)
      return false;
  }
  return false;
}

void TArcList::DeleteScratchFolder(IProgressSink *Sink) {
  if (m_madeScratchFolder.isEmpty())
    return;
  // The folder goes whole whatever the sink throws; what it threw goes on afterwards. After a throw
  // the sink is not called again: a stop or a halt answers every later call the same way.
  std::exception_ptr thrown;
  DeleteFolderTree(m_madeScratchFolder, [&] {
    if (!Sink || thrown)
      return;
    try {
      Sink->ProcessProgress(QString());
    } catch (...) {
      thrown = std::current_exception();
    }
  });
  m_madeScratchFolder.clear();
  ScratchFolder.clear();
  if (thrown)
    std::rethrow_exception(thrown);
}

QString TArcList::ScratchPathOf(const QString &MemberPath) const {
  if (m_madeScratchFolder.isEmpty() || MemberPath.isEmpty() || MemberPath.startsWith(QLatin1Char('/')) ||
      MemberPath.endsWith(QLatin1Char('/')))
    return {};
  const QStringList parts = MemberPath.split(QLatin1Char('/'));
  for (const QString &part : parts)
    if (part == QLatin1String(".."))
      return {};
  // "x/./y" and "x//y" unpack onto "x/y".
  const QString path = QDir::cleanPath(m_madeScratchFolder + MemberPath);
  // "." and "./." clean up to the scratch folder itself, which a file entry would replace.
  if (!path.startsWith(m_madeScratchFolder))
    return {};
  // Longer than the system opens: it could never be read back, only be a heavy tree to make.
  if (platform::EncodeName(path).size() >= PATH_MAX)
    return {};
  return path;
}

void TArcList::Extract(IProgressSink &Sink, const std::function<void(const QString &Name)> &Settled) {
  if (m_madeScratchFolder.isEmpty())
    return;
  TReader reader(OpenReader());
  if (!reader)
    return;
  TWriter writer(archive_write_disk_new());
  if (!writer)
    return;
  // The target paths are made absolute below after their own check, so the check against
  // absolute names is done there rather than by the library.
  archive_write_disk_set_options(writer.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_NODOTDOT |
                                                   ARCHIVE_EXTRACT_SECURE_SYMLINKS);
  // The free-space rule allowed this much and no more, whatever the entries turn out to hold.
  const int64_t budget = UnpackedTotal();
  TUnpackProgress progress(Sink, ProgressText, budget);
  progress.Report();

  // Paths already taken by an earlier entry: a later one would overwrite what an earlier member
  // is read from.
  QSet<QString> taken;
  archive_entry *entry = nullptr;
  // Unpacks the member entry Name, or leaves nothing of it; false when the archive cannot be read on.
  const auto unpack = [&](const QString &name) {
    const QString target = ScratchPathOf(name);
    if (target.isEmpty() || taken.contains(target))
      return true;
    taken.insert(target);
    const int64_t limit = EntrySize(entry);

    // The first block comes before the file is made, so an entry that cannot be opened (a wrong
    // password, an unknown method) leaves nothing behind.
    const void *block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    int r = archive_read_data_block(reader.get(), &block, &size, &offset);
    if (r == ARCHIVE_FATAL)
      return false;
    if (r < ARCHIVE_WARN)
      return true;
    const QByteArray targetBytes = platform::EncodeName(target);
    archive_entry_copy_pathname(entry, targetBytes.constData());
    archive_entry_set_perm(entry, (archive_entry_perm(entry) & 0777) | 0400);
    if (archive_write_header(writer.get(), entry) < ARCHIVE_WARN)
      return true;
    bool good = true;
    while (r != ARCHIVE_EOF) {
      const int64_t end = offset + int64_t(size);
      if (end > limit || progress.Done() + int64_t(size) > budget ||
          archive_write_data_block(writer.get(), block, size, offset) < ARCHIVE_WARN) {
        good = false;
        break;
      }
      progress.Bytes(int64_t(size));
      r = archive_read_data_block(reader.get(), &block, &size, &offset);
      if (r < ARCHIVE_WARN) {
        good = false;
        break;
      }
    }
    archive_write_finish_entry(writer.get());
    if (!good)
      ::unlink(targetBytes.constData());
    return r != ARCHIVE_FATAL;
  };
  int headerFailures = 0;
  for (;;) {
    const int r = archive_read_next_header(reader.get(), &entry);
    if (r == ARCHIVE_EOF || r == ARCHIVE_FATAL)
      break;
    if (r < ARCHIVE_WARN) {
      if (++headerFailures >= MaxHeaderFailures)
        break;
      continue;
    }
    headerFailures = 0;
    // Counted before anything can skip the entry, so that no run of skipped entries holds off a stop.
    progress.EntryDone();
    const QString name = MemberName(entry, ListsEmptyEntries());
    if (name.isEmpty() || (m_only && !m_only->contains(name)))
      continue;
    const bool readOn = unpack(name);
    if (Settled)
      Settled(name);
    if (!readOn)
      break;
  }
}

archive *TZipList::OpenReader() const {
  return OpenWith(ArchiveName, &SetupZip, Expected);
}

archive *TRarList::OpenReader() const {
  return OpenWith(ArchiveName, &SetupRar, Expected);
}

bool IsZipArchive(const QString &FileName) {
  // A dot in a folder's name leaves a "/" in the extension, so the path serves as the name does.
  const QString ext = UpperExtension(FileName);
  if (ext == QLatin1String(".ZIP"))
    return true;
  if (ext != QLatin1String(".EXE"))
    return false;
  TReader reader(OpenWith(FileName, &SetupZip));
  if (!reader)
    return false;
  archive_entry *entry = nullptr;
  const int r = archive_read_next_header(reader.get(), &entry);
  // ARCHIVE_EOF: a ZIP directory without entries.
  return r == ARCHIVE_OK || r == ARCHIVE_WARN;
}

bool IsRarArchive(const QString &FileName) {
  return UpperExtension(FileName) == QLatin1String(".RAR");
}

bool IsArchiveToSearch(const QString &FileName, const QString &ArchiveLetters) {
  return CreateArcList(FileName, ArchiveLetters) != nullptr;
}

std::unique_ptr<TArcList> CreateArcList(const QString &FileName, const QString &ArchiveLetters) {
  // The cheap name test first: opening a program to look for ZIP entries costs a read.
  if (ArchiveLetters.contains(QLatin1Char('r')) && IsRarArchive(FileName))
    return std::make_unique<TRarList>(FileName);
  if (ArchiveLetters.contains(QLatin1Char('z')) && IsZipArchive(FileName))
    return std::make_unique<TZipList>(FileName);
  return nullptr;
}

QString UnpackProgressText(const QString &Text, int Percent) {
  return QStringLiteral(" (") + Text + QLatin1Char(' ') + QString::number(Percent) + QStringLiteral("%)");
}

QString GetTempDir() {
  // Resolved, so that no link lies on the way to an unpacked file. Taken as bytes, as QDir::tempPath
  // would decode a name that is not UTF-8 into another.
  const QByteArray variable = qgetenv("TMPDIR");
  const QString temp = variable.isEmpty() ? QStringLiteral("/tmp") : QDir::cleanPath(platform::DecodeName(variable));
  const QByteArray canonical = CanonicalFolder(platform::EncodeName(temp));
  if (canonical == "/")
    return QStringLiteral("/");
  return canonical.isEmpty() ? temp : platform::DecodeName(canonical.chopped(1));
}

int64_t FreeSpaceOnScratchDrive() {
  return FreeSpace(GetTempDir());
}

bool RoomToUnpack(int64_t FreeBytes, int64_t UnpackedTotal) {
  return FreeBytes > UnpackedTotal && FreeBytes - UnpackedTotal > ScratchReserve;
}

TUnpackedArchive::TUnpackedArchive(const TUseFileList &List, int Index, IProgressSink &Sink,
                                   const QSet<QString> *Only)
    : m_arc(CreateArcList(List.GetItem(Index)->FullName())) {
  if (!m_arc || !m_arc->CanRead())
    return;
  m_arc->Expected = List.GetItem(Index)->FileItem.Id;
  m_arc->ProgressText = LangText(QStringLiteral("20121"));
  bool listed = true;
  try {
    m_arc->ReadList(&Sink, UnpackProgressText(m_arc->ProgressText, 0));
  } catch (const EArchiveError &) {
    listed = false;
  }
  if (Only)
    m_arc->KeepOnly(*Only);
  // The folder is made even when nothing is unpacked, so that members are looked for only in a
  // folder of our own.
  m_room = m_arc->MakeScratchFolder() && listed && RoomToUnpack(FreeSpaceProbe(), m_arc->UnpackedTotal());
}

void TUnpackedArchive::Unpack(IProgressSink &Sink, const std::function<void(const QString &Name)> &Settled) {
  if (m_room)
    m_arc->Extract(Sink, Settled);
}

QString TUnpackedArchive::MemberPath(const TUseFileProperty &Member) {
  if (!m_arc || !m_arc->CanRead())
    return {};
  // Of the members that unpack onto one path only the first was unpacked there.
  const QString path = m_arc->ScratchPathOf(Member.FullName());
  if (path.isEmpty())
    return NeverExistingPath();
  if (m_taken.contains(path))
    return {};
  m_taken.insert(path);
  return path;
}

void TUnpackedArchive::DeleteScratchFolder(IProgressSink &Sink) {
  if (m_arc)
    m_arc->DeleteScratchFolder(&Sink);
}

int ArchiveMembersEnd(const TUseFileList &List, int Index) {
  const TUseFileProperty *archive = List.GetItem(Index);
  int end = Index + 1;
  while (end < List.Count() && List.GetItem(end)->Owner == archive)
    ++end;
  return end;
}

namespace {
// Unpacked members released to the read-ahead workers at once.
constexpr size_t ReleaseBatch = 8;
} // namespace

size_t ReadArchiveMembers(TUseFileList &List, int Index, TReadAhead &Ahead, size_t From, TReadPass &Pass) {
  TNullProgressSink quiet;
  IProgressSink &sink = Pass.Sink ? *Pass.Sink : quiet;
  const TUseFileProperty *archive = List.GetItem(Index);
  const std::vector<int> &order = Ahead.Indexes();
  size_t end = From;
  while (end < order.size() && List.GetItem(order[end])->Owner == archive)
    ++end;
  // Its destructor deletes the scratch folder on a stop, after the catch below.
  TUnpackedArchive unpacked(List, Index, sink);
  size_t released = From;
  const auto releaseUpTo = [&](size_t until) {
    std::vector<QString> paths;
    for (size_t k = released; k < until; ++k)
      paths.push_back(unpacked.MemberPath(*List.GetItem(order[k])));
    Ahead.Release(released, std::move(paths));
    released = until;
  };
  try {
    // A member is read while the later ones are unpacked, once the entry it names is settled: no
    // later entry writes its path. Should the entries part from the members gathering listed, the
    // rest wait for the end.
    bool inStep = true;
    size_t settled = From;
    unpacked.Unpack(sink, [&](const QString &name) {
      inStep = inStep && settled < end && List.GetItem(order[settled])->FullName() == name;
      // A few at a time: every release may wake a worker, which costs the loop more than a read.
      if (inStep && ++settled - released >= ReleaseBatch)
        releaseUpTo(settled);
    });
    releaseUpTo(end);
    for (size_t k = From; k < end; ++k)
      Ahead.Take(k, Pass);
  } catch (...) {
    // No worker may still read from the scratch folder, nor open a name in it, once it goes.
    Ahead.Cancel();
    throw;
  }
  unpacked.DeleteScratchFolder(sink);
  return end;
}

void ProcessArchive(TUseFileList &List, int Index, TReadPass &Pass) {
  std::vector<int> members;
  const int end = ArchiveMembersEnd(List, Index);
  for (int i = Index + 1; i < end; ++i)
    members.push_back(i);
  TReadAhead ahead(List, std::move(members), Pass.WhatFind, ReadWorkers());
  ReadArchiveMembers(List, Index, ahead, 0, Pass);
}
