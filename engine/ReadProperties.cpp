#include "engine/ReadProperties.h"

#include "engine/CRC.h"
#include "engine/MusicTags.h"

#include <QFile>

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

quint32 ComputeFileCrc(platform::TInputFile &File, TReadPass &Pass, int Index) {
  char *buffer = ReadBuffer();
  quint32 crc = CrcStart;
  for (;;) {
    const qint64 n = File.Read(buffer, ReadBufferSize);
    if (n < 0)
      throw EReadFailed("Cannot read the file");
    if (n == 0)
      break;
    crc = UpdateCrc32(crc, buffer, n);
    Pass.UpdateReadProgress(n, false, Index);
  }
  return crc;
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
      const bool onlyCrc = !NeedTags(what) && !NeedPicture(what);
      if (NeedCrc(what)) {
        platform::TInputFile file(path);
        if (!file.IsOpen())
          throw EReadFailed("Cannot open " + path.toStdString());
        const quint32 crc = ComputeFileCrc(file, Pass, Index);
        WhatRead_Code = true;
        FileItem.Code = qint32(crc);
        // Straight from the open file when nothing else reads it afterwards (the access time stays
        // the one this read left).
        if (onlyCrc)
          propsRead = file.ReadProps(props);
      } else {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
          throw EReadFailed("Cannot open " + path.toStdString());
      }
      if (NeedTags(what)) {
        SetMusicTag(ReadMusicTags(path, FileItem.FileName));
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
    FileItem.Unreadable = true;
    WhatRead_Code = false;
    if (Pass.Sink)
      Pass.Sink->ProcessProgress(QString());
  }
}
