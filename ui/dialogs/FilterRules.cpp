#include "ui/dialogs/FilterRules.h"

#include "engine/SearchFilter.h"
#include "settings/StringRoutines.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {
const QDate DayZero(1899, 12, 30);

// A stored size shown in a size box, which holds 0 to SizeKbMax.
int SizeBoxValue(int64_t Kilobytes) {
  return int(std::clamp<int64_t>(Kilobytes, 0, SizeKbMax));
}
} // namespace

TFilterControls InitialFilterControls(const QDate &Today) {
  TFilterControls c;
  c.DateLeft = c.DateRight = Today;
  return c;
}

void LoadFilterControls(const TSearchFilter &Filter, TFilterControls &C) {
  if (Filter.MaskOn) {
    C.MaskSpecify = true;
    C.MaskIncludedText = Filter.IncludeMasks;
    C.MaskExcludedText = Filter.ExcludeMasks;
    // The side with a text is chosen; a filter this dialog stored has exactly one.
    C.MaskIncluded = !C.MaskIncludedText.isEmpty();
    C.MaskExcluded = !C.MaskExcludedText.isEmpty();
    if (C.MaskExcluded)
      C.MaskIncluded = false;
  }
  if (Filter.SizeOn) {
    C.SizeSpecify = true;
    if (Filter.SizeMode <= 3)
      C.SizeMode = Filter.SizeMode;
    C.SizeFirst = SizeBoxValue(Filter.SizeFrom);
    C.SizeLast = SizeBoxValue(Filter.SizeTo);
  }
  if (Filter.DateOn) {
    C.DateSpecify = true;
    if (Filter.DateKind <= 2)
      C.DateKind = Filter.DateKind;
    C.DateLeftChecked = Filter.DateFrom != 0;
    if (C.DateLeftChecked)
      C.DateLeft = DaysToDate(Filter.DateFrom);
    C.DateRightChecked = Filter.DateTo != 0;
    if (C.DateRightChecked)
      C.DateRight = DaysToDate(Filter.DateTo);
  }
  if (Filter.AttrOn) {
    C.AttrSpecify = true;
    C.ReadOnlyInclude = Filter.IncludeAttrs.contains(QLatin1Char('r'));
    C.HiddenInclude = Filter.IncludeAttrs.contains(QLatin1Char('h'));
    C.ReadOnlyExclude = Filter.ExcludeAttrs.contains(QLatin1Char('r'));
    C.HiddenExclude = Filter.ExcludeAttrs.contains(QLatin1Char('h'));
  }
}

void StoreFilterControls(const TFilterControls &C, TSearchFilter &Filter) {
  Filter.Clear();
  if (C.MaskSpecify) {
    Filter.MaskOn = true;
    if (C.MaskIncluded)
      Filter.IncludeMasks = TrimBlanks(C.MaskIncludedText);
    if (C.MaskExcluded)
      Filter.ExcludeMasks = TrimBlanks(C.MaskExcludedText);
  }
  if (C.SizeSpecify) {
    Filter.SizeOn = true;
    Filter.SizeMode = uint8_t(C.SizeMode);
    Filter.SizeFrom = int64_t(C.SizeFirst);
    Filter.SizeTo = int64_t(C.SizeLast);
  }
  if (C.DateSpecify) {
    Filter.DateOn = true;
    Filter.DateKind = uint8_t(C.DateKind);
    if (C.DateLeftChecked)
      Filter.DateFrom = DayStartToDays(C.DateLeft);
    // The filter keeps times up to its upper bound: the whole last day must be inside.
    if (C.DateRightChecked)
      Filter.DateTo = DayEndToDays(C.DateRight);
  }
  if (C.AttrSpecify) {
    Filter.AttrOn = true;
    Filter.IncludeAttrs = AttrLetters(C.ReadOnlyInclude, C.HiddenInclude);
    Filter.ExcludeAttrs = AttrLetters(C.ReadOnlyExclude, C.HiddenExclude);
  }
}

bool TFilterProblem::operator==(const TFilterProblem &Other) const {
  return Check == Other.Check && Page == Other.Page && std::strcmp(Control, Other.Control) == 0 &&
         std::strcmp(TextId, Other.TextId) == 0;
}

std::optional<TFilterProblem> ValidateFilterControls(const TFilterControls &C) {
  if (C.MaskSpecify) {
    if (C.MaskIncluded && TrimBlanks(C.MaskIncludedText).isEmpty())
      return TFilterProblem{1, 0, "cmbMaskIncluded", "2633"};
    if (C.MaskExcluded && TrimBlanks(C.MaskExcludedText).isEmpty())
      return TFilterProblem{2, 0, "cmbMaskExcluded", "2633"};
  }
  if (C.SizeSpecify) {
    if (C.SizeMode == 1 && C.SizeFirst < 1)
      return TFilterProblem{3, 1, "edtSizeSpecifyFirst", "2634"};
    if (C.SizeMode == 3 && C.SizeFirst > C.SizeLast)
      return TFilterProblem{4, 1, "edtSizeSpecifyLast", "2635"};
  }
  if (C.DateSpecify && C.DateLeftChecked && C.DateRightChecked && C.DateRight < C.DateLeft)
    return TFilterProblem{5, 2, "edtDateLeft", "2636"};
  if (C.AttrSpecify && !C.ReadOnlyInclude && !C.HiddenInclude && !C.ReadOnlyExclude && !C.HiddenExclude)
    return TFilterProblem{6, 3, "cbxAttrReadOnlyInclude", "2637"};
  return std::nullopt;
}

TFilterEnabling FilterEnabling(const TFilterControls &C) {
  TFilterEnabling e;
  e.Mask = C.MaskSpecify;
  e.SizeFirst = C.SizeSpecify;
  e.SizeLast = C.SizeSpecify && C.SizeMode == 3;
  e.Date = C.DateSpecify;
  e.AttrLabels = C.AttrSpecify;
  // An attribute can stand in one of the two lists only.
  e.ReadOnlyInclude = C.AttrSpecify && !C.ReadOnlyExclude;
  e.ReadOnlyExclude = C.AttrSpecify && !C.ReadOnlyInclude;
  e.HiddenInclude = C.AttrSpecify && !C.HiddenExclude;
  e.HiddenExclude = C.AttrSpecify && !C.HiddenInclude;
  return e;
}

void ApplyDateRule(TDateEnd Changed, TFilterControls &C) {
  if (C.DateLeftChecked || C.DateRightChecked)
    return;
  if (Changed == TDateEnd::Left)
    C.DateRightChecked = true;
  else
    C.DateLeftChecked = true;
}

double DayStartToDays(const QDate &Date) {
  return double(DayZero.daysTo(Date));
}

double DayEndToDays(const QDate &Date) {
  return std::nextafter(DayStartToDays(Date) + 1, -std::numeric_limits<double>::infinity());
}

QDate DaysToDate(double Days) {
  return DayZero.addDays(qint64(std::floor(Days)));
}

QString AttrLetters(bool ReadOnly, bool Hidden) {
  QString letters;
  if (ReadOnly)
    letters += QLatin1Char('r');
  if (Hidden)
    letters += QLatin1Char('h');
  return letters;
}
