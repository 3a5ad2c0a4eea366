#pragma once
// A small writer of rich text (RTF) for the logs, since Qt writes none: one paragraph per line, each of
// runs with their own colour, weight, underline and size, in one font.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// A piece of a line with one look. Rgb is 0xRRGGBB; PointSize 0 means the document's own size.
struct TRtfRun {
  QString Text;
  quint32 Rgb = 0;
  bool Bold = false;
  bool Underline = false;
  qreal PointSize = 0;
};

using TRtfLine = QList<TRtfRun>;

struct TRtfDocument {
  QString FontName = QStringLiteral("Sans");
  qreal PointSize = 10;
  // The first colours of the colour table, in this order; colours of runs not among them follow.
  QList<quint32> Colours;
  QList<TRtfLine> Lines;
};

// The document as RTF. Characters beyond ASCII are written as \uN? escapes (pairs for those beyond the
// basic plane); "\", "{" and "}" are escaped, control characters dropped.
QByteArray WriteRtf(const TRtfDocument &Document);

// Writes the document to FileName, replacing any file of that name only once the whole new file is
// written. False, with Error set, when it could not be written.
bool SaveRtf(const TRtfDocument &Document, const QString &FileName, QString *Error = nullptr);
