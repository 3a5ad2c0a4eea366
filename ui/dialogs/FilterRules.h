#pragma once
// The rules of the file filter dialog apart from its widgets, so that they run without a window:
// what the controls hold, how they map onto the program's filter and back, which controls are
// enabled, the rule that keeps one end of the date range bounded, and the checks before OK.

#include <QDate>
#include <QString>
#include <optional>

class TSearchFilter;

// The largest size in KB the two size boxes take.
inline constexpr int SizeKbMax = 2147483647;

// The state of the dialog's controls, one field per control.
struct TFilterControls {
  bool MaskSpecify = false;
  // rbtMaskIncluded and rbtMaskExcluded: at most one is set.
  bool MaskIncluded = true;
  bool MaskExcluded = false;
  QString MaskIncludedText;
  QString MaskExcludedText;

  bool SizeSpecify = false;
  // 0 greater than, 1 less than, 2 equal to, 3 between.
  int SizeMode = 0;
  // Kilobytes, 0 to SizeKbMax.
  int SizeFirst = 0;
  int SizeLast = 0;

  bool DateSpecify = false;
  // 0 last write, 1 creation, 2 last access.
  int DateKind = 0;
  bool DateLeftChecked = true;
  QDate DateLeft;
  bool DateRightChecked = true;
  QDate DateRight;

  bool AttrSpecify = false;
  bool ReadOnlyInclude = false;
  bool HiddenInclude = false;
  bool ReadOnlyExclude = false;
  bool HiddenExclude = false;

  bool operator==(const TFilterControls &) const = default;
};

// The controls as the dialog makes them: every part off, both dates Today.
TFilterControls InitialFilterControls(const QDate &Today);

// Shows the parts of Filter that are on; a part that is off leaves its controls as they are.
void LoadFilterControls(const TSearchFilter &Filter, TFilterControls &Controls);

// Clears Filter and stores the parts whose specify radio is checked.
void StoreFilterControls(const TFilterControls &Controls, TSearchFilter &Filter);

// The first problem that keeps OK from storing: which of the six checks failed, the page (0 names,
// 1 size, 2 date, 3 attributes), the control that gets the focus and the message's text id.
struct TFilterProblem {
  int Check;
  int Page;
  const char *Control;
  const char *TextId;
  bool operator==(const TFilterProblem &Other) const;
};
std::optional<TFilterProblem> ValidateFilterControls(const TFilterControls &Controls);

// Which dependent controls are enabled.
struct TFilterEnabling {
  bool Mask = false;      // both mask radios, boxes and select buttons
  bool SizeFirst = false; // cmbSizeSpecify and edtSizeSpecifyFirst
  bool SizeLast = false;  // edtSizeSpecifyLast and lblSizeSpecifyAnd
  bool Date = false;      // both date pickers, cmbDateType and the three date labels
  bool AttrLabels = false;
  bool ReadOnlyInclude = false;
  bool HiddenInclude = false;
  bool ReadOnlyExclude = false;
  bool HiddenExclude = false;
  bool operator==(const TFilterEnabling &) const = default;
};
TFilterEnabling FilterEnabling(const TFilterControls &Controls);

// After a change of one date picker: when neither end is checked any longer, the other end is.
enum class TDateEnd { Left, Right };
void ApplyDateRule(TDateEnd Changed, TFilterControls &Controls);

// Dates as the filter holds them: local days since 30 December 1899.
double DayStartToDays(const QDate &Date);
// The last moment of Date, so that a file changed at any time of that day is inside the bound.
double DayEndToDays(const QDate &Date);
// The day a filter bound lies in.
QDate DaysToDate(double Days);

// "r" for read-only, then "h" for hidden: "", "r", "h" or "rh".
QString AttrLetters(bool ReadOnly, bool Hidden);
