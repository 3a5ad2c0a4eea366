#pragma once
// The one file filter of the program: name masks, size, date and attributes, each part switched on
// or off on its own. The filter dialog writes it, the first page clears it, gathering reads it.

#include "engine/FileMask.h"

#include <QString>
#include <cstdint>

struct TFileProps;

class TSearchFilter {
public:
  TSearchFilter() { Clear(); }

  bool MaskOn = false;
  QString IncludeMasks;
  QString ExcludeMasks;

  bool SizeOn = false;
  // 0 greater than SizeFrom, 1 less than, 2 equal, 3 between SizeFrom and SizeTo; else any size.
  uint8_t SizeMode = 0;
  // Kilobytes of 1024 bytes.
  int64_t SizeFrom = 0;
  int64_t SizeTo = 0;

  bool DateOn = false;
  // 0 last write, 1 creation, 2 last access; any other value tests the time 0.
  uint8_t DateKind = 0;
  // Days since 30 December 1899 with the time of day as fraction; 0 means no bound.
  double DateFrom = 0;
  double DateTo = 0;

  bool AttrOn = false;
  // "r" read-only, "h" hidden; case-sensitive, other characters are ignored.
  QString IncludeAttrs;
  QString ExcludeAttrs;

  // Every part off, texts empty, bounds 0; SizeMode and DateKind keep their values.
  void Clear();
  bool IsEmpty() const { return !MaskOn && !SizeOn && !DateOn && !AttrOn; }

  // Throws EMaskError for an ill-formed mask.
  bool CheckMask(const QString &FileName) const;
  bool CheckSize(int64_t Size) const;
  bool CheckDate(const TFileProps &Props) const;
  bool CheckAttributes(const TFileProps &Props) const;

private:
  // Parsed forms of the two mask texts, made again whenever a text changed.
  mutable TFileMaskList m_include;
  mutable TFileMaskList m_exclude;
};

// True when the letters hold "r" and the file is read-only, or "h" and it is hidden.
bool AttrLettersMatch(const QString &Letters, const TFileProps &Props);

// The program's one filter.
TSearchFilter &SearchFilter();
