#include "engine/ResultFile.h"

#include "engine/ReadProperties.h"
#include "engine/RecordText.h"
#include "platform/FileAt.h"
#include "platform/Names.h"
#include "platform/SaveFile.h"
#include "settings/Language.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStringList>

#include <functional>

#include <climits>
#include <new>
#include <vector>

namespace {

const QString CrLf = QStringLiteral("\r\n");

// The time of a loaded record that saved none (one written before times were saved).
constexpr qint64 NoSavedTime = LLONG_MIN;
// The time saved for a file whose identity was not known (it had changed since the search): no file
// has it, so the file is never taken as unchanged, as a record without a time would be.
constexpr qint64 NoFileTime = LLONG_MIN + 1;

QString BoolText(bool Value) {
  return Value ? QStringLiteral("-1") : QStringLiteral("0");
}

// "0" is false, any other number true.
bool TextBool(const QString &Text) {
  bool Ok = false;
  const qlonglong Value = Text.toLongLong(&Ok);
  return Ok && Value != 0;
}

// A file that no action has processed, and whose archive (for a member) is saved too: a member
// without its archive would come back as a plain file with a path inside the archive. Its owner
// must itself be an archive, which a loaded file's index texts do not promise.
bool IsSaved(const TUseFileProperty &Item) {
  if (Item.Processed)
    return false;
  return !Item.IsArchiveMember() || (Item.Owner->IsArchive() && !Item.Owner->Processed);
}

// Record position of every item (-1 for items that are not saved).
std::vector<int> RecordPositions(const TUseFileList &List) {
  std::vector<int> Positions(size_t(List.Count()), -1);
  int Next = 0;
  for (int i = 0; i < List.Count(); ++i)
    if (IsSaved(*List.GetItem(i)))
      Positions[size_t(i)] = Next++;
  return Positions;
}

QString IndexToken(qint64 Index) {
  return QLatin1Char('q') + QString::number(Index) + QLatin1Char('q');
}

// Key of the field that names the escaped values of a record, ";" between them. A record without it
// holds every value as it stands, as every record did before values were escaped.
const QString EscapedKey = QStringLiteral("Escaped");

// Builds one record; free-text values are escaped only where they must be.
class TRecordWriter {
public:
  TRecordWriter &Text(const QString &Key, const QString &Value) {
    bool Escaped = false;
    m_line += MakeRecordField(Key, EscapeRecordValue(Value, Escaped));
    if (Escaped)
      m_escaped << Key;
    return *this;
  }
  TRecordWriter &Plain(const QString &Key, const QString &Value) {
    m_line += MakeRecordField(Key, Value);
    return *this;
  }
  QString Line() const {
    return m_escaped.isEmpty() ? m_line
                               : m_line + MakeRecordField(EscapedKey, m_escaped.join(QLatin1Char(';')));
  }

private:
  QString m_line;
  QStringList m_escaped;
};

// Reads the fields of one record, free-text values unescaped where the record says so.
class TRecordReader {
public:
  explicit TRecordReader(const QString &Line)
      : m_fields(Line), m_escaped(m_fields.Value(EscapedKey).split(QLatin1Char(';'))) {}
  const TRecordFields &Fields() const { return m_fields; }
  QString Text(const QString &Key) const {
    const QStringView Stored = m_fields.View(Key);
    if (!m_escaped.contains(Key))
      return Stored.toString();
    QString Value;
    if (!UnescapeRecordValue(Stored, Value))
      throw EResultFileError(EResultFileError::BadRecord,
                             QStringLiteral("the field %1 holds a damaged escape").arg(Key));
    return Value;
  }

private:
  const TRecordFields m_fields;
  const QStringList m_escaped;
};

QString RecordLine(const TUseFileProperty &Item, const QString &ArchiveIndexes) {
  const TFileItem &F = Item.FileItem;
  TRecordWriter Record;
  Record.Text(QStringLiteral("Main_Path"), F.GetPath())
      .Text(QStringLiteral("Main_FileName"), F.FileName)
      .Plain(QStringLiteral("Main_Size"), QString::number(F.Size))
      .Plain(QStringLiteral("Main_Code"), QString::number(F.Code));
  // The time a reopened result tells its file by; a member is told by its archive.
  if (!Item.IsArchiveMember())
    Record.Plain(QStringLiteral("Main_Modified"),
                 QString::number(F.Identity().IsKnown() ? F.ModifiedNs : NoFileTime));
  Record.Text(QStringLiteral("Mp3_SongName"), Item.Tags().Mp3_SongName)
      .Text(QStringLiteral("Mp3_Artist"), Item.Tags().Mp3_Artist)
      .Text(QStringLiteral("Mp3_Album"), Item.Tags().Mp3_Album)
      .Plain(QStringLiteral("WhatRead_Code"), BoolText(Item.WhatRead_Code))
      .Plain(QStringLiteral("WhatRead_Mp3"), BoolText(Item.WhatRead_Mp3));
  if (Item.DataImage)
    Record.Plain(QStringLiteral("DataImage"), Item.DataImage->SaveToText());
  if (Item.IsArchive())
    Record.Plain(QStringLiteral("TempArchiveIndexs"), ArchiveIndexes);
  return Record.Line();
}

QString Quoted(const QString &FileName) {
  return QLatin1Char('"') + platform::ShownName(FileName) + QLatin1Char('"');
}

[[noreturn]] void ThrowReadError(const QString &FileName, const QString &Reason) {
  throw EResultFileError(
      EResultFileError::InputOutput,
      QStringLiteral("The result file %1 cannot be read: %2.").arg(Quoted(FileName), Reason));
}

} // namespace

