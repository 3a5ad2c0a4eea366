#pragma once
// The rich-text log of a file action (and of a restore): one line per file in the window-text colour
// or in red, under a summary of a bold 18-point total line, an empty line and an underlined line.

#include "actions/ActionLog.h"

class QTextEdit;

// The run's lines appended to a read-only text control, which does not repaint during the run.
class TRichLog : public IActionLog {
public:
  explicit TRichLog(QTextEdit &Control) : m_control(Control) {}
  void BeginRun() override;
  void AddLine(const QString &Text, bool Ok) override;
  void EndRun() override;

private:
  QTextEdit &m_control;
  bool m_first = true;
};

// Writes the summary above the file lines: TotalLine bold at 18 points, an empty line, FilesLine
// underlined at the log's ordinary size.
void WriteLogSummary(QTextEdit &Control, const QString &TotalLine, const QString &FilesLine);
