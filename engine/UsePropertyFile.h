#pragma once
// The file model of one search: the list of gathered files with what the search looks for, one
// record per file, the shared folder table and the tests that decide which file takes part in
// which search method. Also the process-wide read buffer and picture-extension list.

#include "engine/CompareImage.h"
#include "engine/ContentHash.h"
#include "platform/FileAt.h"
#include "platform/FileInfo.h"

#include <QString>
#include <QStringList>

#include <array>
#include <bitset>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class IProgressBar;
class IProgressSink;
class TReadPass;
class TUseFileList;
struct TListStatistics;

// Search methods, numbered as the group slots, the result steps and the result file number them.
enum : int {
  MethodContent = 1,
  MethodPictures = 2,
  MethodTags = 3,
  MethodProperties = 4,
  MethodEmpty = 5,
  MethodUnreadable = 6,
  MethodCount = 6
};

// A set of search method numbers (0 to 255; 1 to 6 are used).
class TWhatFind {
public:
  TWhatFind() = default;
  TWhatFind(std::initializer_list<int> Methods);
  bool Contains(int Method) const { return Method >= 0 && Method < 256 && m_bits.test(size_t(Method)); }
  void Include(int Method);
  void Exclude(int Method);
  bool IsEmpty() const { return m_bits.none(); }
  // Number of members 1 to 6.
  int CountMethods() const;
  bool operator==(const TWhatFind &) const = default;

private:
  std::bitset<256> m_bits;
};

// What one search looks for.
struct TFilter {
  TWhatFind WhatFind;
  // Searched folders as a result file keeps them, each followed by ";": shown, never walked.
  QString PathsInclude;
  // The folders a search walks and those it skips with everything below them: exact absolute paths.
  QStringList IncludeFolders;
  QStringList ExcludeFolders;
  // Lower-case archive letters: "z" ZIP and self-extracting ZIP, "r" RAR; empty: archives not entered.
  QString Archive;

  // The filter line of a result file: WhatFind, PathsInclude and Archive (ResultFile.cpp).
  QString SaveToText() const;
  void LoadFromText(const QString &Line);
};

// The process-wide table of folders. Every assignment appends its own entry, also for a folder that is
// already present, so an item's index stays its own; only TUseFileList::Clear empties the table.
class TPathTable {
public:
  int Add(const QString &Folder);
  // The folder at Index, empty outside the table.
  QString At(int Index) const;
  int Count() const { return int(m_paths.size()); }
  void Clear() { m_paths.clear(); }

private:
  QStringList m_paths;
};
TPathTable &PathTable();

// The process-wide 64 KiB block used by checksum reading and result-file loading.
constexpr qsizetype ReadBufferSize = 65536;
char *ReadBuffer();

// Sorted list of picture extensions, each "." + the extension upper-cased (".BMP", ".JPG" ...).
const QStringList &PictureExtensionList();

// Number of ";"-separated items of S: 0 for "", else the number of ";" plus one when S does not end with
// ";".
int CountListItems(const QString &S);
// The N-th item (from 1) of a ";"-separated list; past the last ";" the text after it.
QString GetListItem(const QString &S, int N);

// Upper-cased extension of a file name with its dot, from the last "." ("" when there is none).
QString UpperExtension(const QString &FileName);

// The folder, name, size and checksum of one file.
struct TFileItem {
  // Index of the file's folder in the path table.
  int PathIndex = -1;
  // Reading the file failed (method 6).
  bool Unreadable = false;
  // The name without folder.
  QString FileName;
  // The real size in bytes.
  qint64 Size = 0;
  // Checksum register as stored; 0 not read, -1 reading failed.
  qint32 Code = 0;
  // The device and inode gathering (or loading a result) saw, so that reading takes no other file put
  // in its place; zero when not known (an archive member, a loaded file that changed).
  TFileId Id;
  // The modification, change and birth times gathering saw, in nanoseconds since the epoch; with Id
  // and Size they are the identity a file action checks before it touches the file. Zero when not
  // known (the birth time also where the file system keeps none).
  qint64 ModifiedNs = 0;
  qint64 ChangedNs = 0;
  qint64 BornNs = 0;
  // The hash of the bytes the checksum was computed from; zero when not known (never saved, so a
  // loaded result knows it only once its files were read again).
  TContentHash Hash;