// ---- method sets and the filter line ----

QString WhatFindToText(const TWhatFind &WhatFind) {
  QString Text;
  for (int m = 0; m < 256; ++m)
    if (WhatFind.Contains(m))
      Text += QLatin1Char('[') + QString::number(m) + QLatin1Char(']');
  return Text;
}

TWhatFind TextToWhatFind(const QString &Text) {
  TWhatFind WhatFind;
  for (int m = 1; m <= MethodCount; ++m)
    if (Contains(QLatin1Char('[') + QString::number(m) + QLatin1Char(']'), Text))
      WhatFind.Include(m);
  return WhatFind;
}

QString TFilter::SaveToText() const {
  return TRecordWriter()
      .Plain(QStringLiteral("WhatFind"), WhatFindToText(WhatFind))
      .Text(QStringLiteral("PathsInclude"), PathsInclude)
      .Text(QStringLiteral("Archive"), Archive)
      .Line();
}

void TFilter::LoadFromText(const QString &Line) {
  const TRecordReader Record(Line);
  WhatFind = TextToWhatFind(Record.Fields().Value(QStringLiteral("WhatFind")));
  PathsInclude = Record.Text(QStringLiteral("PathsInclude"));
  Archive = Record.Text(QStringLiteral("Archive"));
}

// ---- the picture grid ----

namespace {

// Keys of the grid's fields after CRC: "p" + column + row, then "c" + column + row, column by column.
const QStringList &GridKeys() {
  static const QStringList Keys = [] {
    QStringList List;
    for (int i = 1; i <= TDataImage::Columns; ++i)
      for (int j = 1; j <= TDataImage::Rows; ++j) {
        const QString Place = QString::number(i) + QString::number(j);
        List << QLatin1Char('p') + Place << QLatin1Char('c') + Place;
      }
    return List;
  }();
  return Keys;
}

} // namespace

QString TDataImage::SaveToText() const {
  const QStringList &Keys = GridKeys();
  QString Text = MakeRecordField(QStringLiteral("CRC"), QString::number(Total));
  Text.reserve(Text.size() + Columns * Rows * 24);
  for (qsizetype k = 0; k < Keys.size(); k += 2) {
    const TCell &C = Cells[size_t(k / 2)];
    Text += MakeRecordField(Keys[k], QString::number(C.p));
    Text += MakeRecordField(Keys[k + 1], QString::number(C.c));
  }
  return Text;
}

void TDataImage::LoadFromText(const QString &Record) {
  const TRecordFields Fields(Record);
  auto Value = [&](const QString &Key) -> qint64 {
    bool Ok = false;
    const qint32 V = Fields.View(Key).toInt(&Ok);
    if (!Ok)
      throw EResultFileError(
          EResultFileError::BadRecord,
          QStringLiteral("the picture field %1 is missing or not a whole number").arg(Key));
    return V;
  };
  Total = Value(QStringLiteral("CRC"));
  const QStringList &Keys = GridKeys();
  for (qsizetype k = 0; k < Keys.size(); k += 2) {
    TCell &C = Cells[size_t(k / 2)];
    C.p = Value(Keys[k]);
    C.c = Value(Keys[k + 1]);
  }
}

// ---- one record ----

QString TUseFileProperty::MemberIndexList(const TUseFileList &List) const {
  QString Indexes;
  int Position = 0;
  for (int i = 0; i < List.Count(); ++i) {
    const TUseFileProperty &Item = *List.GetItem(i);
    if (!IsSaved(Item))
      continue;
    if (Item.IsArchiveMember() && Item.Owner == this)
      Indexes += IndexToken(Position);
    ++Position;
  }
  return Indexes;
}

