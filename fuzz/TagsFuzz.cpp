// A music file (MP3, Ogg Vorbis or WMA: the first byte chooses) through the tag reader.
#include "engine/MusicTags.h"
#include "fuzz/FuzzSupport.h"

PAIRHOUND_FUZZ_INIT(false)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  if (Size < 1)
    return 0;
  static const char *const names[] = {"input.mp3", "input.ogg", "input.wma"};
  const QString name = QString::fromLatin1(names[Data[0] % 3]);
  const QString path = fuzz::WriteFile(name, Data + 1, Size - 1);
  try {
    const TMusicTag tag = ReadMusicTags(path, name);
    (void)tag;
  } catch (const EReadFailed &) {
  }
  return 0;
}
