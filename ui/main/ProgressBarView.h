#pragma once
// A progress bar of the window seen through the engine's bar interface. The values live here, as
// the engine set them; the widget shows them when the progress routine paints (a widget range of
// 0..0 would show a busy indicator instead of an empty bar).

#include "engine/Progress.h"

class QProgressBar;

class TProgressBarView : public IProgressBar {
public:
  explicit TProgressBarView(QProgressBar *Bar) : m_bar(Bar) {}

  int Min() const override { return m_min; }
  int Max() const override { return m_max; }
  int Position() const override { return m_position; }
  void SetMin(int Value) override;
  void SetMax(int Value) override;
  void SetPosition(int Value) override;
  // Puts the values on the widget.
  void Paint();

private:
  QProgressBar *m_bar;
  int m_min = 0;
  int m_max = 0;
  int m_position = 0;
};

// The percentage text of a bar: "0%" when Max is 0, else the truncated percentage and "%".
// Search side: computed in floating point; action side: integer division.
QString SearchPercentText(const IProgressBar &Bar);
QString ActionPercentText(const IProgressBar &Bar);
