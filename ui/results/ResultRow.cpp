#include "ui/results/ResultRow.h"

#include "platform/Names.h"
#include "settings/FormatSize.h"

TResultShow::TResultShow(TUseFileProperty *Item, QRgb GroupColour)
    : Item(Item), GroupColour(GroupColour), IsPicture(Item->IsPictureFile()) {}

// Names that are not UTF-8 show their odd bytes escaped.
QString TResultShow::GetFolderText() const {
  if (Item->IsArchiveMember())
    return platform::ShownName(Item->Owner->FullName()) + QStringLiteral(" -> ") +
           platform::ShownName(Item->FileItem.GetPath());
  return platform::ShownName(Item->FileItem.GetPath());
}

QString TResultShow::GetCellText(int Column, int Method) const {
  switch (Column) {
  case ColName:
    return platform::ShownName(Item->FileItem.FileName);
  case ColFolder:
    return GetFolderText();
  case ColSize:
    return FormatSizeKb(Item->FileItem.Size);
  case ColGroup:
    return QString::number(GetGroup(Method));
  default:
    return {};
  }
}

void TResultShow::SetMarked(bool Value) {
  Item->Viewed.Marked = Value && Item->CanTakeMark();
}

bool TResultShow::WantsThumbnail() const {
  return IsPicture && !Item->IsArchiveMember() && !Item->Processed;
}

TSortKind SortKind(int Column) {
  switch (Column) {
  case ColName:
  case ColFolder:
    return TSortKind::Text;
  case ColSize:
  case ColGroup:
    return TSortKind::Number;
  default:
    return TSortKind::None;
  }
}

QString TextSortKey(const TResultShow &Row, int Column, int Method) {
  QString text = Row.GetCellText(Column, Method);
  for (QChar &c : text)
    if (c >= u'A' && c <= u'Z')
      c = QChar(c.unicode() + 32);
  return text;
}

qint64 NumberSortKey(const TResultShow &Row, int Column, int Method) {
  return Column == ColSize ? Row.Item->FileItem.Size : Row.GetGroup(Method);
}