  // What a file action checks before it touches the file; not known without Id.
  platform::TFileIdentity Identity() const { return {Id, Size, ModifiedNs, ChangedNs, BornNs}; }
  void SetIdentity(const platform::TFileIdentity &Seen) {
    Id = Seen.Id;
    ModifiedNs = Seen.ModifiedNs;
    ChangedNs = Seen.ChangedNs;
    BornNs = Seen.BornNs;
  }
  QString GetPath() const { return PathTable().At(PathIndex); }
  void SetPath(const QString &Folder) { PathIndex = PathTable().Add(Folder); }
};

// The mark of a file and its group number for each search method.
struct TUseFileViewed {
  bool Marked = false;
  // Groups[m - 1] is the group of method m; -1: in no group.
  std::array<qint32, MethodCount> Groups{-1, -1, -1, -1, -1, -1};

  // Methods outside 1 to 6 have no group (-1) and cannot be set.
  qint32 GetGroup(int Method) const;
  void SetGroup(int Method, qint32 Group);
  bool InAnyGroup() const;
};

struct TMusicTag {
  QString Mp3_SongName;
  QString Mp3_Artist;
  QString Mp3_Album;
};

// One gathered file.
class TUseFileProperty {
public:
  // A gathered file: Folder goes into the path table, Size is the real size.
  TUseFileProperty(const QString &Folder, const QString &FileName, qint64 Size, TUseFileProperty *Owner);
  // A blank item for loaders, which fill the fields themselves (FileItem.SetPath for the folder).
  TUseFileProperty();
  ~TUseFileProperty();
  TUseFileProperty(const TUseFileProperty &) = delete;
  TUseFileProperty &operator=(const TUseFileProperty &) = delete;

  // The picture grid; null until a picture is read or loaded.
  std::unique_ptr<TDataImage> DataImage;
  // Null for a plain file, this item for an entered archive, the archive's item for a member.
  TUseFileProperty *Owner = nullptr;
  // Only for an entered archive loaded from a result file: "q" + list index + "q" per member.
  QString TempArchiveIndexs;
  TFileItem FileItem;
  TFileProps FileProps;
  bool WhatRead_Code = false;
  bool WhatRead_Mp3 = false;
  bool UniqueSize = false;
  bool UniqueCode = false;
  bool ProcessPending = false;
  bool Processed = false;
  // Processed by a Copy: the file itself stayed in its place.
  bool Copied = false;
  TUseFileViewed Viewed;

private:
  std::unique_ptr<TMusicTag> m_tags;

public:
  // Folder from the path table followed by the name (for an archive member: its path inside the archive).
  QString FullName() const;

  bool IsEmptyFile() const { return FileItem.Size == 0; }
  bool IsUnreadable() const { return FileItem.Unreadable; }
  bool HasPicture() const { return DataImage && DataImage->Total != 0; }
  bool IsMusic() const { return IsMusicFile(); }
  // Whether the item takes part in a search method grouped by kind (2 to 6; false for the others).
  bool HasKind(int Method) const;
  bool IsMusicFile() const;
  bool IsPictureFile() const;
  bool HasTags() const;
  bool IsArchive() const { return Owner == this; }
  bool IsArchiveMember() const { return Owner != nullptr && Owner != this; }
  // Only a plain file not yet processed can be marked, and only its row shows a check box: entered
  // archives and their members are never acted on.
  bool CanTakeMark() const { return Owner == nullptr && !Processed; }
  // Marked, and a file that can be.
  bool IsMarked() const { return Viewed.Marked && CanTakeMark(); }

  // What a read has to do for the chosen methods.
  bool NeedCrc(const TWhatFind &WhatFind) const;
  bool NeedTags(const TWhatFind &WhatFind) const;
  bool NeedPicture(const TWhatFind &WhatFind) const;
  bool NeedAnyRead(const TWhatFind &WhatFind) const;

  // The music tags, all empty when none were read or loaded. Most files have none, so they are held
  // apart from the item.
  const TMusicTag &Tags() const;
  TMusicTag &EditTags();
  void SetMusicTag(const TMusicTag &Tag);

  // Reads what the chosen methods need, the times and the flags (ReadProperties.cpp). Index is the
  // item's list index, shown in the progress text; an empty Path reads FullName(). A failure marks the
  // item unreadable; EMyStop and EMyHalt pass through.
  void ReadProperties(int Index, const QString &Path, TReadPass &Pass);

  // Sort mode 0: 0 when A and B count as the same under Method, else -1. Other sort modes: an order
  // (negative, 0, positive) for sorting. Compare.cpp.
  static qint32 Compare(const TUseFileProperty &A, const TUseFileProperty &B, int Method, int SortMode);

