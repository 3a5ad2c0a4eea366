#include "ui/main/Helpers.h"

#include "platform/Folders.h"
#include "platform/Names.h"
#include "platform/Shell.h"
#include "settings/FileGroupExt.h"
#include "settings/Language.h"
#include "ui/main/Main.h"
#include "ui/results/ResultShow.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFileInfo>

QString BrowseFolder() {
  QString start;
  if (frmMain && !frmMain->LastFolder.isEmpty() && QFileInfo(frmMain->LastFolder).isDir())
    start = frmMain->LastFolder;
  const QString chosen = DialogService::instance().getExistingDirectory(frmMain, QString(), start);
  if (chosen.isEmpty())
    return {};
  if (frmMain)
    frmMain->LastFolder = chosen;
  return chosen;
}

void ShowInfo(const QString &Text) {
  ShowInfoFor(frmMain, Text);
}

QString MakeCaption() {
  return GetProgramTitle() + QStringLiteral(" 1.5");
}

bool OpenFile(const QString &FileName) {
  if (platform::OpenDocument(FileName))
    return true;
  return OpenWith(FileName);
}

bool OpenWith(const QString &FileName) {
  // The chooser asks for what it wants: a program for the named file.
  const QString caption = FormatText(LangText(QStringLiteral("228")), {platform::ShownName(FileName.sliced(FileName.lastIndexOf(QLatin1Char('/')) + 1))});
  const QString program =
      DialogService::instance().getOpenFileName(frmMain, caption, QStringLiteral("/usr/bin"), QString());
  if (program.isEmpty())
    return false;
  return ShellExec(program, {FileName});
}

void OpenHelp(const QString &FileName) {
  if (IsFilePath(FileName) && platform::OpenWithDesktop(FileName))
    return;
  ShowInfo(FormatText(LangText(QStringLiteral("20156")), {FileName}));
}

bool ShellExec(const QString &Program, const QStringList &Parameters) {
  return platform::StartProgram(Program, Parameters);
}

namespace {
bool isChecked(const QModelIndex &Node) {
  return Node.isValid() && Node.data(Qt::CheckStateRole).toInt() == Qt::Checked;
}

void setChecked(QAbstractItemModel *Tree, const QModelIndex &Node, bool Checked) {
  if (Tree && Node.isValid())
    Tree->setData(Node, Checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}
} // namespace

bool IsResultNodeChecked(const QModelIndex &Node) {
  return isChecked(Node);
}
bool IsRestoreNodeChecked(const QModelIndex &Node) {
  return isChecked(Node);
}
void SetResultNodeChecked(QAbstractItemModel *Tree, const QModelIndex &Node, bool Checked) {
  // The results list's own setter keeps the mark and is not taken for a click of the user.
  if (auto *results = qobject_cast<TResultModel *>(Tree)) {
    if (Node.isValid())
      results->SetChecked(Node.row(), Checked);
    return;
  }
  setChecked(Tree, Node, Checked);
}
void SetRestoreNodeChecked(QAbstractItemModel *Tree, const QModelIndex &Node, bool Checked) {
  setChecked(Tree, Node, Checked);
}