QString TUseFileProperty::SaveToText(const TUseFileList &List) const {
  return RecordLine(*this, IsArchive() ? MemberIndexList(List) : QString());
}

void TUseFileProperty::LoadFromText(const QString &Line) {
  const TRecordReader Record(Line);
  const TRecordFields &Fields = Record.Fields();
  auto Number = [&](const char *Key, qint64 Low, qint64 High) {
    const QString Text = Fields.Value(QString::fromLatin1(Key));
    bool Ok = false;
    const qint64 Value = Text.toLongLong(&Ok);
    if (!Ok || Value < Low || Value > High)
      throw EResultFileError(
          EResultFileError::BadRecord,
          QStringLiteral("the field %1 is missing or not a whole number").arg(QLatin1String(Key)));
    return Value;
  };
  FileItem.SetPath(Record.Text(QStringLiteral("Main_Path")));
  FileItem.FileName = Record.Text(QStringLiteral("Main_FileName"));
  FileItem.Size = Number("Main_Size", LLONG_MIN, LLONG_MAX);
  FileItem.Code = qint32(Number("Main_Code", INT_MIN, INT_MAX));
  FileItem.Id = {};
  FileItem.ModifiedNs = Fields.Has(QStringLiteral("Main_Modified"))
                            ? Number("Main_Modified", LLONG_MIN + 1, LLONG_MAX)
                            : NoSavedTime;
  SetMusicTag({Record.Text(QStringLiteral("Mp3_SongName")), Record.Text(QStringLiteral("Mp3_Artist")),
               Record.Text(QStringLiteral("Mp3_Album"))});
  WhatRead_Code = TextBool(Fields.Value(QStringLiteral("WhatRead_Code")));
  WhatRead_Mp3 = TextBool(Fields.Value(QStringLiteral("WhatRead_Mp3")));
  if (Fields.Has(QStringLiteral("DataImage"))) {
    DataImage = std::make_unique<TDataImage>();
    DataImage->LoadFromText(Fields.Value(QStringLiteral("DataImage")));
  }
  TempArchiveIndexs.clear();
  if (Fields.Has(QStringLiteral("TempArchiveIndexs")))
    TempArchiveIndexs = Fields.Value(QStringLiteral("TempArchiveIndexs"));
}

std::unique_ptr<TUseFileProperty> TUseFileProperty::CreateFromRecord(const QString &Line) {
  auto Item = std::make_unique<TUseFileProperty>();
  Item->LoadFromText(Line);
  Item->ProcessPending = false;
  return Item;
}

// ---- the file ----

void TUseFileList::SaveToFile(const QString &FileName) const {
  const std::vector<int> Positions = RecordPositions(*this);
  QHash<const TUseFileProperty *, QString> ArchiveIndexes;
  for (int i = 0; i < Count(); ++i) {
    const TUseFileProperty &Item = *GetItem(i);
    if (Positions[size_t(i)] >= 0 && Item.IsArchiveMember())
      ArchiveIndexes[Item.Owner] += IndexToken(Positions[size_t(i)]);
  }

  // Written aside and renamed at the end, so a failed save leaves an earlier file whole; written
  // line by line, so a large result is never held twice as text.
  platform::TSaveFile File(FileName);
  bool Ok = File.Open();
  const auto WriteLine = [&](const QString &Line) {
    Ok = Ok && File.Write((Line + CrLf).toUtf8());
  };
  WriteLine(Filter.SaveToText());
  WriteLine(QString::number(Count()));
  for (int i = 0; i < Count() && Ok; ++i) {
    if (Positions[size_t(i)] < 0)
      continue;
    const TUseFileProperty &Item = *GetItem(i);
    WriteLine(RecordLine(Item, Item.IsArchive() ? ArchiveIndexes.value(&Item) : QString()));
  }
  if (!Ok || !File.Commit())
    throw EResultFileError(EResultFileError::InputOutput,
                           QStringLiteral("The result file %1 cannot be written: %2.")
                               .arg(Quoted(FileName), File.ErrorString()));
}

