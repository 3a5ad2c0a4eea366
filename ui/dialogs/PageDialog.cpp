#include "ui/dialogs/PageDialog.h"

#include "ui/dialogs/Named.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

TPageDialogButtons LayOutPageDialog(QDialog *Dialog, QTabWidget *Pages) {
  TPageDialogButtons b{MakeNamed<QPushButton>(Dialog, "btnDefault"), MakeNamed<QPushButton>(Dialog, "btnOK"),
                       MakeNamed<QPushButton>(Dialog, "btnCancel")};
  b.Default->setAutoDefault(false);
  b.OK->setDefault(true);
  b.Cancel->setAutoDefault(false);
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(b.Default);
  buttons->addStretch();
  buttons->addWidget(b.OK);
  buttons->addWidget(b.Cancel);
  auto *layout = new QVBoxLayout(Dialog);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(Pages, 1);
  layout->addLayout(buttons);
  return b;
}
