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

// One hasher for every read, as there is one read buffer: reading runs on one thread.
TContentHasher &ReadHasher() {
  static TContentHasher hasher;
  return hasher;
}

} // namespace

TContentCode ComputeFileCode(platform::TInputFile &File, TReadPass &Pass, int Index) {
  char *buffer = ReadBuffer();
  TContentHasher &hasher = ReadHasher();
  hasher.Reset();
  TContentCode code;
  code.Crc = CrcStart;
  for (;;) {
    const qint64 n = File.Read(buffer, ReadBufferSize);
    if (n < 0)
      throw EReadFailed("Cannot read the file");
    if (n == 0)
      break;
    code.Crc = UpdateCrc32(code.Crc, buffer, n);
    hasher.Update(buffer, n);
    code.Bytes += n;
    Pass.UpdateReadProgress(n, false, Index);
  }
  code.Hash = hasher.Digest();
  return code;
}

bool GetFileProps(const QString &Path, TFileProps &Props) {
  return platform::ReadFileProps(Path, Props);
}

void TUseFileProperty::ReadProperties(int Index, const QString &Path, TReadPass &Pass) {
  const QString path = Path.isEmpty() ? FullName() : Path;
  try {
    const TWhatFind &what = Pass.WhatFind;
    TFileProps props = FileProps;
    bool propsRead = false;
    if (NeedAnyRead(what)) {
      // Opened once, as a regular file only (the one gathered), and read by every step through this
      // one descriptor where the reader allows; a FIFO, a link or another file put in its place is
      // not read.
      const bool gathered = Path.isEmpty() && FileItem.Id != TFileId{};
      platform::TInputFile file(path, gathered ? &FileItem.Id : nullptr);
      if (!file.IsOpen())
        throw EReadFailed("Cannot open " + path.toStdString());
      const bool onlyCrc = !NeedTags(what) && !NeedPicture(what);
      if (NeedCrc(what)) {
        const TContentCode code = ComputeFileCode(file, Pass, Index);
        WhatRead_Code = true;
        FileItem.Code = qint32(code.Crc);
        FileItem.Hash = code.Hash;
        // Straight from the open file when nothing else reads it afterwards (the access time stays
        // the one this read left).
        if (onlyCrc)
          propsRead = file.ReadProps(props);
      }
      if (NeedTags(what)) {
        SetMusicTag(ReadMusicTags(file, FileItem.FileName));
        WhatRead_Mp3 = true;
        if (!WhatRead_Code)
          Pass.UpdateReadProgress(FileItem.Size, false, Index);
      }
      if (NeedPicture(what)) {
        if (!DataImage)
          DataImage = std::make_unique<TDataImage>();
        DataImage->LoadFromFile(path);
      }
    }
    if (propsRead || GetFileProps(path, props))
      FileProps = props;
    Pass.UpdateReadProgress(FileItem.Size, true, Index);
  } catch (const EMyStop &) {
    throw;
  } catch (const EMyHalt &) {
    throw;
  } catch (...) {
    // A checksum of a file that then failed must not count: the file is unreadable, not content.
    FileItem.Code = -1;
    FileItem.Hash = {};
    FileItem.Unreadable = true;
    WhatRead_Code = false;
    if (Pass.Sink)
      Pass.Sink->ProcessProgress(QString());
  }
}
