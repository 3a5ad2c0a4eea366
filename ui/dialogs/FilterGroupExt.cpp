#include "ui/dialogs/FilterGroupExt.h"

#include "settings/FileGroupExt.h"
#include "settings/Language.h"
#include "settings/StringRoutines.h"
#include "ui/dialogs/DialogFit.h"
#include "ui/dialogs/Named.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {
const QSize DesignSize(408, 210);

QString editName(int Index) {
  return QStringLiteral("edtExt") + QString::number(Index);
}

int groupCount() {
  return FileGroupList ? FileGroupList->GetCount() : 0;
}
} // namespace

TfrmFilterGroupExt::TfrmFilterGroupExt(QWidget *Owner) : TNoEscapeDialog(Owner) {
  setObjectName(QStringLiteral("frmFilterGroupExt"));
  m_scroll = MakeNamed<QScrollArea>(this, "scrGroups");
  m_scroll->setFrameShape(QFrame::NoFrame);
  m_scroll->setWidgetResizable(true);
  m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_rows = new QWidget(m_scroll);
  m_rowsLayout = new QVBoxLayout(m_rows);
  m_rowsLayout->setContentsMargins(0, 0, 0, 0);
  m_rowsLayout->setSpacing(2);
  m_scroll->setWidget(m_rows);

  btnOK = MakeNamed<QPushButton>(this, "btnOK");
  btnOK->setDefault(true);
  btnCancel = MakeNamed<QPushButton>(this, "btnCancel");
  btnCancel->setAutoDefault(false);
  m_buttons = new QHBoxLayout;
  m_buttons->addStretch();
  m_buttons->addWidget(btnOK);
  m_buttons->addWidget(btnCancel);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(m_scroll, 1);
  layout->addLayout(m_buttons);

  connect(btnOK, &QPushButton::clicked, this, &TfrmFilterGroupExt::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmFilterGroupExt::btnCancelClick);

  FormCreate();
}

void TfrmFilterGroupExt::FormCreate() {
  BuildGroupEditors();
  ApplyLanguage();
  FitToRows();
  btnOK->setFocus();
}

void TfrmFilterGroupExt::BuildGroupEditors() {
  QWidget *previous = btnCancel;
  setTabOrder(btnOK, btnCancel);
  for (int i = 0; i < groupCount(); ++i) {
    AddGroupEditor(i);
    auto *edit = m_rows->findChild<QLineEdit *>(editName(i));
    setTabOrder(previous, edit);
    previous = edit;
  }
  m_rowsLayout->addStretch();
}

void TfrmFilterGroupExt::AddGroupEditor(int Index) {
  const TFileGroupExtItem *group = FileGroupList->GetItem(Index);
  auto *label = new QLabel(group->Name + QLatin1Char(':'), m_rows);
  label->setObjectName(QStringLiteral("lblExt") + QString::number(Index));
  // A group name is shown as it stands, without access keys.
  label->setTextFormat(Qt::PlainText);
  auto *edit = new QLineEdit(group->Ext, m_rows);
  edit->setObjectName(editName(Index));
  edit->setCursorPosition(0);
  if (Index > 0)
    m_rowsLayout->addSpacing(7);
  m_rowsLayout->addWidget(label);
  m_rowsLayout->addWidget(edit);
}

void TfrmFilterGroupExt::ApplyLanguage() {
  setWindowTitle(LangText("2652"));
  btnOK->setText(LangText("209"));
  btnCancel->setText(LangText("2010"));
}

// As tall as the rows need, but never taller than the screen: beyond that the rows scroll.
void TfrmFilterGroupExt::FitToRows() {
  FitFixedSize(this, DesignSize);
  const QMargins margins = layout()->contentsMargins();
  const QSize rows = m_rows->sizeHint();
  const int wanted =
      margins.top() + rows.height() + layout()->spacing() + m_buttons->sizeHint().height() + margins.bottom();
  const QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  // Room for the title bar and the window frame, which the client size leaves out.
  const int highest = screen ? screen->availableGeometry().height() - 64 : wanted;
  const int bar = wanted > highest ? m_scroll->verticalScrollBar()->sizeHint().width() : 0;
  setFixedSize(std::max(width(), margins.left() + rows.width() + bar + margins.right()),
               std::max(height(), std::min(wanted, highest)));
}

void TfrmFilterGroupExt::btnOKClick() {
  StoreGroups();
  accept();
}

void TfrmFilterGroupExt::btnCancelClick() {
  reject();
}

void TfrmFilterGroupExt::StoreGroups() {
  for (int i = 0; i < groupCount(); ++i)
    if (auto *edit = findChild<QLineEdit *>(editName(i)))
      FileGroupList->GetItem(i)->Ext = TrimBlanks(edit->text());
  if (FileGroupList)
    FileGroupList->SaveToRegistry();
}
