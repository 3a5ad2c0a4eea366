#pragma once
// The folder tree of the folders page: the file system from "/" (folders only), each folder with a
// three-state check box. A checked folder includes everything below it; a folder shows the mixed
// state when something below it is checked. The checked folders come sorted, and never one that
// lies inside another. Links, and folders whose path is not exact text, are shown without a check box:
// a search never follows a link, and a text that is not the folder's own name would name another.

#include <QFileSystemModel>
#include <QTreeView>
#include <set>

class TFolderTreeModel : public QFileSystemModel {
  Q_OBJECT
public:
  explicit TFolderTreeModel(QObject *Parent = nullptr);

  Qt::CheckState CheckState(const QString &Folder) const;
  // Checking a folder checks everything below it. Unchecking a folder below a checked one keeps
  // the rest of that checked folder's subtree checked, folder by folder (never a link). False when
  // Folder cannot be checked (a link, or reached through one, or a name that is not text).
  bool SetChecked(const QString &Folder, bool Checked);
  void ClearChecks();
  // Sorted, without any folder that lies inside another.
  QStringList CheckedFolders() const;
  // Folders of a checked subtree that stayed checked when a folder beside them was unchecked but
  // whose names are not text, so they cannot be handed on; escaped for a message.
  QStringList UnnamedFolders() const;
  // Whether the folder may be checked: an existing folder that is neither a link nor below one and
  // whose path is exact text (a folder that does not exist is compared by its text).
  static bool Checkable(const QString &Folder);

  QVariant data(const QModelIndex &Index, int Role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex &Index, const QVariant &Value, int Role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex &Index) const override;
  bool hasChildren(const QModelIndex &Parent = QModelIndex()) const override;
  bool canFetchMore(const QModelIndex &Parent) const override;

private:
  bool checkable(const QModelIndex &Index) const;
  bool isLink(const QModelIndex &Index) const;
  void addSiblings(const QString &Folder, const QString &Ancestor);
  bool hasCheckedAncestorOrSelf(const QString &Folder) const;
  bool hasCheckedBelow(const QString &Folder) const;
  void eraseBelow(const QString &Folder);
  void notifySubtree(const QModelIndex &Index);
  void notifyFrom(const QString &Folder);

  std::set<QString> m_checked;
  std::set<QString> m_unnamed;
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
