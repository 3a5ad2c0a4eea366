#pragma once
// The automatic-marking dialog over the results list: on its first page a criterion keeps one file
// of each group and marks the others, on its second every file in the checked folders, on its third
// every file with a checked extension. Built anew for each use; OK marks and closes, Cancel only
// closes.

#include "ui/results/ResultMarking.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStandardItem;
class QStandardItemModel;
class QTabWidget;
class QTreeView;
class TLangList;
class TResultModel;

class TfrmMarker : public QDialog {
  Q_OBJECT
public:
  // UpdateStatus rewrites the list's status line after a marking.
  TfrmMarker(TResultModel &Model, const TLangList &Lang, std::function<void()> UpdateStatus,
             QWidget *Parent = nullptr);

  // The criterion page's choice as it stands.
  TCriterionChoice Choice() const;
  // The marking of each page, without closing.
  void MarkAllGroupsByCriterion();
  void MarkByFolders();
  void MarkByExtensions();
  // The checked folders, each ending with "/", in tree order.
  QStringList CheckedFoldersList() const;
  QStringList CheckedExtensions() const;
  // The node of a folder in trvFolders ("/a/b"), or null.
  QStandardItem *FolderNode(const QString &Folder) const;

  void btnCriterionsOkClick();
  void btnFoldersOkClick();
  void btnExtensionsOkClick();

  QTabWidget *pgcMain;
  QWidget *tbsCriterions, *tbsFolders, *tbsExtensions;
  QGroupBox *boxCriterions, *boxFolders, *boxExtensions;
  QRadioButton *rbtDateCreate, *rbtDateUpdate, *rbtSize;
  QComboBox *cmbDateCreate, *cmbDateUpdate, *cmbSize;
  QCheckBox *cbxNotUseCheked;
  QTreeView *trvFolders;
  QStandardItemModel *m_folders;
  QRadioButton *rbtFoldersCheck, *rbtFoldersUnCheck;
  QListWidget *lbxExtensions;
  QRadioButton *rbtExtensionsCheck, *rbtExtensionsUnCheck;
  QPushButton *btnCriterionsOk, *btnCriterionsCancel, *btnFoldersOk, *btnFoldersCancel, *btnExtensionsOk,
      *btnExtensionsCancel;

private:
  void ApplyLanguage();
  void FillFolders();
  void FillExtensions();
  // Copies a node's check state down its subtree (a click on its box or Space).
  void PropagateCheckToChildren(QStandardItem *Node);
  // Runs a page's marking under the hourglass, updates the status line and closes.
  void MarkAndClose(void (TfrmMarker::*Marking)());

  TResultModel &m_model;
  const TLangList &m_lang;
  std::function<void()> m_updateStatus;
  bool m_propagating = false;
};
