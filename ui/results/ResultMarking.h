#pragma once
// Bulk marking of the results list: the selection commands and the three automatic markings (by a
// criterion within each group, by folders, by extensions), and the folder and extension lists the
// marking dialog offers. Every mark goes through TResultModel::SetChecked, so archive members and
// processed files never take one. Each bulk operation runs inside one update bracket of the list.

#include <QString>
#include <QStringList>

class QStandardItem;
class TResultModel;
class TResultShow;

// --- Selection commands ---

enum class TCheckRule { All, None, Invert };
// Every row, including rows without a check box, set by Rule from its own stored state.
void SetResultChecks(TResultModel &Model, TCheckRule Rule);
// Flips one row's check; false when Row is no row.
bool ToggleResultCheck(TResultModel &Model, int Row);
// Keeps Row and checks the other rows of the contiguous run of its group (for Method) around it;
// false when Row is no row.
bool SelectCopies(TResultModel &Model, int Row, int Method);

// --- By a criterion: the one file of each group to keep ---

enum class TCriterionKind { DateCreate, DateUpdate, Size };
struct TCriterionChoice {
  TCriterionKind Kind = TCriterionKind::DateCreate;
  // For times: the first (earliest) or last; for sizes: the smallest or largest.
  bool TakeLast = false;
  // Rows already checked are left as they are and take no part in the choice.
  bool NotUseChecked = true;
};

// The best row of one group while the group is walked. Sizes are compared as 64-bit numbers.
class TCriterionValue {
public:
  explicit TCriterionValue(const TCriterionChoice &Choice) : m_choice(Choice) {}
  // Null resets. The first row offered becomes the best; a processed row is ignored after that, an
  // archive member always displaces the current choice; otherwise a row replaces the best only when
  // strictly better, so ties keep the earlier row.
  void Compare(const TResultShow *Row);
  const TResultShow *Best = nullptr;

private:
  TCriterionChoice m_choice;
};

// For every group of the shown method: unchecks its best row and checks the others, unless fewer
// than two rows took part in the choice.
void MarkAllGroupsByCriterion(TResultModel &Model, const TCriterionChoice &Choice);

// --- By folders ---

// The folders of the rows that can take a mark ("/" separated, no trailing "/" except the root
// itself), unique by exact text and sorted without regard to case.
QStringList GatherFolders(const TResultModel &Model);
// Drops every entry that is an ancestor of the entry after it, testing the same position again, so
// a chain of ancestors collapses onto its deepest folder. The tree recreates the dropped ones.
void RemovePrefixPaths(QStringList &Paths);
// "/a/b" gives "/", "a", "b"; the root node is "/". Empty components between two "/" are kept.
QStringList SplitPathComponents(const QString &Path);
// The role of a folder node that holds its name (the text shown escapes what is not UTF-8).
constexpr int NameRole = Qt::UserRole + 1;
// The child of Parent (a top-level item when Parent is the model's root) whose name is exactly Text.
QStandardItem *FindSiblingByText(QStandardItem *Parent, const QString &Text);
// Adds Path's components under Root, reusing nodes met on the way; returns the deepest node.
QStandardItem *AddPathToTree(QStandardItem *Root, const QString &Path);
// The tree that AddPathToTree gives folder by folder, built under the childless Root with each
// node's children found by name through a hash, and inserted into Root's model at once.
void FillFolderTree(QStandardItem *Root, const QStringList &Folders);
// The folder a node stands for, from its top-level node, ending with "/".
QString GetFolderNodePath(const QStandardItem *Node);
// The folder of every checked node under Root, in tree order, each ending with "/".
QStringList CheckedFoldersList(QStandardItem *Root);
// Checks (or unchecks) every row whose own folder is exactly one of Folders (each ending with "/").
void MarkByFolders(TResultModel &Model, const QStringList &Folders, bool Check);

// --- By extensions ---

// The extension of a file name with its dot, trimmed, case kept; "(none)" when it has none.
QString FileExtensionKey(const QString &FileName);
// The extension keys of the rows that can take a mark, unique without regard to case (the first
// letter case met stays), sorted.
QStringList GatherExtensions(const TResultModel &Model);
// Checks (or unchecks) every row whose extension key is one of Extensions, without regard to case.
void MarkByExtensions(TResultModel &Model, const QStringList &Extensions, bool Check);