namespace {

// A line longer than this is no record: the longest real one (a folder, a name, three tags and a
// picture grid, all escaped) is far shorter.
constexpr qsizetype MaxLineBytes = qsizetype(64) << 20;
// Items between two progress calls of the passes after the records are read: checks in memory,
// and the look at each file on the disk.
constexpr int CheckItemsPerProgress = 4096;
constexpr int DiskItemsPerProgress = 64;

// Reads the lines of an open file in blocks of the shared read buffer, holding no more of the file
// than one line: a large result is never held twice, as bytes and as records. Line breaks are
// CR LF, CR or LF; a break at the very end opens no further line.
class TLineReader {
public:
  TLineReader(QFile &File, const QString &FileName) : m_file(File), m_fileName(FileName) {}
  // Runs after every block read, with the bytes read so far.
  std::function<void(qint64 Done)> OnBlock;

  // The next line, without its break; false past the last one.
  bool Next(QByteArray &Line) {
    Line.clear();
    bool Started = false;
    for (;;) {
      if (m_pos == m_length && !Fill())
        return Started;
      const char *Buffer = ReadBuffer();
      if (m_afterCr) {
        m_afterCr = false;
        if (Buffer[m_pos] == '\n') {
          ++m_pos;
          continue;
        }
      }
      qsizetype End = m_pos;
      while (End < m_length && Buffer[End] != '\r' && Buffer[End] != '\n')
        ++End;
      if (Line.size() + (End - m_pos) > MaxLineBytes)
        throw EResultFileError(EResultFileError::NotAResultFile,
                               QStringLiteral("The file %1 is not a result file: its line %2 is longer than "
                                              "any record.")
                                   .arg(Quoted(m_fileName))
                                   .arg(m_lines + 1));
      Line.append(Buffer + m_pos, End - m_pos);
      Started = Started || End > m_pos;
      m_pos = End;
      if (End == m_length)
        continue;
      m_afterCr = Buffer[End] == '\r';
      ++m_pos;
      ++m_lines;
      return true;
    }
  }

private:
  bool Fill() {
    const qint64 Got = m_file.read(ReadBuffer(), ReadBufferSize);
    if (Got < 0)
      ThrowReadError(m_fileName, m_file.errorString());
    m_pos = 0;
    m_length = qsizetype(Got);
    m_done += Got;
    if (Got > 0 && OnBlock)
      OnBlock(m_done);
    return Got > 0;
  }

