#pragma once
// Text similarity of names and music tags, and the engine's small string routines.

#include <QString>

// Percentage (0 to 100) of two texts after trimming codes below 33, upper-casing and removing the
// separator characters.
double TagSimilarity(const QString &A, const QString &B);
// A tag as TagSimilarity measures it: trimmed, upper-cased, without separators.
QString TagText(const QString &S);
// Percentage (0 to 100) of two texts as they stand: the characters of the longer one covered by common
// pieces of at least 4 characters. Empty texts give 0, equal texts 100.
double TextSimilarity(const QString &A, const QString &B);
// Total length of the common pieces of at least 4 characters, taken longest first (earliest in A among
// equals), each removed from both texts before the next is sought.
int CommonSubstringLength(const QString &A, const QString &B);

// S without its extension: the text from the last "." goes when that "." comes after the last "/",
// "\" and ":".
QString RemoveExtension(const QString &S);
// S with every character found in Set replaced by R, or removed when R is the zero character.
QString ReplaceChars(const QString &S, const QString &Set, QChar R);
void SwapStrings(QString &A, QString &B);

// The 31 separators removed before tags are compared.
const QString &TagSeparators();
