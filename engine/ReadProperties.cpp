#include "engine/ReadProperties.h"

#include "engine/CRC.h"
#include "engine/MusicTags.h"

#include <cmath>

void TReadPass::Start(qint64 TotalBytes, bool HasItems) {
  if (Bar) {
    Bar->SetMin(0);
    Bar->SetPosition(0);
    Bar->SetMax(HasItems ? 100 : 0);
  }
  BytesRead = 0;
  ReadCallCount = 0;
  BytesTotal = double(TotalBytes);
}

void TReadPass::UpdateReadProgress(qint64 Bytes, bool Forced, int Index) {
  BytesRead += double(Bytes);
  ++ReadCallCount;
  if (!Forced && ReadCallCount % 10 != 0)
    return;
  if (BytesTotal != 0 && Bar) {
    // Files are counted once per block and once at their end, so the share can pass 100; the bar
    // stops short of it. Multiplied first so that halves are exact and round to even.
    const double percent = std::nearbyint(BytesRead * 100 / BytesTotal);
    if (percent < 99 && int(percent) != Bar->Position())
      Bar->SetPosition(int(percent));
  }
  if (Sink)
    Sink->ProcessProgress(QStringLiteral(" (%1)").arg(Index));
}

namespace {

// One hasher for every read of the user-interface thread, as there is one read buffer there; read-ahead
// workers bring their own.
TContentHasher &ReadHasher() {
  static TContentHasher hasher;
  return hasher;
}

// Counts every block straight into the read pass.
class TPassCounter : public IReadCounter {
public:
  TPassCounter(TReadPass &Pass, int Index) : m_pass(Pass), m_index(Index) {}
  void Count(qint64 Bytes) override { m_pass.UpdateReadProgress(Bytes, false, m_index); }

private:
  TReadPass &m_pass;
  int m_index;
};

} // namespace

TContentCode ComputeFileCode(platform::TInputFile &File, TReadPass &Pass, int Index) {
  TPassCounter counter(Pass, Index);
  return ComputeFileCode(File, ReadBuffer(), ReadHasher(), counter);
}

TContentCode ComputeFileCode(platform::TInputFile &File, char *Buffer, TContentHasher &Hasher,
                             IReadCounter &Counter) {
  Hasher.Reset();
  TContentCode code;
  code.Crc = CrcStart;
  for (;;) {
    const qint64 n = File.Read(Buffer, ReadBufferSize);
    if (n < 0)
      throw EReadFailed("Cannot read the file");
    if (n == 0)
      break;
    code.Crc = UpdateCrc32(code.Crc, Buffer, n);
    Hasher.Update(Buffer, n);
    code.Bytes += n;
    Counter.Count(n);
  }
  code.Hash = Hasher.Digest();
  return code;
}

bool GetFileProps(const QString &Path, TFileProps &Props) {
  return platform::ReadFileProps(Path, Props);
}

void ReadFileParts(TUseFileProperty &Item, const QString &Path, bool Gathered, const TWhatFind &What,
                   char *Buffer, TContentHasher &Hasher, IReadCounter &Counter) {
  TFileProps props = Item.FileProps;
  bool propsRead = false;
  if (Item.NeedAnyRead(What)) {
    // Opened once, as a regular file only (the one gathered), and read by every step through this
    // one descriptor where the reader allows; a FIFO, a link or another file put in its place is
    // not read.
    platform::TInputFile file(Path, Gathered ? &Item.FileItem.Id : nullptr);
    if (!file.IsOpen())
      throw EReadFailed("Cannot open " + Path.toStdString());
    const bool onlyCrc = !Item.NeedTags(What) && !Item.NeedPicture(What);
    if (Item.NeedCrc(What)) {
      const TContentCode code = ComputeFileCode(file, Buffer, Hasher, Counter);
      Item.WhatRead_Code = true;
      Item.FileItem.Code = qint32(code.Crc);
      Item.FileItem.Hash = code.Hash;
      // Straight from the open file when nothing else reads it afterwards (the access time stays
      // the one this read left).
      if (onlyCrc)
        propsRead = file.ReadProps(props);
    }
    if (Item.NeedTags(What)) {
      Item.SetMusicTag(ReadMusicTags(file, Item.FileItem.FileName));
      Item.WhatRead_Mp3 = true;
      if (!Item.WhatRead_Code)
        Counter.Count(Item.FileItem.Size);
    }
    if (Item.NeedPicture(What)) {
      if (!Item.DataImage)
        Item.DataImage = std::make_unique<TDataImage>();
      Item.DataImage->LoadFromFile(Path);
    }
  }
  if (propsRead || GetFileProps(Path, props))
    Item.FileProps = props;
}

void MarkReadFailed(TUseFileProperty &Item) {
  // A checksum of a file that then failed must not count: the file is unreadable, not content.
  Item.FileItem.Code = -1;
  Item.FileItem.Hash = {};
  Item.FileItem.Unreadable = true;
  Item.WhatRead_Code = false;
}

void TUseFileProperty::ReadProperties(int Index, const QString &Path, TReadPass &Pass) {
  const QString path = Path.isEmpty() ? FullName() : Path;
  try {
    TPassCounter counter(Pass, Index);
    ReadFileParts(*this, path, Path.isEmpty() && FileItem.Id != TFileId{}, Pass.WhatFind, ReadBuffer(),
                  ReadHasher(), counter);
    Pass.UpdateReadProgress(FileItem.Size, true, Index);
  } catch (const EMyStop &) {
    throw;
  } catch (const EMyHalt &) {
    throw;
  } catch (...) {
    MarkReadFailed(*this);
    if (Pass.Sink)
      Pass.Sink->ProcessProgress(QString());
  }
}
