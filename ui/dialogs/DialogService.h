#pragma once
// The one door to every modal message box, file dialog, folder dialog and modal window of the
// program, so that tests can answer them in advance and never wait on a modal window.
//
// A test queues answers (setNextAnswer, setNextFileName, setNextText, setNextDialog); each modal
// request takes the oldest queued answer of its kind instead of opening a window. Without a queued
// answer the real window opens.

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

class QDialog;
class QMenu;
class QWidget;

class DialogService {
public:
  static DialogService &instance();

  // A message box. Returns the button pressed (Escape or the title bar give the escape answer:
  // No for Yes/No boxes).
  QMessageBox::StandardButton messageBox(QWidget *owner, QMessageBox::Icon icon, const QString &caption,
                                         const QString &text, QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton defaultButton);

  // File and folder dialogs; "" means cancelled.
  QString getOpenFileName(QWidget *owner, const QString &caption, const QString &folder,
                          const QString &filter);
  // The dialog never asks about a file that exists: the caller adds the default extension first,
  // which the dialog cannot know, and then asks its own question or replaces the file.
  QString getSaveFileName(QWidget *owner, const QString &caption, const QString &folder,
                          const QString &filter);
  QString getExistingDirectory(QWidget *owner, const QString &caption, const QString &folder);

  // A line of text (Ok) or nothing (Cancel).
  std::optional<QString> getText(QWidget *owner, const QString &caption, const QString &label,
                                 const QString &text = QString());
  // One of Items (Ok) or nothing (Cancel).
  std::optional<QString> getItem(QWidget *owner, const QString &caption, const QString &label,
                                 const QStringList &items);

  // Shows a window of our own modally; returns its exec() result.
  int execDialog(QDialog &dialog);

  // The system's default beep.
  void beep();

  // --- Answers given in advance (tests) ---
  // WhileAsked runs when the box is asked, before the answer is given.
  void setNextAnswer(QMessageBox::StandardButton answer, std::function<void()> whileAsked = {}) {
    m_answers.push_back(answer);
    m_whileAsked.push_back(std::move(whileAsked));
  }
  // For the next file or folder dialog; "" answers Cancel.
  void setNextFileName(const QString &name) { m_fileNames.push_back(name); }
  // For the next getText/getItem; std::nullopt answers Cancel.
  void setNextText(std::optional<QString> text) { m_texts.push_back(std::move(text)); }
  // Runs instead of exec() for the next modal window; its result is the dialog's result.
  void setNextDialog(std::function<int(QDialog &)> action) { m_dialogs.push_back(std::move(action)); }
  // Forgets queued answers and the records below.
  void reset();

  // --- What was asked (tests) ---
  struct Request {
    QString kind; // "message", "open", "save", "folder", "text", "item", "dialog"
    QString caption;
    QString text;   // message text, label, or dialog object name
    QString folder; // folder the file or folder dialog started in
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QWidget *owner = nullptr;
    QFileDialog::Options fileOptions; // what a file or folder dialog was opened with
  };
  const std::vector<Request> &requests() const { return m_requests; }
  int beeps() const { return m_beeps; }
  // True while answers of any kind are still queued.
  bool hasPendingAnswers() const;

private:
  DialogService() = default;
  bool takeText(std::optional<QString> &Answer);
  std::deque<QMessageBox::StandardButton> m_answers;
  std::deque<std::function<void()>> m_whileAsked;
  std::deque<QString> m_fileNames;
  std::deque<std::optional<QString>> m_texts;
  std::deque<std::function<int(QDialog &)>> m_dialogs;
  std::vector<Request> m_requests;
  int m_beeps = 0;
};

// The information box of the program over Owner: Text, caption text 2045, OK, information icon.
void ShowInfoFor(QWidget *Owner, const QString &Text);

// The system's default beep; commands that find nothing to act on use it.
void Beep();

// Pops Menu up under Control: at the control's lower-left corner, one pixel to the left.
void PopupUnder(QWidget *Control, QMenu *Menu);
