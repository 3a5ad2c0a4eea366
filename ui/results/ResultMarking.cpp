#include "ui/results/ResultMarking.h"

#include "ui/results/ResultList.h"
#include "ui/results/ResultModel.h"

#include "platform/Names.h"

#include <QHash>
#include <QSet>
#include <QStandardItem>
#include <QStandardItemModel>

#include <algorithm>
#include <functional>

// --- Selection commands ---

void SetResultChecks(TResultModel &Model, TCheckRule Rule) {
  TResultUpdate update(Model);
  for (int row = 0; row < Model.Count(); ++row) {
    const bool checked = Rule == TCheckRule::All || (Rule == TCheckRule::Invert && !Model.IsChecked(row));
    Model.SetChecked(row, checked);
  }
}

bool ToggleResultCheck(TResultModel &Model, int Row) {
  if (Row < 0 || Row >= Model.Count())
    return false;
  Model.SetChecked(Row, !Model.IsChecked(Row));
  return true;
}

bool SelectCopies(TResultModel &Model, int Row, int Method) {
  const TResultShow *focused = Model.GetResultData(Row);
  if (!focused)
    return false;
  const qint32 group = focused->GetGroup(Method);
  TResultUpdate update(Model);
  Model.SetChecked(Row, false);
  for (int row = Row + 1; row < Model.Count() && Model.GetResultData(row)->GetGroup(Method) == group; ++row)
    Model.SetChecked(row, true);
  for (int row = Row - 1; row >= 0 && Model.GetResultData(row)->GetGroup(Method) == group; --row)
    Model.SetChecked(row, true);
  return true;
}

// --- By a criterion ---

void TCriterionValue::Compare(const TResultShow *Row) {
  if (!Row || !Best) {
    Best = Row;
    return;
  }
  const TUseFileProperty &candidate = *Row->Item;
  if (candidate.Processed)
    return;
  if (candidate.IsArchiveMember()) {
    Best = Row;
    return;
  }
  const TUseFileProperty &best = *Best->Item;
  bool better = false;
  switch (m_choice.Kind) {
  case TCriterionKind::DateCreate:
  case TCriterionKind::DateUpdate: {
    const bool created = m_choice.Kind == TCriterionKind::DateCreate;
    const double a = created ? candidate.FileProps.Created : candidate.FileProps.Modified;
    const double b = created ? best.FileProps.Created : best.FileProps.Modified;
    better = m_choice.TakeLast ? a > b : a < b;
    break;
  }
  case TCriterionKind::Size: {
    const qint64 a = candidate.FileItem.Size;
    const qint64 b = best.FileItem.Size;
    better = m_choice.TakeLast ? a > b : a < b;
    break;
  }
  }
  if (better)
    Best = Row;
}

namespace {

// Marks one group, whose rows are First to End - 1.
void MarkGroupByCriterion(TResultModel &Model, int First, int End, const TCriterionChoice &Choice) {
  TCriterionValue value(Choice);
  value.Compare(nullptr);
  int counted = 0;
  for (int row = First; row < End; ++row) {
    if (Choice.NotUseChecked && Model.IsChecked(row))
      continue;
    const TResultShow *show = Model.GetResultData(row);
    if (show->Item->Processed)
      continue;
    value.Compare(show);
    ++counted;
  }
  if (!value.Best || counted <= 1)
    return;
  for (int row = First; row < End; ++row) {
    if (Choice.NotUseChecked && Model.IsChecked(row))
      continue;
    Model.SetChecked(row, Model.GetResultData(row) != value.Best);
  }
}

} // namespace

void MarkAllGroupsByCriterion(TResultModel &Model, const TCriterionChoice &Choice) {
  const int method = Model.ShownMethod();
  TResultUpdate update(Model);
  int first = 0;
  while (first < Model.Count()) {
    const qint32 group = Model.GetResultData(first)->GetGroup(method);
    int end = first + 1;
    while (end < Model.Count() && Model.GetResultData(end)->GetGroup(method) == group)
      ++end;
    MarkGroupByCriterion(Model, first, end, Choice);
    first = end;
  }
}

// --- By folders ---

