#pragma once
// The folder tree of the folders page: the file system from "/" (folders only), each folder with a
// three-state check box. A checked folder includes everything below it; a folder shows the mixed
// state when something below it is checked. The checked folders come sorted, and never one that
// lies inside another.

#include <QFileSystemModel>
#include <QTreeView>
#include <set>

class TFolderTreeModel : public QFileSystemModel {
  Q_OBJECT
public:
  explicit TFolderTreeModel(QObject *Parent = nullptr);

  Qt::CheckState CheckState(const QString &Folder) const;
  // Checking a folder checks everything below it. Unchecking a folder below a checked one keeps
  // the rest of that checked folder's subtree checked, folder by folder.
  void SetChecked(const QString &Folder, bool Checked);
  void ClearChecks();
  // Sorted, without any folder that lies inside another.
  QStringList CheckedFolders() const;

  QVariant data(const QModelIndex &Index, int Role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex &Index, const QVariant &Value, int Role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex &Index) const override;

private:
  bool hasCheckedAncestorOrSelf(const QString &Folder) const;
  bool hasCheckedBelow(const QString &Folder) const;
  void eraseBelow(const QString &Folder);
  void notifySubtree(const QModelIndex &Index);
  void notifyFrom(const QString &Folder);

  std::set<QString> m_checked;
};

class TFolderTree : public QTreeView {
  Q_OBJECT
public:
  explicit TFolderTree(QWidget *Parent = nullptr);

  TFolderTreeModel *Model() const { return m_model; }
  QStringList CheckedFolders() const { return m_model->CheckedFolders(); }
  // Builds the tree anew from "/" (after a network location came or went) and opens the way to the
  // home folder and the usual mount points. Checks are kept.
  void Rebuild();
  // Shows Folder, opening its ancestors.
  void Reveal(const QString &Folder);

private:
  TFolderTreeModel *m_model;
};
