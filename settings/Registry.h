#pragma once
// Named settings values of the program's store, and the two combo-box histories of the file filter
// dialog. Every call opens the store anew and closes it again: nothing is cached between calls, so
// a value written by one part of the program is seen by the next reader at once.
//
// On Linux the store is QSettings' native INI file ("Brambleworks/Pairhound 1.5.conf" under
// XDG_CONFIG_HOME). Booleans are stored as the integers 0 and 1 and read as true for any non-zero
// number. A reader returns its default when the value is missing or holds no usable value.

#include <QString>
#include <QStringList>

QString RegReadString(const QString &Name, const QString &Default);
int RegReadInteger(const QString &Name, int Default);
bool RegReadBool(const QString &Name, bool Default);

void RegWriteString(const QString &Name, const QString &Value);
void RegWriteInteger(const QString &Name, int Value);
void RegWriteBool(const QString &Name, bool Value);

void RegDeleteValue(const QString &Name);

// The most entries a combo-box history keeps.
inline constexpr int ComboHistoryLimit = 20;

// The stored history of Prefix ("combo-include-ext", "combo-exclude-ext") in the order the combo
// box shows it: the newest entry first. At most ComboHistoryLimit entries are read.
QStringList LoadComboHistoryItems(const QString &Prefix);

// Adds EditText to the history of Prefix when it is neither blank nor already among Items (letter
// case ignored). Items are the combo's entries as shown, newest first. The newest
// ComboHistoryLimit texts are kept, so the next load shows EditText first. Returns whether anything
// was written.
bool SaveComboHistoryItems(const QString &Prefix, const QStringList &Items, const QString &EditText);
