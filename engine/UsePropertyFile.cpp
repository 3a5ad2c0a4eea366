#include "engine/UsePropertyFile.h"

#include "settings/ImageFormats.h"

#include <algorithm>
#include <stdexcept>

// ---- method sets ----

TWhatFind::TWhatFind(std::initializer_list<int> Methods) {
  for (int m : Methods)
    Include(m);
}

void TWhatFind::Include(int Method) {
  if (Method >= 0 && Method < 256)
    m_bits.set(size_t(Method));
}

void TWhatFind::Exclude(int Method) {
  if (Method >= 0 && Method < 256)
    m_bits.reset(size_t(Method));
}

int TWhatFind::CountMethods() const {
  int n = 0;
  for (int m = 1; m <= MethodCount; ++m)
    n += Contains(m) ? 1 : 0;
  return n;
}

// ---- process-wide objects ----

int TPathTable::Add(const QString &Folder) {
  // The files of one folder come one after another: their entries share one text, so that a loaded
  // result does not hold the folder once per file.
  if (!m_paths.isEmpty() && m_paths.constLast() == Folder)
    m_paths.append(m_paths.constLast());
  else
    m_paths.append(Folder);
  return int(m_paths.size()) - 1;
}

QString TPathTable::At(int Index) const {
  if (Index < 0 || Index >= m_paths.size())
    return {};
  return m_paths.at(Index);
}

TPathTable &PathTable() {
  static TPathTable table;
  return table;
}

char *ReadBuffer() {
  static const std::unique_ptr<char[]> buffer(new char[ReadBufferSize]);
  return buffer.get();
}

const QStringList &PictureExtensionList() {
  // The extensions come sorted without letter case and without repeats; a dot in front and upper
  // case keep both.
  static const QStringList list = [] {
    QStringList upper;
    for (const QString &extension : GetImageExtensions())
      upper.append(QLatin1Char('.') + extension.toUpper());
    return upper;
  }();
  return list;
}

// ---- list strings ----

int CountListItems(const QString &S) {
  if (S.isEmpty())
    return 0;
  const int separators = int(S.count(QLatin1Char(';')));
  return S.endsWith(QLatin1Char(';')) ? separators : separators + 1;
}

QString GetListItem(const QString &S, int N) {
  if (N < 1)
    return {};
  qsizetype start = 0;
  for (int item = 1;; ++item) {
    const qsizetype end = S.indexOf(QLatin1Char(';'), start);
    if (end < 0)
      return S.mid(start);
    if (item == N)
      return S.mid(start, end - start);
    start = end + 1;
  }
}

QString UpperExtension(const QString &FileName) {
  const qsizetype dot = FileName.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : FileName.mid(dot).toUpper();
}

// ---- marks and groups ----

qint32 TUseFileViewed::GetGroup(int Method) const {
  return (Method >= 1 && Method <= MethodCount) ? Groups[size_t(Method - 1)] : -1;
}

void TUseFileViewed::SetGroup(int Method, qint32 Group) {
  if (Method >= 1 && Method <= MethodCount)
    Groups[size_t(Method - 1)] = Group;
}

bool TUseFileViewed::InAnyGroup() const {
  return std::any_of(Groups.begin(), Groups.end(), [](qint32 g) { return g != -1; });
}

// ---- one file ----

TUseFileProperty::TUseFileProperty(const QString &Folder, const QString &FileName, qint64 Size,
                                   TUseFileProperty *OwnerItem)
    : Owner(OwnerItem) {
  FileItem.SetPath(Folder);
  FileItem.FileName = FileName;
  FileItem.Size = Size;
}

TUseFileProperty::TUseFileProperty() = default;
TUseFileProperty::~TUseFileProperty() = default;

QString TUseFileProperty::FullName() const {
  return FileItem.GetPath() + FileItem.FileName;
}

bool TUseFileProperty::HasKind(int Method) const {
  switch (Method) {
  case MethodPictures:
    return HasPicture();
  case MethodTags:
    return IsMusic();
  case MethodProperties:
    return true;
  case MethodEmpty:
    return IsEmptyFile();
  case MethodUnreadable:
    return IsUnreadable();
  default:
    return false;
  }
}

