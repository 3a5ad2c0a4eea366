#include "settings/Language.h"

#include "settings/Registry.h"
#include "settings/RegularFile.h"
#include "settings/StringRoutines.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

namespace {

const TLangList *g_currentLangList = nullptr;

QStringList splitLines(const QString &Text) {
  static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
  return Text.split(lineBreak);
}

} // namespace

void SplitLangLine(const QString &Text, QString &Key, QString &Value) {
  const qsizetype eq = Text.indexOf(QLatin1Char('='));
  if (eq < 0) {
    Key = Text;
    Value.clear();
    return;
  }
  Key = Text.left(eq);
  Value = Text.mid(eq + 1).replace(QLatin1Char('|'), QStringLiteral("\r\n"));
}

TLang::TLang(const QString &FileName) {
  LoadFromFile(FileName);
}

bool TLang::LoadFromFile(const QString &FileName) {
  QByteArray data;
  if (!ReadRegularFile(FileName, MaxLangFileSize, data))
    return false;
  if (data.startsWith("\xEF\xBB\xBF"))
    data.remove(0, 3);
  LoadFromText(QString::fromUtf8(data));
  return true;
}

void TLang::LoadFromText(const QString &Text) {
  const QStringList lines = splitLines(Text);
  const qsizetype count = lines.size();
  for (qsizetype i = 0; i < count; ++i) {
    const QString &line = lines.at(i);
    if (!line.contains(QLatin1Char('=')))
      continue;
    TLangEntry entry;
    if (line.contains(QStringLiteral("=["))) {
      // A multi-line value: every line up to the first one holding "]", joined by "|".
      QString acc;
      for (;;) {
        acc += TrimBlanks(lines.at(i)) + QLatin1Char('|');
        if (lines.at(i).contains(QLatin1Char(']')) || i + 1 == count)
          break;
        ++i;
      }
      SplitLangLine(TrimBlanks(acc), entry.Key, entry.Value);
      const qsizetype open = entry.Value.indexOf(QLatin1Char('['));
      const qsizetype close = entry.Value.indexOf(QLatin1Char(']'));
      entry.Value = (close < 0 || close < open) ? QString() : entry.Value.mid(open + 1, close - open - 1);
    } else {
      SplitLangLine(TrimBlanks(line), entry.Key, entry.Value);
    }
    Items << entry;
  }
}

QString TLang::GetValue(const QString &Key) const {
  QString result = NoTranslatedText;
  for (const TLangEntry &entry : Items) {
    if (entry.Key == Key) {
      result = entry.Value;
      break;
    }
  }
  result = ReplaceAll(QStringLiteral("Quillfern Twinsweep"), QStringLiteral("Pairhound"), result);
  return ReplaceAll(QStringLiteral("Twinsweep"), QStringLiteral("Pairhound"), result);
}

TLangList::TLangList(const QString &Folder)
    : CurrentName(RegReadString(QStringLiteral("Language"), QStringLiteral("English"))) {
  LoadFolder(Folder);
}

void TLangList::LoadFolder(const QString &Folder) {
  // Sorted by name, so the language combo shows the same order on every file system.
  const QDir dir(Folder);
  const QStringList names =
      dir.entryList({QStringLiteral("*.wzl")}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
  for (const QString &name : names) {
    auto lang = std::make_unique<TLang>();
    if (lang->LoadFromFile(dir.filePath(name))) {
      Langs.push_back(std::move(lang));
    } else {
      NotLoadable << name;
      qWarning("Translation file not loaded (not a readable regular file of at most %lld bytes): %s",
               MaxLangFileSize, qUtf8Printable(dir.filePath(name)));
    }
  }
}

QString TLangList::GetText(const QString &Key) const {
  for (const auto &lang : Langs)
    if (lang->GetValue(QStringLiteral("Language")) == CurrentName)
      return lang->GetValue(Key);
  return NoTranslatedText;
}

QStringList TLangList::GetLanguageNames() const {
  QStringList names;
  for (const auto &lang : Langs)
    names << lang->GetValue(QStringLiteral("Language"));
  return names;
}

int TLangList::GetCurrentIndex() const {
  return int(GetLanguageNames().indexOf(CurrentName));
}

QString FormatText(const QString &Format, const QStringList &Args) {
  QString out;
  out.reserve(Format.size());
  qsizetype next = 0;
  const qsizetype n = Format.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = Format.at(i);
    if (c != QLatin1Char('%') || i + 1 == n) {
      out += c;
      continue;
    }
    if (Format.at(i + 1) == QLatin1Char('%')) {
      out += QLatin1Char('%');
      ++i;
      continue;
    }
    if (Format.at(i + 1).toLower() == QLatin1Char('s')) {
      out += Args.value(next++);
      ++i;
      continue;
    }
    qsizetype j = i + 1;
    while (j < n && Format.at(j).isDigit())
      ++j;
    if (j > i + 1 && j + 1 < n && Format.at(j) == QLatin1Char(':') &&
        Format.at(j + 1).toLower() == QLatin1Char('s')) {
      bool ok = false;
      const qsizetype index = Format.mid(i + 1, j - i - 1).toLongLong(&ok);
      // An index past the arguments stays as written, like any other faulty placeholder.
      if (ok && index < Args.size()) {
        out += Args.value(index);
        next = index + 1;
        i = j + 1;
        continue;
      }
    }
    out += c;
  }
  return out;
}

QString GetLanguageFolder() {
  return QCoreApplication::applicationDirPath() + QStringLiteral("/Language/");
}

void SetCurrentLangList(const TLangList *List) {
  g_currentLangList = List;
}

const TLangList *CurrentLangList() {
  return g_currentLangList;
}

QString LangText(const QString &Key) {
  return g_currentLangList ? g_currentLangList->GetText(Key) : NoTranslatedText;
}