  // The result-file record of this item (ResultFile.cpp). An entered archive lists the record
  // positions of its saved members, "q" + position + "q" each, as MemberIndexList gives them.
  QString SaveToText(const TUseFileList &List) const;
  QString MemberIndexList(const TUseFileList &List) const;
  // Fills the item from a record line; throws EResultFileError for a missing or bad number.
  void LoadFromText(const QString &Line);
  static std::unique_ptr<TUseFileProperty> CreateFromRecord(const QString &Line);
};

// What the order of same-content grouping compares, field by field in this order (Compare.cpp).
struct TContentSortKey {
  bool UniqueSize;
  qint32 Code;
  qint64 Size;
  TContentHash Hash;
  bool WhatRead_Code;
  bool UniqueCode;
  bool Unreadable;

  auto operator<=>(const TContentSortKey &) const = default;
};
TContentSortKey ContentSortKey(const TUseFileProperty &Item);

// Every file gathered by one search, in gathering order; the list index is the item's identity.
class TUseFileList {
public:
  TUseFileList() = default;
  ~TUseFileList();
  TUseFileList(const TUseFileList &) = delete;
  TUseFileList &operator=(const TUseFileList &) = delete;

  TFilter Filter;

  // Clears the list, then stores the choices (Archive lower-cased, PathsInclude made from Include).
  void SetFilter(const TWhatFind &WhatFind, const QStringList &Include, const QStringList &Exclude,
                 const QString &Archive);
  // Folders travel as lists: a ";"-joined text would split a folder named "a;b".
  void SetFilter(const TWhatFind &, const QString &, const QString &, const QString &) = delete;
  // Frees every item, last first, then empties the path table.
  void Clear();
  // Sets the group of Method (every group when Method is -1) of every item to -1 and clears every mark.
  void ClearGroups(int Method);
  int Count() const { return int(m_items.size()); }
  // Throws std::out_of_range outside 0 to Count() - 1.
  TUseFileProperty *GetItem(int Index) const;
  void Delete(int Index);
  // Creates a gathered item, appends it and returns its index.
  int AddFile(const QString &Folder, const QString &FileName, qint64 Size, TUseFileProperty *Owner);
  // Appends an item made elsewhere (a loaded record) and returns its index.
  int Add(std::unique_ptr<TUseFileProperty> Item);

  // Gathers the files of every include folder of Filter through the global file filter, entering
  // archives of the chosen kinds (ScanFiles.cpp). Throws what the sink throws and EMaskError.
  void ScanAll(IProgressSink &Sink, IProgressBar &Bar);

  // Whole-list passes of a search and of a loaded result (SearchRun.cpp).
  // Sum of all sizes.
  qint64 TotalSize() const;
  // UniqueSize of every item: no other item has its size. A long list reports to Sink, when given.
  void MarkUniqueSizes(IProgressSink *Sink = nullptr);
  // UniqueCode of every item: no other item has its checksum (a single item keeps its flag).
  void MarkUniqueCodes(IProgressSink *Sink = nullptr);
  // Whether any unprocessed item is marked.
  bool AnyMarked() const;
  bool AnyGrouped() const;
  // Owner links of a loaded result, rebuilt from the archives' TempArchiveIndexs.
  void LinkArchiveMembers();
  // Drops every item that is in no group, unless it is an entered archive or a music file with tags.
  void Compact();
  // Reads every plain file and entered archive (each archive's members after it), for the chosen
  // methods of Filter. Bar may be null.
  void ReadAllProperties(IProgressSink &Sink, IProgressBar *Bar);

  // Result file (ResultFile.cpp). Saving leaves out processed files and the members of a processed
  // archive; it throws EResultFileError when the file cannot be written.
  void SaveToFile(const QString &FileName) const;
  // Replaces the list with a saved result and reads the times and flags of the files that exist.
  // Throws EResultFileError and EMyStop; the list is empty after either.
  void LoadFromFile(const QString &FileName, IProgressBar &Bar, IProgressSink &Sink,
                    const std::function<void(const QString &StepText)> &ShowStep = {});
  void SetAllPending(bool Value);
  // Every item with ProcessPending becomes Processed and loses its mark.
  void CommitPending();
  TListStatistics GetStatistics() const;

private:
  std::vector<std::unique_ptr<TUseFileProperty>> m_items;
};
