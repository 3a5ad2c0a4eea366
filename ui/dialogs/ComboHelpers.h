#pragma once
// Combo boxes over the settings' item lists: the two mask histories of the file filter dialog and
// the language choice of the options dialog.

#include <QString>

class QComboBox;
class TLangList;

// Replaces the combo's items by the stored history of Prefix; its edit text stays.
void LoadComboHistory(const QString &Prefix, QComboBox *Combo);

// Stores the combo's edit text in the history of Prefix (when new); the combo itself is unchanged.
void SaveComboHistory(const QString &Prefix, QComboBox *Combo);

// Fills the combo with the language names and selects the current one (none when it is missing).
void FillComboBox(const TLangList &Langs, QComboBox *Combo);