bool TUseFileProperty::IsMusicFile() const {
  const QString ext = UpperExtension(FileItem.FileName);
  return ext == QLatin1String(".MP3") || ext == QLatin1String(".WMA") || ext == QLatin1String(".OGG");
}

bool TUseFileProperty::IsPictureFile() const {
  const QString ext = UpperExtension(FileItem.FileName);
  if (ext.isEmpty())
    return false;
  const QStringList &list = PictureExtensionList();
  return std::binary_search(list.begin(), list.end(), ext, [](const QString &a, const QString &b) {
    return a.compare(b, Qt::CaseInsensitive) < 0;
  });
}

bool TUseFileProperty::HasTags() const {
  return IsMusicFile() && m_tags && (!m_tags->Mp3_SongName.isEmpty() || !m_tags->Mp3_Artist.isEmpty());
}

bool TUseFileProperty::NeedCrc(const TWhatFind &WhatFind) const {
  return WhatFind.Contains(MethodContent) && !UniqueSize;
}

bool TUseFileProperty::NeedTags(const TWhatFind &WhatFind) const {
  return WhatFind.Contains(MethodTags) && IsMusicFile();
}

bool TUseFileProperty::NeedPicture(const TWhatFind &WhatFind) const {
  return WhatFind.Contains(MethodPictures) && IsPictureFile();
}

bool TUseFileProperty::NeedAnyRead(const TWhatFind &WhatFind) const {
  return NeedCrc(WhatFind) || NeedTags(WhatFind) || NeedPicture(WhatFind);
}

const TMusicTag &TUseFileProperty::Tags() const {
  static const TMusicTag None;
  return m_tags ? *m_tags : None;
}

TMusicTag &TUseFileProperty::EditTags() {
  if (!m_tags)
    m_tags = std::make_unique<TMusicTag>();
  return *m_tags;
}

void TUseFileProperty::SetMusicTag(const TMusicTag &Tag) {
  if (Tag.Mp3_SongName.isEmpty() && Tag.Mp3_Artist.isEmpty() && Tag.Mp3_Album.isEmpty())
    m_tags.reset();
  else
    EditTags() = Tag;
}

// ---- the list ----

TUseFileList::~TUseFileList() {
  Clear();
}

void TUseFileList::SetFilter(const TWhatFind &WhatFind, const QStringList &Include,
                             const QStringList &Exclude, const QString &Archive) {
  Clear();
  Filter.WhatFind = WhatFind;
  Filter.PathsInclude.clear();
  for (const QString &Folder : Include)
    Filter.PathsInclude += Folder + QLatin1Char(';');
  Filter.IncludeFolders = Include;
  Filter.ExcludeFolders = Exclude;
  Filter.Archive = Archive.toLower();
}

void TUseFileList::Clear() {
  while (!m_items.empty())
    m_items.pop_back();
  PathTable().Clear();
}

void TUseFileList::ClearGroups(int Method) {
  for (const auto &item : m_items) {
    if (Method == -1)
      item->Viewed.Groups.fill(-1);
    else
      item->Viewed.SetGroup(Method, -1);
    item->Viewed.Marked = false;
  }
}

TUseFileProperty *TUseFileList::GetItem(int Index) const {
  if (Index < 0 || Index >= Count())
    throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
  return m_items[size_t(Index)].get();
}

void TUseFileList::Delete(int Index) {
  GetItem(Index);
  m_items.erase(m_items.begin() + Index);
}

int TUseFileList::AddFile(const QString &Folder, const QString &FileName, qint64 Size,
                          TUseFileProperty *Owner) {
  return Add(std::make_unique<TUseFileProperty>(Folder, FileName, Size, Owner));
}

int TUseFileList::Add(std::unique_ptr<TUseFileProperty> Item) {
  m_items.push_back(std::move(Item));
  return Count() - 1;
}
