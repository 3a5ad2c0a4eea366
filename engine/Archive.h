#pragma once
// ZIP (also self-extracting) and RAR archives treated as folders: listing their entries while
// gathering, and unpacking one archive at a time into a scratch folder of its own so that its
// members can be read like plain files.

#include "platform/Folders.h"

#include <QSet>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class IProgressSink;
class TUseFileList;
class TUseFileProperty;
class TReadPass;
class TReadAhead;

// An archive that cannot be listed (damaged, unreadable, not what its name says).
class EArchiveError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class TArcItem {
public:
  TArcItem(const QString &AName, int64_t AUnpackedSize) : Name(AName), UnpackedSize(AUnpackedSize) {}
  // The entry's path inside the archive, folders separated by "/".
  QString Name;
  int64_t UnpackedSize;
};

class TArcList {
public:
  explicit TArcList(const QString &AArchiveName) : ArchiveName(AArchiveName) {}
  virtual ~TArcList();
  TArcList(const TArcList &) = delete;
  TArcList &operator=(const TArcList &) = delete;

  // Fills the entries (files only, in the archive's order); throws EArchiveError when the
  // archive cannot be read to its end. With a Sink, a long list reports with Text as it goes, and
  // what the sink throws passes through.
  void ReadList(IProgressSink *Sink = nullptr, const QString &Text = QString());
  // Unpacks every listed entry that can be unpacked safely into ScratchFolder (which must exist),
  // keeping the entries' folders. Entries that fail (a wrong password, damage) are left out; what
  // was written of them is removed. An entry whose path an earlier entry took is left out too.
  // Reports through Sink with ProgressText, which may throw EMyStop. Settled, when given, is called
  // with each member entry's name once the entry is unpacked or left out: nothing writes its path any
  // more.
  void Extract(IProgressSink &Sink, const std::function<void(const QString &Name)> &Settled = {});
  // Whether members can be read after extraction.
  virtual bool CanRead() const { return true; }
  // After ReadList: only the entries with these paths stay listed and are unpacked, and only their
  // room is asked for.
  void KeepOnly(const QSet<QString> &Names);

  int Count() const { return int(m_items.size()); }
  const TArcItem &GetItem(int Index) const { return m_items.at(size_t(Index)); }
  // Sum of the entries' unpacked sizes (saturating).
  int64_t UnpackedTotal() const;

  // Makes a fresh scratch folder "TWTemp" + n under the temporary folder, exclusively; n counts
  // from 1 past every name that is taken or cannot be made. False when none could be made.
  bool MakeScratchFolder();
  // Deletes the scratch folder with everything in it, but only one that this object made. With a
  // Sink, a large folder reports progress as it goes (empty text); the folder is deleted to its end
  // even when the sink throws, and what it threw is thrown afterwards.
  void DeleteScratchFolder(IProgressSink *Sink = nullptr);
  // Where the member with the given path inside the archive lies once unpacked, in one spelling for
  // names that unpack onto one file ("x/./y", "x//y" and "x/y"); empty when that path would leave
  // the scratch folder ("..", an absolute name), is too long for the system to open, or no scratch
  // folder exists.
  QString ScratchPathOf(const QString &MemberPath) const;

  const QString ArchiveName;
  // The scratch folder with its trailing "/", empty until made. Only the folder this object made
  // is ever unpacked into or deleted, whatever this field is set to.
  QString ScratchFolder;
  // Shown inside the progress text: " (" + ProgressText + " " + percent + "%)".
  QString ProgressText;
  // The archive's device and inode when known: a file put in its place is never opened.
  TFileId Expected;

protected:
  // A libarchive reader set up for this archive kind, opened on ArchiveName; null on failure.
  virtual struct archive *OpenReader() const = 0;
  // Whether entries of size 0 are listed.
  virtual bool ListsEmptyEntries() const = 0;

  std::vector<TArcItem> m_items;

private:
  // The folder this object made, kept apart from the public name so that only it is ever deleted.
  QString m_madeScratchFolder;
  std::optional<QSet<QString>> m_only;
};

