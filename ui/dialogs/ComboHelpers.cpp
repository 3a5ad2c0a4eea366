#include "ui/dialogs/ComboHelpers.h"

#include "settings/Language.h"
#include "settings/Registry.h"

#include <QComboBox>

void LoadComboHistory(const QString &Prefix, QComboBox *Combo) {
  const QString editText = Combo->currentText();
  Combo->clear();
  Combo->addItems(LoadComboHistoryItems(Prefix));
  if (Combo->isEditable())
    Combo->setEditText(editText);
}

void SaveComboHistory(const QString &Prefix, QComboBox *Combo) {
  QStringList items;
  items.reserve(Combo->count());
  for (int i = 0; i < Combo->count(); ++i)
    items << Combo->itemText(i);
  SaveComboHistoryItems(Prefix, items, Combo->currentText());
}

void FillComboBox(const TLangList &Langs, QComboBox *Combo) {
  Combo->clear();
  Combo->addItems(Langs.GetLanguageNames());
  Combo->setCurrentIndex(Langs.GetCurrentIndex());
}
