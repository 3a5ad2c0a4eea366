#pragma once
// Support for the window tests: an isolated process (own settings store and folders), the data
// module, translation folders made at run time, and lookup of controls by their names.

#include "settings/Language.h"
#include "tests/support/TestEnv.h"
#include "ui/dialogs/DialogService.h"
#include "ui/main/DMMain.h"
#include "ui/main/Main.h"

#include "ui/main/FolderTree.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>
#include <memory>

namespace uitest {

// A program folder whose "Language" holds the shipped English file, changed by Edit (each line
// "key=value" may be rewritten, or dropped by returning ""), plus any further files.
class ProgramFolder {
public:
  explicit ProgramFolder(const std::function<QString(const QString &)> &Edit = {}) {
    addLanguage("English.wzl", Edit);
  }
  QString path() const { return m_dir.path(); }
  // Adds a copy of the English file under Name, every line passed through Edit.
  void addLanguage(const QString &Name, const std::function<QString(const QString &)> &Edit) {
    QFile in(testenv::SourceDir() + "/Language/English.wzl");
    QVERIFY(in.open(QIODevice::ReadOnly));
    QStringList lines;
    for (const QString &line : QString::fromUtf8(in.readAll()).split('\n')) {
      const QString edited = Edit ? Edit(line) : line;
      if (!edited.isEmpty())
        lines << edited;
    }
    QVERIFY(!m_dir.createFile("Language/" + Name, lines.join('\n').toUtf8()).isEmpty());
  }

private:
  TestDir m_dir;
};

template <typename T> T *find(QObject *Window, const char *Name) {
  T *child = Window->findChild<T *>(QLatin1String(Name));
  if (!child)
    qWarning("no control %s", Name);
  return child;
}

// A picture with some shapes, so that its grid is not flat; two shades close together look alike.
inline QImage drawing(int Shade) {
  QImage image(120, 90, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.fillRect(10, 10, 50, 40, QColor(Shade, 40, 40));
  painter.fillRect(70, 40, 40, 45, QColor(20, 20, Shade));
  painter.setBrush(Qt::black);
  painter.drawEllipse(30, 55, 25, 25);
  return image;
}

inline DialogService &dialogs() {
  return DialogService::instance();
}

// Each test starts with clean settings, no prepared answers and (unless told otherwise) a fresh main
// window over the shipped English texts; every answer it prepared must have been asked for.
class WindowTest : public QObject {
  Q_OBJECT
public:
  enum class TWindow { None, Hidden, Shown };
  explicit WindowTest(TWindow Window) : m_mode(Window) {}

protected:
  TfrmMain &w() { return *m_window; }
  QString text(int Id) { return w().LangList->GetText(Id); }
  void next() { w().btnNext->click(); }
  void back() { w().btnBack->click(); }
  QWidget *page() { return w().ActivePage(); }
  int messages(const QString &Text) {
    int n = 0;
    for (const auto &request : dialogs().requests())
      n += request.kind == "message" && request.text == Text;
    return n;
  }
  // Next, which shows the message Text once more, answered OK.
  void nextShowing(const QString &Text) {
    const int before = messages(Text);
    dialogs().setNextAnswer(QMessageBox::Ok);
    next();
    QCOMPARE(messages(Text), before + 1);
  }
  // From the first page to the folders page with only Methods ticked and only Folder checked.
  void toFolders(std::initializer_list<QCheckBox *> Methods, const QString &Folder) {
    QCOMPARE(page(), w().tbsFirst);
    w().rbtFirstFind->setChecked(true);
    next();
    QCOMPARE(page(), w().tbsWhat);
    for (QCheckBox *box : {w().cbxSearchMethodCrc, w().cbxSearchMethodImage, w().cbxSearchMethodMp3,
                           w().cbxSearchMethodProperty, w().cbxSearchMethodZero})
      box->setChecked(std::find(Methods.begin(), Methods.end(), box) != Methods.end());
    next();
    QCOMPARE(page(), w().tbsFolders);
    w().trvFolders->Model()->ClearChecks();
    w().trvFolders->Model()->SetChecked(Folder, true);
  }
  virtual void setUp() {}
  virtual void tearDown() {}

private slots:
  void init() {
    testenv::ClearSettings();
    dialogs().reset();
    if (m_mode != TWindow::None) {
      m_folder = std::make_unique<ProgramFolder>();
      m_window = std::make_unique<TfrmMain>(m_folder->path());
      if (m_mode == TWindow::Shown)
        m_window->show();
    }
    setUp();
  }
  void cleanup() {
    const bool unused = dialogs().hasPendingAnswers();
    m_window.reset();
    m_folder.reset();
    tearDown();
    QVERIFY2(!unused, "a prepared answer was not asked for");
  }

private:
  TWindow m_mode;
  std::unique_ptr<ProgramFolder> m_folder;
  std::unique_ptr<TfrmMain> m_window;
};

} // namespace uitest

// A Qt Test main that isolates the process's folders before anything reads them and keeps one data
// module for the whole run.
#define PAIRHOUND_QTEST_MAIN(TestClass)                                                                      \
  int main(int argc, char **argv) {                                                                          \
    testenv::IsolateUserFolders();                                                                           \
    QApplication app(argc, argv);                                                                            \
    QApplication::setQuitOnLastWindowClosed(false);                                                          \
    TdtmMain dataModule;                                                                                     \
    TestClass test;                                                                                          \
    QTEST_SET_MAIN_SOURCE_PATH                                                                               \
    return QTest::qExec(&test, argc, argv);                                                                  \
  }
