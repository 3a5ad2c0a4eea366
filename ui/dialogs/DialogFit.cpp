#include "ui/dialogs/DialogFit.h"

#include <QLayout>
#include <QWidget>
#include <algorithm>

void FitFixedSize(QWidget *Dialog, const QSize &Design) {
  QLayout *layout = Dialog->layout();
  if (!layout) {
    Dialog->setFixedSize(Design);
    return;
  }
  // Measure afresh: the texts may have changed since the last fit.
  Dialog->setMinimumSize(0, 0);
  Dialog->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  layout->invalidate();
  layout->activate();
  const QSize least = layout->totalMinimumSize();
  const int width = std::max(Design.width(), least.width());
  int height = std::max(Design.height(), least.height());
  // Wrapped texts need more lines when the dialog is narrow.
  if (layout->hasHeightForWidth())
    height = std::max(height, layout->minimumHeightForWidth(width));
  Dialog->setFixedSize(width, height);
}
