#include "actions/RtfWriter.h"

#include "platform/SaveFile.h"

#include <cmath>

namespace {

QByteArray Escaped(const QString &Text) {
  QByteArray out;
  out.reserve(Text.size());
  for (const QChar c : Text) {
    const ushort u = c.unicode();
    if (u == '\\' || u == '{' || u == '}') {
      out += '\\';
      out += char(u);
    } else if (u >= 0x20 && u < 0x7f) {
      out += char(u);
    } else if (u >= 0x80) {
      // \uN takes a signed 16-bit number; "?" stands for readers without Unicode.
      out += "\\u" + QByteArray::number(qint16(u)) + '?';
    }
  }
  return out;
}

// Half points, as RTF counts font sizes.
int HalfPoints(qreal Points) {
  return int(std::lround(Points * 2));
}

} // namespace

QByteArray WriteRtf(const TRtfDocument &Document) {
  QList<quint32> colours = Document.Colours;
  for (const TRtfLine &line : Document.Lines)
    for (const TRtfRun &run : line)
      if (!colours.contains(run.Rgb & 0xffffff))
        colours.append(run.Rgb & 0xffffff);

  QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl{\\f0\\fnil " +
                   Escaped(Document.FontName) + ";}}\n{\\colortbl ;";
  for (const quint32 rgb : colours)
    out += "\\red" + QByteArray::number((rgb >> 16) & 0xff) + "\\green" +
           QByteArray::number((rgb >> 8) & 0xff) + "\\blue" + QByteArray::number(rgb & 0xff) + ';';
  const int ordinary = HalfPoints(Document.PointSize);
  out += "}\n\\viewkind4\\pard\\f0\\fs" + QByteArray::number(ordinary) + '\n';
  for (qsizetype i = 0; i < Document.Lines.size(); ++i) {
    if (i > 0)
      out += "\\par\n";
    for (const TRtfRun &run : Document.Lines[i]) {
      // Colour 0 of the table is the reader's default, so the indexes start at 1.
      out += "{\\cf" + QByteArray::number(colours.indexOf(run.Rgb & 0xffffff) + 1);
      out += "\\fs" + QByteArray::number(run.PointSize > 0 ? HalfPoints(run.PointSize) : ordinary);
      if (run.Bold)
        out += "\\b";
      if (run.Underline)
        out += "\\ul";
      out += ' ' + Escaped(run.Text) + '}';
    }
  }
  out += "\\par\n}\n";
  return out;
}

bool SaveRtf(const TRtfDocument &Document, const QString &FileName, QString *Error) {
  platform::TSaveFile file(FileName);
  const bool ok = file.Open() && file.Write(WriteRtf(Document)) && file.Commit();
  if (!ok && Error)
    *Error = file.ErrorString();
  return ok;
}
