#include "settings/Registry.h"

#include "settings/StringRoutines.h"

#include <QSettings>

namespace {

// The program's store, opened for one call; going out of scope writes it out and closes it.
class TStore : public QSettings {
public:
  TStore() : QSettings(QStringLiteral("Brambleworks"), QStringLiteral("Pairhound 1.5")) {}
};

QString countName(const QString &Prefix) {
  return Prefix + QStringLiteral("_count");
}
QString itemName(const QString &Prefix, int i) {
  return Prefix + QStringLiteral("_item") + QString::number(i);
}

} // namespace

QString RegReadString(const QString &Name, const QString &Default) {
  const TStore store;
  const QVariant v = store.value(Name);
  if (!v.isValid())
    return Default;
  // A hand-edited line with unquoted commas reads as a list; give back the text as written.
  if (v.typeId() == QMetaType::QStringList)
    return v.toStringList().join(QLatin1Char(','));
  return v.toString();
}

int RegReadInteger(const QString &Name, int Default) {
  const TStore store;
  const QVariant v = store.value(Name);
  if (!v.isValid())
    return Default;
  // The INI file gives integers back as text; anything that is not a whole number is no value.
  bool ok = false;
  const int n = v.toString().trimmed().toInt(&ok);
  return ok ? n : Default;
}

bool RegReadBool(const QString &Name, bool Default) {
  const int missing = Default ? 1 : 0;
  return RegReadInteger(Name, missing) != 0;
}

void RegWriteString(const QString &Name, const QString &Value) {
  TStore store;
  store.setValue(Name, Value);
}

void RegWriteInteger(const QString &Name, int Value) {
  TStore store;
  store.setValue(Name, Value);
}

void RegWriteBool(const QString &Name, bool Value) {
  RegWriteInteger(Name, Value ? 1 : 0);
}

void RegDeleteValue(const QString &Name) {
  TStore store;
  store.remove(Name);
}

QStringList LoadComboHistoryItems(const QString &Prefix) {
  const int n = qMin(RegReadInteger(countName(Prefix), 0), ComboHistoryLimit);
  QStringList items;
  // Index 0 is the oldest entry and ends up at the bottom.
  for (int i = 0; i < n; ++i)
    items.prepend(RegReadString(itemName(Prefix, i), QString()));
  return items;
}

bool SaveComboHistoryItems(const QString &Prefix, const QStringList &Items, const QString &EditText) {
  const QString text = TrimBlanks(EditText);
  if (text.isEmpty())
    return false;
  for (const QString &item : Items)
    if (item.compare(text, Qt::CaseInsensitive) == 0)
      return false;

  QStringList newestFirst{text};
  for (const QString &item : Items) {
    if (newestFirst.size() == ComboHistoryLimit)
      break;
    newestFirst << TrimBlanks(item);
  }

  const int old = RegReadInteger(countName(Prefix), 0);
  for (int i = 0; i < old; ++i)
    RegDeleteValue(itemName(Prefix, i));
  const int count = int(newestFirst.size());
  RegWriteInteger(countName(Prefix), count);
  // Stored oldest first, as the loader expects.
  for (int i = 0; i < count; ++i)
    RegWriteString(itemName(Prefix, i), newestFirst.at(count - 1 - i));
  return true;
}
