#pragma once
// Tagged record text: fields written as "<key=value>" side by side, where a value may itself be a
// record. The result file, its filter line and the picture grid's text form are made of it.

#include <QHash>
#include <QString>

#include <utility>

// "<" + Key + "=" + Value + ">". The value is written as it stands; see EscapeRecordValue.
QString MakeRecordField(const QString &Key, const QString &Value);

// Position of the "<" that opens the field Key at nesting depth 0 of Line, or -1. Keys inside a
// nested record or inside a free-text value that holds brackets are not seen.
qsizetype FindRecordField(const QString &Key, const QString &Line);

// True when Line has the field Key at nesting depth 0.
bool HasRecordField(const QString &Key, const QString &Line);

// The value of the field Key at depth 0 of Line, up to the ">" that closes it; "" when absent.
QString ReadRecordValue(const QString &Key, const QString &Line);

// The fields at nesting depth 0 of one record, found in a single pass. Reading many keys of a long
// record (the picture grid has 161) costs one scan of it instead of one per key. Has and Value
// answer as HasRecordField and ReadRecordValue would for keys without "<", ">" or "=".
class TRecordFields {
public:
  explicit TRecordFields(const QString &Line);
  TRecordFields(const TRecordFields &) = delete;
  TRecordFields &operator=(const TRecordFields &) = delete;
  bool Has(const QString &Key) const { return m_fields.contains(QStringView(Key)); }
  QString Value(const QString &Key) const;
  // The value as a view into the record; valid while this object lives.
  QStringView View(const QString &Key) const;

private:
  QString m_line;
  // Key -> start and length of its value in m_line; the first field of a key wins.
  QHash<QStringView, std::pair<qsizetype, qsizetype>> m_fields;
};

// A free-text value as a record stores it. A value without "<", ">", CR, LF and lone surrogates
// (undecodable name bytes) is stored as it stands, and Escaped is false. Any other value is escaped,
// and Escaped is true: each of those characters and "%" becomes "%" + two hex digits, or "%u" + four
// for a surrogate, so that the stored text holds no bracket and no line break. Whether a value was
// escaped must be recorded beside it: a plain value may hold "%" followed by hex digits.
QString EscapeRecordValue(const QString &Value, bool &Escaped);
// The value that EscapeRecordValue escaped; false when Stored holds a "%" that starts no escape.
bool UnescapeRecordValue(QStringView Stored, QString &Value);

// Case-sensitive substring and prefix tests, used across the program.
bool Contains(const QString &Sub, const QString &S);
bool StartsWith(const QString &Sub, const QString &S);

// Name + Ext when the file name part of Name has no extension, else Name unchanged.
QString AddDefaultExt(const QString &Name, const QString &Ext);
