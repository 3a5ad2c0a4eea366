#include "ui/main/ProgressBarView.h"

#include <QProgressBar>
#include <algorithm>
#include <cmath>

void TProgressBarView::SetMin(int Value) {
  m_min = Value;
  if (m_max < m_min)
    m_max = m_min;
  m_position = std::clamp(m_position, m_min, m_max);
}

void TProgressBarView::SetMax(int Value) {
  m_max = Value;
  if (m_min > m_max)
    m_min = m_max;
  m_position = std::clamp(m_position, m_min, m_max);
}

// Like any bar, the position stays inside the range.
void TProgressBarView::SetPosition(int Value) {
  m_position = std::clamp(Value, m_min, m_max);
}

void TProgressBarView::Paint() {
  if (m_max > m_min) {
    m_bar->setRange(m_min, m_max);
    m_bar->setValue(m_position);
  } else {
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
  }
}

QString SearchPercentText(const IProgressBar &Bar) {
  if (Bar.Max() == 0)
    return QStringLiteral("0%");
  const double percent = std::trunc(static_cast<double>(Bar.Position()) / Bar.Max() * 100.0);
  return QString::number(static_cast<long long>(percent)) + QLatin1Char('%');
}

QString ActionPercentText(const IProgressBar &Bar) {
  if (Bar.Max() == 0)
    return QStringLiteral("0%");
  // Integer division; the product is widened so a large count cannot wrap into a negative percent.
  return QString::number(static_cast<qint64>(Bar.Position()) * 100 / Bar.Max()) + QLatin1Char('%');
}