namespace {

const QString Root = QStringLiteral("/");

// Sorted without regard to case; entries equal so still come in code order.
void SortCaseless(QStringList &List) {
  std::sort(List.begin(), List.end(), [](const QString &A, const QString &B) {
    const int order = A.compare(B, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : A < B;
  });
}

// The keys of the rows that can take a mark, each once (under Unique, the first letter case met
// stays), sorted without regard to case.
QStringList GatherKeys(const TResultModel &Model,
                       const std::function<QString(const TUseFileProperty &)> &KeyOf,
                       Qt::CaseSensitivity Unique) {
  QSet<QString> seen;
  QStringList keys;
  for (int row = 0; row < Model.Count(); ++row) {
    const TUseFileProperty &item = *Model.GetResultData(row)->Item;
    if (!item.CanTakeMark())
      continue;
    const QString key = KeyOf(item);
    const QString seenAs = Unique == Qt::CaseSensitive ? key : key.toCaseFolded();
    if (key.isEmpty() || seen.contains(seenAs))
      continue;
    seen.insert(seenAs);
    keys << key;
  }
  SortCaseless(keys);
  return keys;
}

} // namespace

QStringList GatherFolders(const TResultModel &Model) {
  return GatherKeys(
      Model,
      [](const TUseFileProperty &Item) {
        QString folder = Item.FileItem.GetPath().trimmed();
        if (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
          folder.chop(1);
        return folder;
      },
      Qt::CaseSensitive);
}

void RemovePrefixPaths(QStringList &Paths) {
  // Testing the same position again after a drop compares each entry with the one that followed it
  // in the original list, so one pass that keeps the survivors gives the same list without shifting
  // the rest of it at every drop.
  QStringList kept;
  kept.reserve(Paths.size());
  for (qsizetype i = 0; i < Paths.size(); ++i) {
    const QString &entry = Paths[i];
    const QString prefix = entry.endsWith(QLatin1Char('/')) ? entry : entry + QLatin1Char('/');
    if (i + 1 == Paths.size() || !Paths[i + 1].startsWith(prefix))
      kept << entry;
  }
  Paths = std::move(kept);
}

QStringList SplitPathComponents(const QString &Path) {
  if (Path.isEmpty())
    return {};
  if (!Path.startsWith(QLatin1Char('/')))
    return Path.split(QLatin1Char('/'));
  QStringList components{Root};
  if (Path.size() > 1)
    components << Path.mid(1).split(QLatin1Char('/'));
  return components;
}

QStandardItem *FindSiblingByText(QStandardItem *Parent, const QString &Text) {
  if (!Parent)
    return nullptr;
  for (int row = 0; row < Parent->rowCount(); ++row) {
    QStandardItem *child = Parent->child(row);
    if (child && child->data(NameRole).toString() == Text)
      return child;
  }
  return nullptr;
}

namespace {

// Shown with the bytes that are not UTF-8 escaped; the name itself is kept beside.
QStandardItem *NewFolderNode(const QString &Text) {
  auto *node = new QStandardItem(platform::ShownName(Text));
  node->setData(Text, NameRole);
  node->setCheckable(true);
  node->setCheckState(Qt::Unchecked);
  node->setEditable(false);
  return node;
}

} // namespace

QStandardItem *AddPathToTree(QStandardItem *Root, const QString &Path) {
  QStandardItem *node = Root;
  for (const QString &component : SplitPathComponents(Path)) {
    QStandardItem *next = FindSiblingByText(node, component);
    if (!next) {
      next = NewFolderNode(component);
      node->appendRow(next);
    }
    node = next;
  }
  return node;
}

void FillFolderTree(QStandardItem *Root, const QStringList &Folders) {
  // Built apart from the model, so that its views hear of the whole tree once.
  QStandardItem top;
  QHash<const QStandardItem *, QHash<QString, QStandardItem *>> children;
  for (const QString &folder : Folders) {
    QStandardItem *node = &top;
    for (const QString &component : SplitPathComponents(folder)) {
      QStandardItem *&next = children[node][component];
      if (!next) {
        next = NewFolderNode(component);
        node->appendRow(next);
      }
      node = next;
    }
  }
  // One top node at a time: appendRows gives only the rows it adds their model, not the nodes
  // below them. Absolute paths share the one top node "/".
  if (top.rowCount() > 0)
    for (QStandardItem *node : top.takeColumn(0))
      Root->appendRow(node);
}

QString GetFolderNodePath(const QStandardItem *Node) {
  QStringList components;
  for (const QStandardItem *node = Node; node; node = node->parent())
    components.prepend(node->data(NameRole).toString());
  if (components.isEmpty())
    return {};
  QString path = components.first() == Root ? Root : components.first() + QLatin1Char('/');
  for (qsizetype i = 1; i < components.size(); ++i)
    path += components[i] + QLatin1Char('/');
  return path;
}

QStringList CheckedFoldersList(QStandardItem *Root) {
  QStringList folders;
  const std::function<void(QStandardItem *)> walk = [&](QStandardItem *Node) {
    for (int row = 0; row < Node->rowCount(); ++row) {
      QStandardItem *child = Node->child(row);
      if (child->checkState() == Qt::Checked)
        folders << GetFolderNodePath(child);
      walk(child);
    }
  };
  if (Root)
    walk(Root);
  return folders;
}

void MarkByFolders(TResultModel &Model, const QStringList &Folders, bool Check) {
  // A set of whole paths, not one text to search: a folder's name may hold any character.
  const QSet<QString> chosen(Folders.cbegin(), Folders.cend());
  if (chosen.isEmpty())
    return;
  TResultUpdate update(Model);
  for (int row = 0; row < Model.Count(); ++row)
    if (chosen.contains(Model.GetResultData(row)->Item->FileItem.GetPath()))
      Model.SetChecked(row, Check);
}

// --- By extensions ---

QString FileExtensionKey(const QString &FileName) {
  const qsizetype dot = FileName.lastIndexOf(QLatin1Char('.'));
  if (dot < 0)
    return QStringLiteral("(none)");
  return FileName.mid(dot).trimmed();
}

QStringList GatherExtensions(const TResultModel &Model) {
  return GatherKeys(
      Model, [](const TUseFileProperty &Item) { return FileExtensionKey(Item.FileItem.FileName); },
      Qt::CaseInsensitive);
}

void MarkByExtensions(TResultModel &Model, const QStringList &Extensions, bool Check) {
  QSet<QString> chosen;
  for (const QString &key : Extensions)
    chosen.insert(key.toCaseFolded());
  if (chosen.isEmpty())
    return;
  TResultUpdate update(Model);
  for (int row = 0; row < Model.Count(); ++row)
    if (chosen.contains(FileExtensionKey(Model.GetResultData(row)->Item->FileItem.FileName).toCaseFolded()))
      Model.SetChecked(row, Check);
}
