#pragma once
// Byte counts as the status bars and the log summaries show them: kilobytes with two decimals.

#include <QLocale>
#include <QString>

// Bytes in kilobytes truncated (not rounded) to two decimals, the integer digits grouped in threes by
// blanks, Locale's decimal separator and the suffix "kb": 1023 gives "0.99kb", 1048576 "1 024.00kb".
// A negative count keeps its sign in front of the digits.
QString FormatSizeKb(qint64 Bytes, const QLocale &Locale = QLocale());
