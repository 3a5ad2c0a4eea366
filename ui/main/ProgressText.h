#pragma once
// A line of progress text: the step and the percentage of a progress page. A new text only repaints
// the line; unlike a label it never asks the window to lay itself out again, which (with the word-
// wrapped texts of every page) costs more than the work a progress call reports.

#include <QWidget>

class TProgressText : public QWidget {
  Q_OBJECT
public:
  // Lines: how many lines the text may wrap over; a longer text is cut at the end of the last.
  explicit TProgressText(QWidget *Parent, int Lines = 1, Qt::Alignment Alignment = Qt::AlignLeft);

  QString text() const { return m_text; }
  void setText(const QString &Text);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  void paintEvent(QPaintEvent *Event) override;

private:
  QString m_text;
  int m_lines;
  Qt::Alignment m_alignment;
};