class TZipList : public TArcList {
public:
  using TArcList::TArcList;

protected:
  struct archive *OpenReader() const override;
  bool ListsEmptyEntries() const override { return true; }
};

// RAR 4 and RAR 5. Empty entries are not listed.
class TRarList : public TArcList {
public:
  using TArcList::TArcList;

protected:
  struct archive *OpenReader() const override;
  bool ListsEmptyEntries() const override { return false; }
};

// ".ZIP", or ".EXE" holding ZIP entries (a self-extracting program).
bool IsZipArchive(const QString &FileName);
// ".RAR".
bool IsRarArchive(const QString &FileName);
// An archive whose kind is in the letters: "z" ZIP, "r" RAR (case-sensitive).
bool IsArchiveToSearch(const QString &FileName, const QString &ArchiveLetters);
// The archive object for the file's kind when that kind is among the letters, or null. Gathering
// asks this once instead of testing the kind and then making the object, which would open a
// program twice to look for ZIP entries.
std::unique_ptr<TArcList> CreateArcList(const QString &FileName,
                                        const QString &ArchiveLetters = QStringLiteral("zr"));

// The progress suffix of unpacking: " (" + Text + " " + Percent + "%)".
QString UnpackProgressText(const QString &Text, int Percent);

// The temporary folder scratch folders are made in, without a trailing "/".
QString GetTempDir();
// Free bytes on the volume of the scratch folders; 0 when unknown.
int64_t FreeSpaceOnScratchDrive();
// Bytes that must stay free after unpacking.
constexpr int64_t ScratchReserve = 52428800;
// Whether an archive whose entries unpack to UnpackedTotal bytes may be unpacked with FreeBytes free.
bool RoomToUnpack(int64_t FreeBytes, int64_t UnpackedTotal);

// Asked for the free bytes before unpacking; tests replace it.
extern int64_t (*FreeSpaceProbe)();

// The password tried on encrypted ZIP entries.
extern const char *const ZipPassword;

// An entered archive unpacked into a fresh scratch folder of its own (when the disk has room), so that
// its members can be read like plain files; the folder goes with this object.
class TUnpackedArchive {
public:
  // Lists the archive at Index of List and makes its scratch folder, reporting through Sink with text
  // 20121. The archive must still be the file the item names by device and inode, when known. With
  // Only, just the members with those paths are unpacked.
  TUnpackedArchive(const TUseFileList &List, int Index, IProgressSink &Sink, const QSet<QString> *Only = nullptr);
  // Unpacks it when the disk has room; Settled as for TArcList::Extract.
  void Unpack(IProgressSink &Sink, const std::function<void(const QString &Name)> &Settled);
  // Where Member, asked in list order, is read from: its unpacked file, a path that never exists for a
  // member with no place in the scratch folder, or "" when it must not be read at all: the archive
  // cannot be read, or an earlier member took its path and what lies there is the other's.
  QString MemberPath(const TUseFileProperty &Member);
  // Deletes the scratch folder, reporting through Sink; what the sink throws goes on once the whole
  // folder is gone.
  void DeleteScratchFolder(IProgressSink &Sink);

private:
  std::unique_ptr<TArcList> m_arc;
  bool m_room = false;
  QSet<QString> m_taken;
};

// The list index after the members of the archive at Index: gathering puts them right after it.
int ArchiveMembersEnd(const TUseFileList &List, int Index);

// Unpacks the entered archive at Index of List and reads its members, which Ahead holds from position
// From on, on Ahead's workers; then deletes the scratch folder, also on a stop, and only once no worker
// reads from it any more. Returns the position after the last member.
size_t ReadArchiveMembers(TUseFileList &List, int Index, TReadAhead &Ahead, size_t From, TReadPass &Pass);

// The same for one archive alone, on a pool of its own.
void ProcessArchive(TUseFileList &List, int Index, TReadPass &Pass);
