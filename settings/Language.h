#pragma once
// Translations: every text the user sees is fetched by a text id ("2045") from one translation
// file of the folder "Language" beside the program. A file is UTF-8 text lines of a key, "=" and a
// value; "|" in a value is a line break, and a value that begins with "[" may run over several
// lines up to the first line that holds "]". The key "Language" names the language.

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Far above any real translation (the English one holds about 20 KB).
constexpr qint64 MaxLangFileSize = 16 * 1024 * 1024;

// What every miss yields: no current language, or a text id the file lacks.
inline const QString NoTranslatedText = QStringLiteral("no translated");

struct TLangEntry {
  QString Key;
  QString Value;
};

// Splits "key=value" at the first "="; every "|" of the value becomes CR LF. Nothing is trimmed.
void SplitLangLine(const QString &Text, QString &Key, QString &Value);

// One translation file.
class TLang {
public:
  explicit TLang(const QString &FileName);
  TLang() = default;

  // Reads the file; false, leaving no entries, when it is not a regular file (a FIFO, a device, a
  // symbolic link), cannot be read, or is larger than MaxLangFileSize.
  bool LoadFromFile(const QString &FileName);
  // Parses the text of a translation file, lines split at CR LF, CR or LF.
  void LoadFromText(const QString &Text);

  // The value of the first entry whose key equals Key exactly, with the former product names
  // replaced by "Pairhound"; NoTranslatedText when there is none.
  QString GetValue(const QString &Key) const;

  // Every entry in file order; repeated keys are all kept.
  QList<TLangEntry> Items;
};

// Every translation file of one folder and the name of the language in use.
class TLangList {
public:
  // Folder is read once (with or without a trailing separator). CurrentName starts as the stored
  // "Language" setting.
  explicit TLangList(const QString &Folder);

  void LoadFolder(const QString &Folder);

  // The text of a text id in the current language; NoTranslatedText when no file carries the
  // current language or that file lacks the id. There is no fallback to another language.
  QString GetText(const QString &Key) const;
  QString GetText(int Id) const { return GetText(QString::number(Id)); }

  // The language combo box's contents: the "Language" name of every file in list order, and the
  // index of the first name equal to CurrentName (-1 for none).
  QStringList GetLanguageNames() const;
  int GetCurrentIndex() const;

  // The language in use; the options dialog sets it when the user picks another one.
  QString CurrentName;
  std::vector<std::unique_ptr<TLang>> Langs;
  // Names of the "*.wzl" entries that were skipped because they could not be loaded.
  QStringList NotLoadable;
};

// Fills a translated format text: "%s" takes the next argument, "%N:s" argument N (from 0; the next
// "%s" then takes N + 1), "%%" is a percent sign. A "%s" past the arguments gives an empty text; a
// "%N:s" with N past them, and any other "%", stays as written, so a faulty translation shows up
// instead of failing.
QString FormatText(const QString &Format, const QStringList &Args);

// The folder "Language" beside the program, with a trailing separator.
QString GetLanguageFolder();

// The translation that code without access to the main window (the file-type group names) asks
// for texts. The main window registers its list after creating it and clears it before freeing it.
void SetCurrentLangList(const TLangList *List);
const TLangList *CurrentLangList();
// The text of a text id through the registered list; NoTranslatedText when none is registered.
QString LangText(const QString &Key);
