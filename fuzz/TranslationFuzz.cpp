// A translation file's text through the parser, every text through the look-up and FormatText.
#include "fuzz/FuzzSupport.h"
#include "settings/Language.h"

PAIRHOUND_FUZZ_INIT(false)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char *>(Data), qsizetype(Size));
  TLang lang;
  lang.LoadFromText(text);
  const QStringList args{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
  for (const TLangEntry &entry : lang.Items) {
    fuzz::Check(!entry.Key.contains(QLatin1Char('=')), "a key holds no equals sign");
    fuzz::Check(!entry.Value.contains(QLatin1Char('|')), "every bar became a line break");
    const QString value = lang.GetValue(entry.Key);
    fuzz::Check(!value.contains(QStringLiteral("Twinsweep")), "former product names are replaced");
    const QString filled = FormatText(value, args.mid(0, qsizetype(Size % 4)));
    if (!value.contains(QLatin1Char('%')))
      fuzz::Check(filled == value, "a text without placeholders stays as it is");
  }
  // The raw text as a format text too: the indexes and counters it holds are the attacker's.
  const QString filled = FormatText(text, args.mid(0, qsizetype(Size % 4)));
  if (!text.contains(QLatin1Char('%')))
    fuzz::Check(filled == text, "a text without placeholders stays as it is");
  return 0;
}
