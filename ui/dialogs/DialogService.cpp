#include "ui/dialogs/DialogService.h"

#include "settings/Language.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QWidget>

DialogService &DialogService::instance() {
  static DialogService service;
  return service;
}

void DialogService::reset() {
  m_answers.clear();
  m_whileAsked.clear();
  m_fileNames.clear();
  m_texts.clear();
  m_dialogs.clear();
  m_requests.clear();
  m_beeps = 0;
}

bool DialogService::hasPendingAnswers() const {
  return !m_answers.empty() || !m_fileNames.empty() || !m_texts.empty() || !m_dialogs.empty();
}

QMessageBox::StandardButton DialogService::messageBox(QWidget *owner, QMessageBox::Icon icon,
                                                      const QString &caption, const QString &text,
                                                      QMessageBox::StandardButtons buttons,
                                                      QMessageBox::StandardButton defaultButton) {
  m_requests.push_back({"message", caption, text, {}, icon, defaultButton, owner, {}});
  if (!m_answers.empty()) {
    const auto answer = m_answers.front();
    m_answers.pop_front();
    const std::function<void()> whileAsked = std::move(m_whileAsked.front());
    m_whileAsked.pop_front();
    if (whileAsked)
      whileAsked();
    return answer;
  }
  QMessageBox box(icon, caption, text, buttons, owner);
  box.setDefaultButton(defaultButton);
  // The title bar and Escape give the negative answer.
  if (buttons.testFlag(QMessageBox::No))
    box.setEscapeButton(QMessageBox::No);
  const int result = box.exec();
  if (result == QMessageBox::Cancel || result == 0)
    return buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
  return static_cast<QMessageBox::StandardButton>(result);
}

namespace {
template <typename Dialog> QString takeOr(std::deque<QString> &queue, Dialog &&open) {
  if (!queue.empty()) {
    QString name = queue.front();
    queue.pop_front();
    return name;
  }
  return open();
}
} // namespace

QString DialogService::getOpenFileName(QWidget *owner, const QString &caption, const QString &folder,
                                       const QString &filter) {
  m_requests.push_back({"open", caption, filter, folder, QMessageBox::NoIcon, QMessageBox::NoButton, owner, {}});
  return takeOr(m_fileNames, [&] { return QFileDialog::getOpenFileName(owner, caption, folder, filter); });
}

QString DialogService::getSaveFileName(QWidget *owner, const QString &caption, const QString &folder,
                                       const QString &filter) {
  const QFileDialog::Options options = QFileDialog::DontConfirmOverwrite;
  m_requests.push_back(
      {"save", caption, filter, folder, QMessageBox::NoIcon, QMessageBox::NoButton, owner, options});
  return takeOr(m_fileNames,
                [&] { return QFileDialog::getSaveFileName(owner, caption, folder, filter, nullptr, options); });
}

QString DialogService::getExistingDirectory(QWidget *owner, const QString &caption, const QString &folder) {
  m_requests.push_back({"folder", caption, {}, folder, QMessageBox::NoIcon, QMessageBox::NoButton, owner, {}});
  return takeOr(m_fileNames, [&] { return QFileDialog::getExistingDirectory(owner, caption, folder); });
}

std::optional<QString> DialogService::getText(QWidget *owner, const QString &caption, const QString &label,
                                              const QString &text) {
  m_requests.push_back({"text", caption, label, {}, QMessageBox::NoIcon, QMessageBox::NoButton, owner, {}});
  if (std::optional<QString> answer; takeText(answer))
    return answer;
  bool ok = false;
  const QString result = QInputDialog::getText(owner, caption, label, QLineEdit::Normal, text, &ok);
  if (!ok)
    return std::nullopt;
  return result;
}

std::optional<QString> DialogService::getItem(QWidget *owner, const QString &caption, const QString &label,
                                              const QStringList &items) {
  m_requests.push_back({"item", caption, label, {}, QMessageBox::NoIcon, QMessageBox::NoButton, owner, {}});
  if (std::optional<QString> answer; takeText(answer))
    return answer;
  bool ok = false;
  const QString result = QInputDialog::getItem(owner, caption, label, items, 0, false, &ok);
  if (!ok)
    return std::nullopt;
  return result;
}

bool DialogService::takeText(std::optional<QString> &Answer) {
  if (m_texts.empty())
    return false;
  Answer.swap(m_texts.front());
  m_texts.pop_front();
  return true;
}

int DialogService::execDialog(QDialog &dialog) {
  m_requests.push_back({"dialog",
                        dialog.windowTitle(),
                        dialog.objectName(),
                        {},
                        QMessageBox::NoIcon,
                        QMessageBox::NoButton,
                        dialog.parentWidget(),
                        {}});
  if (!m_dialogs.empty()) {
    auto action = std::move(m_dialogs.front());
    m_dialogs.pop_front();
    return action(dialog);
  }
  return dialog.exec();
}

void DialogService::beep() {
  ++m_beeps;
  QApplication::beep();
}

void ShowInfoFor(QWidget *Owner, const QString &Text) {
  DialogService::instance().messageBox(Owner, QMessageBox::Information, LangText("2045"), Text,
                                       QMessageBox::Ok, QMessageBox::Ok);
}

void Beep() {
  DialogService::instance().beep();
}

void PopupUnder(QWidget *Control, QMenu *Menu) {
  if (QWidget *grabber = QWidget::mouseGrabber())
    grabber->releaseMouse();
  Menu->setProperty("PopupComponent", QVariant::fromValue(static_cast<QObject *>(Control)));
  Menu->popup(Control->mapToGlobal(QPoint(-1, Control->height())));
}
