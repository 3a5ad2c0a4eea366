#pragma once
// Small text routines shared by the translations and the search engine.

#include <QString>

// S with every occurrence of Old replaced by New. After each replacement the search starts again
// from the earliest place where a new occurrence could have formed, so a replacement that closes up
// a new Old is replaced too. An empty Old leaves S as it is; a New that holds Old is put in once
// per original occurrence.
QString ReplaceAll(const QString &Old, const QString &New, const QString &S);

// S without leading and trailing blanks and control characters (every character up to U+0020).
QString TrimBlanks(const QString &S);
