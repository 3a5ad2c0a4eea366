// Tagged record text: the one-pass field table against the plain reader, values stored read back
// as written, and the record readers of a file item and a picture grid.
#include "engine/CompareImage.h"
#include "engine/RecordText.h"
#include "engine/ResultFile.h"
#include "engine/UsePropertyFile.h"
#include "fuzz/FuzzSupport.h"

#include <QRegularExpression>

PAIRHOUND_FUZZ_INIT(false)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  const QString line = QString::fromUtf8(reinterpret_cast<const char *>(Data), qsizetype(Size));

  // Every key the line names, and the keys of the file format.
  QStringList keys{QStringLiteral("Main_Path"), QStringLiteral("Main_FileName"), QStringLiteral("Main_Size"),
                   QStringLiteral("DataImage"), QStringLiteral("CRC"),           QStringLiteral("p11")};
  static const QRegularExpression named(QStringLiteral("<([^<>=]*)="));
  for (auto it = named.globalMatch(line); it.hasNext();)
    keys << it.next().captured(1);
  const TRecordFields fields(line);
  for (const QString &key : keys) {
    fuzz::Check(fields.Has(key) == HasRecordField(key, line),
                "one-pass table and plain reader agree on presence");
    fuzz::Check(fields.Value(key) == ReadRecordValue(key, line),
                "one-pass table and plain reader agree on values");
  }

  bool escaped = false;
  const QString stored = EscapeRecordValue(line, escaped);
  const QString record =
      MakeRecordField(QStringLiteral("A"), stored) + MakeRecordField(QStringLiteral("B"), line);
  fuzz::Check(ReadRecordValue(QStringLiteral("A"), record) == stored, "a stored value reads back as written");
  QString back;
  fuzz::Check(!escaped || (UnescapeRecordValue(stored, back) && back == line), "an escaped value unescapes");
  fuzz::Check(escaped || stored == line, "a value without brackets or line breaks is stored as it stands");

  try {
    TDataImage grid;
    grid.LoadFromText(line);
    TDataImage again;
    again.LoadFromText(grid.SaveToText());
    fuzz::Check(again == grid, "a grid read from text reads back from its own text unchanged");
  } catch (const EResultFileError &) {
  }
  try {
    auto item = TUseFileProperty::CreateFromRecord(line);
    (void)item;
  } catch (const EResultFileError &) {
  }
  PathTable().Clear();
  (void)TextToWhatFind(line);
  return 0;
}
