#include "engine/SearchFilter.h"

#include "engine/UsePropertyFile.h"

#include <limits>

void TSearchFilter::Clear() {
  MaskOn = SizeOn = DateOn = AttrOn = false;
  IncludeMasks.clear();
  ExcludeMasks.clear();
  IncludeAttrs.clear();
  ExcludeAttrs.clear();
  SizeFrom = SizeTo = 0;
  DateFrom = DateTo = 0;
}

bool TSearchFilter::CheckMask(const QString &FileName) const {
  if (!MaskOn)
    return true;
  bool r = true;
  if (!IncludeMasks.isEmpty()) {
    if (m_include.Text() != IncludeMasks)
      m_include = TFileMaskList(IncludeMasks);
    r = m_include.Matches(FileName);
  }
  if (!r || ExcludeMasks.isEmpty())
    return r;
  if (m_exclude.Text() != ExcludeMasks)
    m_exclude = TFileMaskList(ExcludeMasks);
  return !m_exclude.Matches(FileName);
}

namespace {

// Kilobytes to bytes; a bound beyond the 64-bit range stays at its end instead of wrapping.
int64_t KilobytesToBytes(int64_t Kilobytes) {
  int64_t bytes = 0;
  if (__builtin_mul_overflow(Kilobytes, int64_t(1024), &bytes))
    return Kilobytes < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  return bytes;
}

} // namespace

bool TSearchFilter::CheckSize(int64_t Size) const {
  if (!SizeOn)
    return true;
  const int64_t from = KilobytesToBytes(SizeFrom);
  const int64_t to = KilobytesToBytes(SizeTo);
  switch (SizeMode) {
  case 0:
    return Size > from;
  case 1:
    return Size < from;
  case 2:
    return Size == from;
  case 3:
    return from <= Size && Size <= to;
  default:
    return true;
  }
}

bool TSearchFilter::CheckDate(const TFileProps &Props) const {
  if (!DateOn)
    return true;
  double t = 0;
  switch (DateKind) {
  case 0:
    t = Props.Modified;
    break;
  case 1:
    t = Props.Created;
    break;
  case 2:
    t = Props.Accessed;
    break;
  default:
    break;
  }
  if (DateFrom != 0 && DateFrom > t)
    return false;
  return DateTo == 0 || DateTo >= t;
}

bool AttrLettersMatch(const QString &Letters, const TFileProps &Props) {
  return (Letters.contains(QLatin1Char('r')) && Props.ReadOnly) ||
         (Letters.contains(QLatin1Char('h')) && Props.Hidden);
}

bool TSearchFilter::CheckAttributes(const TFileProps &Props) const {
  if (!AttrOn)
    return true;
  bool r = true;
  if (!IncludeAttrs.isEmpty())
    r = AttrLettersMatch(IncludeAttrs, Props);
  if (!r || ExcludeAttrs.isEmpty())
    return r;
  return !AttrLettersMatch(ExcludeAttrs, Props);
}

TSearchFilter &SearchFilter() {
  static TSearchFilter filter;
  return filter;
}
