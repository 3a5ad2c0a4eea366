#include "ui/dialogs/CheckedDateEdit.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLocale>
#include <QSignalBlocker>

QString WithFourDigitYears(const QString &Format) {
  QString out;
  bool quoted = false;
  for (qsizetype i = 0; i < Format.size();) {
    const QChar c = Format[i];
    if (c == QLatin1Char('y') && !quoted) {
      while (i < Format.size() && Format[i] == QLatin1Char('y'))
        ++i;
      out += QStringLiteral("yyyy");
      continue;
    }
    if (c == QLatin1Char('\''))
      quoted = !quoted;
    out += c;
    ++i;
  }
  return out;
}

void ShowFourDigitYears(QDateTimeEdit *Edit) {
  Edit->setDisplayFormat(WithFourDigitYears(Edit->locale().dateFormat(QLocale::ShortFormat)));
}

TCheckedDateEdit::TCheckedDateEdit(QWidget *Parent) : QWidget(Parent) {
  m_check = new QCheckBox(this);
  m_check->setChecked(true);
  m_date = new QDateEdit(this);
  m_date->setCalendarPopup(true);
  ShowFourDigitYears(m_date);
  // Day 0 of the filter's dates means "no bound": keep clear of it.
  m_date->setMinimumDate(QDate(1900, 1, 1));
  auto *layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(m_check);
  layout->addWidget(m_date, 1);
  ShowChecked();
  connect(m_check, &QCheckBox::toggled, this, [this] {
    ShowChecked();
    emit Changed();
  });
  connect(m_date, &QDateEdit::dateChanged, this, &TCheckedDateEdit::Changed);
}

bool TCheckedDateEdit::IsChecked() const {
  return m_check->isChecked();
}

void TCheckedDateEdit::SetChecked(bool Checked) {
  const QSignalBlocker blocker(m_check);
  m_check->setChecked(Checked);
  ShowChecked();
}

QDate TCheckedDateEdit::Date() const {
  return m_date->date();
}

void TCheckedDateEdit::SetDate(const QDate &Date) {
  const QSignalBlocker blocker(m_date);
  m_date->setDate(Date);
}

void TCheckedDateEdit::ShowChecked() {
  m_date->setEnabled(m_check->isChecked());
  // The focus goes where a key does something.
  setFocusProxy(m_check->isChecked() ? static_cast<QWidget *>(m_date) : m_check);
}
