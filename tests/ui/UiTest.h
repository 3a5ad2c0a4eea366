#pragma once
// Support for the window tests: an isolated process (own settings store and folders), the data
// module, translation folders made at run time, lookup of controls by name and the wizard's roads.

#include "engine/SearchFilter.h"
#include "engine/SearchOptions.h"
#include "engine/StepStorage.h"
#include "settings/FileGroupExt.h"
#include "settings/FormatSize.h"
#include "settings/Language.h"
#include "settings/Registry.h"
#include "tests/support/TestEnv.h"
#include "ui/dialogs/AdditionOptions.h"
#include "ui/dialogs/ArchiveInformation.h"
#include "ui/dialogs/CheckDirectorionDialog.h"
#include "ui/dialogs/DialogService.h"
#include "ui/dialogs/Filter.h"
#include "ui/dialogs/NetworkLogin.h"
#include "ui/dialogs/Options.h"
#include "ui/main/DMMain.h"
#include "ui/main/FolderTree.h"
#include "ui/main/Main.h"
#include "ui/main/ResultSteps.h"
#include "ui/results/ResultShow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
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
template <typename T = QAbstractButton> T *in(QWidget &Window, const char *Name) {
  return find<T>(&Window, Name);
}
inline void click(QWidget &Window, const char *Name) {
  in(Window, Name)->click();
}
inline bool checked(QWidget &Window, const char *Name) {
  return in(Window, Name)->isChecked();
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

// Every page of the fixed dialogs in turn, each part of the filter switched on: Use(dialog, name).
inline void forEveryDialogPage(TLangList &Langs, QWidget *Owner,
                               const std::function<void(QWidget &, const QString &)> &Use) {
  TfrmOptions options(Langs, Owner);
  Use(options, "options");
  TfrmCheckDirectorionDialog system(Owner);
  system.memDir->setPlainText("/usr\n/etc");
  Use(system, "system-folders");
  TfrmArchiveInformation archive(Owner);
  Use(archive, "archive");
  TfrmNetworkLogin login(
      Owner, "smb://server/share",
      "Authentication Required\nEnter user and password for share \"share\" on \"server\":");
  using TKind = TfrmNetworkLogin::TKind;
  for (const TKind kind : {TKind::User, TKind::Domain, TKind::Password})
    login.Ask(kind, kind == TKind::User ? "guest" : "");
  login.edtPassword->setText("hidden");
  Use(login, "network-login");
  TfrmFilter filter(Owner);
  for (const char *name : {"rbtMaskSpecify", "rbtSizeSpecify", "rbtDateSpecify", "rbtAttrSpecify"})
    in(filter, name)->setChecked(true);
  TfrmAdditionOptions comparison(Owner);
  for (auto [dialog, pages] :
       {std::pair<QWidget *, QTabWidget *>(&filter, in<QTabWidget>(filter, "pgcFilter")),
        {&comparison, comparison.pgcOptions}})
    for (int i = 0; i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      Use(*dialog, pages->currentWidget()->objectName());
    }
}

// A log's head: the bold total line First, an empty line, then the underlined caption Files.
inline void checkLogHead(const QTextDocument &Log, const QString &First, const QString &Files) {
  const QTextBlock first = Log.firstBlock();
  QCOMPARE(first.text(), First);
  const QTextCharFormat bold = first.begin().fragment().charFormat();
  QCOMPARE(bold.fontWeight(), int(QFont::Bold));
  QCOMPARE(bold.fontPointSize(), 18.0);
  QVERIFY(!bold.fontUnderline());
  QCOMPARE(first.next().text(), QString());
  const QTextCharFormat caption = first.next().next().begin().fragment().charFormat();
  QCOMPARE(first.next().next().text(), Files);
  QVERIFY(caption.fontUnderline() && caption.fontWeight() != int(QFont::Bold));
}

// Each test starts with clean settings and search options, no prepared answers and (unless told
// otherwise) a fresh main window over the shipped English texts; every answer it prepared must have
// been asked for.
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
  // A folder of files for the test, made on first use.
  TestDir &tree() {
    if (!m_tree)
      m_tree = std::make_unique<TestDir>();
    return *m_tree;
  }
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
  // From the first page to the method page with only Methods ticked.
  void toMethods(std::initializer_list<QCheckBox *> Methods) {
    QCOMPARE(page(), w().tbsFirst);
    w().rbtFirstFind->setChecked(true);
    next();
    QCOMPARE(page(), w().tbsWhat);
    for (QCheckBox *box : {w().cbxSearchMethodCrc, w().cbxSearchMethodImage, w().cbxSearchMethodMp3,
                           w().cbxSearchMethodProperty, w().cbxSearchMethodZero})
      box->setChecked(std::find(Methods.begin(), Methods.end(), box) != Methods.end());
  }
  // From the method page to the folders page with only Folder (the tree by default) checked.
  void toFolders(const QString &Folder = {}) {
    next();
    QCOMPARE(page(), w().tbsFolders);
    w().trvFolders->Model()->ClearChecks();
    w().trvFolders->Model()->SetChecked(Folder.isEmpty() ? tree().path() : Folder, true);
  }
  void toFolders(std::initializer_list<QCheckBox *> Methods, const QString &Folder = {}) {
    toMethods(Methods);
    toFolders(Folder);
  }
  // The shown rows as paths inside the tree, sorted.
  QStringList shownFiles() {
    QStringList paths;
    TResultModel &model = w().ResultList().Model();
    for (int row = 0; row < model.Count(); ++row)
      paths << model.GetResultData(row)->Item->FullName().mid(tree().path().size() + 1);
    paths.sort();
    return paths;
  }
  // A properties step over the files /data/f0, f1 ... in the groups Groups, shown on the results page.
  void showStep(std::initializer_list<qint32> Groups) {
    TUseFileList &files = *w().FileList;
    w().ResultSteps->Setup(TWhatFind{MethodProperties});
    for (const qint32 group : Groups) {
      const int index = files.AddFile("/data/", QString("f%1").arg(files.Count()), 10, nullptr);
      files.GetItem(index)->Viewed.SetGroup(MethodProperties, group);
      w().ResultSteps->AddIndex(MethodProperties, index);
    }
    w().StepView().ShowStep(MethodProperties);
    w().ShowPage(w().tbsResults);
  }
  // From the results back to the first page, leaving the results with Yes.
  void leaveResults() {
    dialogs().setNextAnswer(QMessageBox::Yes);
    back();
    QCOMPARE(page(), w().tbsFolders);
    back();
    back();
    QCOMPARE(page(), w().tbsFirst);
  }
  // Runs Body on the dialog Open shows; a dialog left open is closed as by the title bar.
  template <typename Dialog>
  void with(const std::function<void()> &Open, const std::function<void(Dialog &)> &Body) {
    dialogs().setNextDialog([&](QDialog &Shown) {
      auto &dialog = static_cast<Dialog &>(Shown);
      dialog.show();
      if (QTest::qWaitForWindowExposed(&dialog))
        Body(dialog);
      if (dialog.isVisible())
        dialog.reject();
      return dialog.result();
    });
    Open();
  }
  virtual void setUp() {}
  virtual void tearDown() {}

private slots:
  void init() {
    testenv::ClearSettings();
    dialogs().reset();
    SearchFilter().Clear();
    SearchOptions().SetDefaults();
    if (m_mode != TWindow::None) {
      m_folder = std::make_unique<ProgramFolder>();
      m_window = std::make_unique<TfrmMain>(m_folder->path());
      m_window->ResultList().SetThumbPause(0);
      if (m_mode == TWindow::Shown)
        m_window->show();
    }
    setUp();
  }
  void cleanup() {
    const bool unused = dialogs().hasPendingAnswers();
    m_window.reset();
    m_folder.reset();
    m_tree.reset();
    tearDown();
    SearchFilter().Clear();
    SearchOptions().SetDefaults();
    QVERIFY2(!unused, "a prepared answer was not asked for");
  }

private:
  TWindow m_mode;
  std::unique_ptr<ProgramFolder> m_folder;
  std::unique_ptr<TfrmMain> m_window;
  std::unique_ptr<TestDir> m_tree;
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
