#include "ui/main/ActionLogView.h"

#include <QTextCursor>
#include <QTextEdit>

namespace {

QTextCharFormat LineFormat(const QTextEdit &Control, const QColor &Colour) {
  QTextCharFormat format;
  format.setForeground(Colour);
  format.setFontPointSize(Control.font().pointSizeF());
  format.setFontWeight(QFont::Normal);
  format.setFontUnderline(false);
  return format;
}

} // namespace

void TRichLog::BeginRun() {
  m_control.setUpdatesEnabled(false);
  m_control.clear();
  m_first = true;
}

void TRichLog::AddLine(const QString &Text, bool Ok) {
  QTextCursor cursor(m_control.document());
  cursor.movePosition(QTextCursor::End);
  const QColor colour = Ok ? m_control.palette().color(QPalette::WindowText) : QColor(255, 0, 0);
  const QTextCharFormat format = LineFormat(m_control, colour);
  if (!m_first)
    cursor.insertBlock(QTextBlockFormat(), format);
  m_first = false;
  cursor.insertText(Text, format);
}

void TRichLog::EndRun() {
  m_control.setUpdatesEnabled(true);
}

void WriteLogSummary(QTextEdit &Control, const QString &TotalLine, const QString &FilesLine) {
  const QColor text = Control.palette().color(QPalette::WindowText);
  QTextCharFormat total = LineFormat(Control, text);
  total.setFontWeight(QFont::Bold);
  total.setFontPointSize(18);
  QTextCharFormat files = LineFormat(Control, text);
  files.setFontUnderline(true);
  const bool noLines = Control.document()->isEmpty();

  // Three lines above the file lines (an empty log is one empty line already), then their texts.
  QTextCursor cursor(Control.document());
  cursor.beginEditBlock();
  cursor.movePosition(QTextCursor::Start);
  for (int i = noLines ? 1 : 0; i < 3; ++i)
    cursor.insertBlock(QTextBlockFormat(), LineFormat(Control, text));
  cursor.movePosition(QTextCursor::Start);
  cursor.insertText(TotalLine, total);
  cursor.movePosition(QTextCursor::NextBlock);
  cursor.movePosition(QTextCursor::NextBlock);
  cursor.insertText(FilesLine, files);
  cursor.endEditBlock();
}