  QFile &m_file;
  const QString m_fileName;
  qsizetype m_pos = 0;
  qsizetype m_length = 0;
  qint64 m_done = 0;
  qint64 m_lines = 0;
  bool m_afterCr = false;
};

// A reopened file may be acted on only while it is the file the result saw: reached without following
// a link, it must still be a regular file of the saved size and have the saved time; its device and
// inode are taken now. A record written before times were saved has no time to compare, so the size
// must do (its content groups are still read again and compared before grouping). Otherwise its
// identity stays unknown, and the file actions leave it alone.
void TakeIdentity(TUseFileProperty &Item) {
  TFileItem &F = Item.FileItem;
  const qint64 saved = F.ModifiedNs;
  F.SetIdentity({});
  platform::TFileIdentity now;
  if (platform::IdentityNoLinks(platform::EncodeName(Item.FullName()), now) && now.Size == F.Size &&
      (saved == NoSavedTime || now.ModifiedNs == saved))
    F.SetIdentity(now);
}

// Opens a result file for reading; a device or a pipe would be read without end or wait for a writer.
void OpenResultFile(QFile &File, const QString &FileName) {
  platform::TInputFile Input(FileName);
  if (Input.Refused())
    throw EResultFileError(
        EResultFileError::NotAResultFile,
        QStringLiteral("The file %1 is not a result file: it is no ordinary file.").arg(Quoted(FileName)));
  if (!Input.IsOpen() || !File.open(Input.Release(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
    ThrowReadError(FileName, Input.IsOpen() ? File.errorString() : Input.ErrorText());
}

} // namespace

void TUseFileList::LoadFromFile(const QString &FileName, IProgressBar &Bar, IProgressSink &Sink,
                                const TShowStepText &ShowStep) {
  Clear();
  Filter = TFilter();
  Bar.SetMin(0);
  Bar.SetPosition(0);
  if (ShowStep)
    ShowStep(LangText(QStringLiteral("237")));
  try {
    QFile File(FileName);
    OpenResultFile(File, FileName);
    // First pass: the lines are counted for the bar of the second, which reads the records.
    Bar.SetMax(int(std::min<qint64>(File.size(), INT_MAX)));
    qsizetype LineCount = 0;
    QByteArray Line;
    {
      TLineReader Counter(File, FileName);
      Counter.OnBlock = [&](qint64 Done) {
        Bar.SetPosition(int(std::min<qint64>(Done, INT_MAX)));
        Sink.ProcessProgress(QString());
      };
      while (Counter.Next(Line)) {
        if (LineCount == 0 && !HasRecordField(QStringLiteral("WhatFind"), QString::fromUtf8(Line)))
          throw EResultFileError(
              EResultFileError::NotAResultFile,
              QStringLiteral("The file %1 is not a result file: its first line holds no search methods.")
                  .arg(Quoted(FileName)));
        ++LineCount;
      }
    }
    if (LineCount == 0)
      throw EResultFileError(
          EResultFileError::NotAResultFile,
          QStringLiteral("The file %1 is not a result file: it is empty.").arg(Quoted(FileName)));
    if (!File.seek(0))
      ThrowReadError(FileName, File.errorString());
    TLineReader Lines(File, FileName);
    Lines.Next(Line);
    Filter.LoadFromText(QString::fromUtf8(Line));
    Bar.SetMin(0);
    Bar.SetPosition(0);
    Bar.SetMax(int(std::min<qsizetype>(LineCount, INT_MAX)));
    if (ShowStep)
      ShowStep(LangText(QStringLiteral("238")));
    Lines.Next(Line); // the item count, not needed
    for (qsizetype i = 2; Lines.Next(Line); ++i) {
      Bar.SetPosition(int(std::min<qsizetype>(i, INT_MAX)));
      if (i % 20 == 0)
        Sink.ProcessProgress(QString());
      try {
        Add(TUseFileProperty::CreateFromRecord(QString::fromUtf8(Line)));
      } catch (const EResultFileError &Error) {
        throw EResultFileError(EResultFileError::BadRecord,
                               QStringLiteral("The result file %1 has a damaged record on line %2: %3.")
                                   .arg(Quoted(FileName))
                                   .arg(i + 1)
                                   .arg(Error.Message));
      }
    }
    LinkArchiveMembers();
    // A file outside an archive is acted on where its path leads; a relative one would lead below
    // whatever folder the program runs in.
    for (int i = 0; i < Count(); ++i) {
      if ((i + 1) % CheckItemsPerProgress == 0)
        Sink.ProcessProgress(QString());
      const TUseFileProperty &Item = *GetItem(i);
      if (!Item.IsArchiveMember() && QDir::isRelativePath(Item.FileItem.GetPath()))
        throw EResultFileError(
            EResultFileError::BadRecord,
            QStringLiteral("The result file %1 has a damaged record on line %2: the file %3 "
                           "lies in no archive and has no full path.")
                .arg(Quoted(FileName))
                .arg(i + 3)
                .arg(Quoted(Item.FullName())));
    }
    MarkUniqueSizes(&Sink);
    MarkUniqueCodes(&Sink);
    // Times and attributes are not stored; date criteria and hints need them. Members stay at zero.
    for (int i = 0; i < Count(); ++i) {
      if ((i + 1) % DiskItemsPerProgress == 0)
        Sink.ProcessProgress(QString());
      TUseFileProperty &Item = *GetItem(i);
      if (Item.IsArchiveMember()) {
        Item.FileItem.ModifiedNs = 0;
        continue;
      }
      TakeIdentity(Item);
      GetFileProps(Item.FullName(), Item.FileProps);
    }
  } catch (const EMyStop &) {
    Clear();
    throw EMyStop();
  } catch (const EResultFileError &) {
    // Half a result would lose the archive links of the records after the damage.
    Clear();
    Filter = TFilter();
    throw;
  } catch (const std::bad_alloc &) {
    Clear();
    Filter = TFilter();
    ThrowReadError(FileName, QStringLiteral("it is too large for the memory"));
  }
}

// ---- action flags and statistics ----

void TUseFileList::SetAllPending(bool Value) {
  for (int i = 0; i < Count(); ++i)
    GetItem(i)->ProcessPending = Value;
}

void TUseFileList::CommitPending() {
  for (int i = Count() - 1; i >= 0; --i) {
    TUseFileProperty &Item = *GetItem(i);
    if (Item.ProcessPending) {
      // A processed file is done: left marked, a later run would act on it again.
      Item.Processed = true;
      Item.Viewed.Marked = false;
    }
  }
}

TListStatistics TUseFileList::GetStatistics() const {
  TListStatistics S;
  for (int i = 0; i < Count(); ++i) {
    const TUseFileProperty &Item = *GetItem(i);
    if (Item.IsMarked()) {
      S.MarkedSize += Item.FileItem.Size;
      ++S.MarkedCount;
    }
    if (Item.Viewed.InAnyGroup()) {
      S.GroupedSize += Item.FileItem.Size;
      ++S.GroupedCount;
    }
  }
  return S;
}
