#pragma once
// A date picker with a check box in front: checked, the date is a bound; unchecked, the bound is
// open and the date is greyed.

#include <QDate>
#include <QWidget>

class QCheckBox;
class QDateEdit;
class QDateTimeEdit;

// Format with every year in four digits: some locales' short dates have two, and a typed "99" would
// then be taken as 2099. Quoted text stays as it is.
QString WithFourDigitYears(const QString &Format);
// The edit's own locale's short date, its years in four digits.
void ShowFourDigitYears(QDateTimeEdit *Edit);

class TCheckedDateEdit : public QWidget {
  Q_OBJECT
public:
  explicit TCheckedDateEdit(QWidget *Parent = nullptr);

  bool IsChecked() const;
  void SetChecked(bool Checked);
  QDate Date() const;
  void SetDate(const QDate &Date);

  QCheckBox *CheckBox() const { return m_check; }
  QDateEdit *DateEdit() const { return m_date; }

signals:
  // The user changed the check box or the date (not sent for SetChecked and SetDate).
  void Changed();

private:
  void ShowChecked();

  QCheckBox *m_check;
  QDateEdit *m_date;
};
