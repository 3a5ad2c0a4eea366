#include "settings/FormatSize.h"

QString FormatSizeKb(qint64 Bytes, const QLocale &Locale) {
  // Hundredths of a kilobyte in whole numbers, so that no floating error can round a value up.
  // Bytes * 100 overflows 64 bits near 9.2e16, so divide first and keep the remainder's share.
  const bool negative = Bytes < 0;
  const quint64 magnitude = negative ? quint64(0) - quint64(Bytes) : quint64(Bytes);
  const quint64 hundredths = magnitude / 1024 * 100 + magnitude % 1024 * 100 / 1024;
  const QString digits = QString::number(hundredths / 100);
  QString grouped;
  grouped.reserve(digits.size() + digits.size() / 3 + 8);
  for (qsizetype i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0)
      grouped += QLatin1Char(' ');
    grouped += digits[i];
  }
  const int cents = int(hundredths % 100);
  QString text = negative ? QStringLiteral("-") : QString();
  text += grouped;
  text += Locale.decimalPoint();
  text += QLatin1Char(char('0' + cents / 10));
  text += QLatin1Char(char('0' + cents % 10));
  text += QStringLiteral("kb");
  return text;
}
