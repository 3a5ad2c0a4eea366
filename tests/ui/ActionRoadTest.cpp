// The action road: marked results to each action, the store folder's checks in their order, Stop,
// the coloured log, and Back from the log to the results.
#include "engine/SearchFilter.h"
#include "engine/StepStorage.h"
#include "platform/Folders.h"
#include "settings/FormatSize.h"
#include "tests/ui/UiTest.h"
#include "ui/results/ResultShow.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QStorageInfo>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>

using namespace uitest;

class ActionRoadTest : public WindowTest {
  Q_OBJECT
  std::unique_ptr<TestDir> m_tree;
  const QByteArray m_letter = "Dear reader, this text appears three times.";

  QString kept() { return m_tree->filePath("docs/letter.txt"); }
  QString copy() { return m_tree->filePath("backup/letter copy.txt"); }
  QString gone() { return m_tree->filePath("backup/old/letter again.txt"); }
  // Three copies of a letter found; both in "backup" marked, one removed before the action.
  void toActionPage() {
    m_tree = std::make_unique<TestDir>();
    m_tree->createFile("docs/letter.txt", m_letter);
    m_tree->createFile("backup/letter copy.txt", m_letter);
    m_tree->createFile("backup/old/letter again.txt", m_letter);
    toFolders({w().cbxSearchMethodCrc}, m_tree->path());
    next();
    QCOMPARE(page(), w().tbsResults);
    TResultModel &rows = w().ResultList().Model();
    QCOMPARE(rows.Count(), 3);
    for (int row = 0; row < rows.Count(); ++row)
      rows.SetChecked(row, rows.GetResultData(row)->Item->FullName().contains("/backup/"));
    QVERIFY(QFile::remove(gone()));
    next();
    QCOMPARE(page(), w().tbsAction);
  }

  void checkLog(bool CopyDone) {
    QCOMPARE(page(), w().tbsLog);
    QVERIFY(!w().btnNext->isEnabled());
    QCOMPARE(w().btnBack->text(), text(2026));
    QVERIFY(w().btnOptions->isEnabled());
    const QTextDocument &log = *w().memLog->document();
    const QColor windowText = w().memLog->palette().color(QPalette::WindowText);
    QStringList lines;
    QList<QColor> colours;
    for (int i = 0; i < w().FileList->Count(); ++i) {
      const TUseFileProperty &item = *w().FileList->GetItem(i);
      if (item.FullName() == copy() && CopyDone) {
        lines << copy() + " - ok";
        colours << windowText;
      } else if (item.FullName() == copy() || item.FullName() == gone()) {
        lines << item.FullName() + " - error";
        colours << QColor(255, 0, 0);
      }
    }
    QCOMPARE(log.blockCount(), 3 + lines.size());
    const qint64 total = CopyDone ? m_letter.size() : 0;
    const QTextBlock first = log.firstBlock();
    QCOMPARE(first.text(), text(20119) + " " + FormatSizeKb(total));
    const QTextCharFormat bold = first.begin().fragment().charFormat();
    QCOMPARE(bold.fontWeight(), int(QFont::Bold));
    QCOMPARE(bold.fontPointSize(), 18.0);
    QVERIFY(!bold.fontUnderline());
    QCOMPARE(bold.foreground().color(), windowText);
    QCOMPARE(first.next().text(), QString());
    const QTextBlock files = first.next().next();
    QCOMPARE(files.text(), text(20120) + " ");
    QVERIFY(files.begin().fragment().charFormat().fontUnderline());
    QVERIFY(files.begin().fragment().charFormat().fontWeight() != int(QFont::Bold));
    QTextBlock line = files.next();
    for (qsizetype i = 0; i < lines.size(); ++i, line = line.next()) {
      QCOMPARE(line.text(), lines[i]);
      const QTextCharFormat format = line.begin().fragment().charFormat();
      QCOMPARE(format.foreground().color(), colours[i]);
      QVERIFY(format.fontWeight() != int(QFont::Bold) && !format.fontUnderline());
    }
  }

  // Back from the log: the processed copy has no check box, the missing one stays marked.
  void checkBackToResults(bool CopyDone) {
    back();
    QCOMPARE(page(), w().tbsResults);
    QCOMPARE(w().ResultSteps->ShownMethod, int(MethodContent));
    TResultModel &rows = w().ResultList().Model();
    QCOMPARE(rows.Count(), 3);
    for (int row = 0; row < rows.Count(); ++row) {
      const QString name = rows.GetResultData(row)->Item->FullName();
      QCOMPARE(rows.HasCheckBox(row), !(CopyDone && name == copy()));
      QCOMPARE(rows.IsChecked(row), name == gone() || (!CopyDone && name == copy()));
    }
    dialogs().setNextAnswer(QMessageBox::Yes);
    back();
    QCOMPARE(page(), w().tbsFolders);
    back();
    back();
    QCOMPARE(page(), w().tbsFirst);
  }

  QString trashed(const QString &Path) {
    return QFile::decodeName(qgetenv("XDG_DATA_HOME")) + "/Trash/files/" + QFileInfo(Path).fileName();
  }

  void tearDown() override {
    SearchFilter().Clear();
    m_tree.reset();
  }

public:
  ActionRoadTest() : WindowTest(TWindow::Shown) {}

private slots:
  void deleteRemovesTheMarkedCopy() {
    toActionPage();
    w().rbtActionDelete->setChecked(true);
    next();
    checkLog(true);
    QVERIFY(!QFileInfo::exists(copy()));
    QVERIFY(!QFileInfo::exists(trashed(copy())));
    QCOMPARE(testenv::ReadFile(kept()), m_letter);
    checkBackToResults(true);
  }

  void recycleSendsTheMarkedCopyToTheTrash() {
    toActionPage();
    // The trash is the choice a new window offers.
    QVERIFY(w().rbtActionDeleteToRecicly->isChecked());
    next();
    checkLog(true);
    QVERIFY(!QFileInfo::exists(copy()));
    QCOMPARE(testenv::ReadFile(trashed(copy())), m_letter);
    QCOMPARE(testenv::ReadFile(kept()), m_letter);
    checkBackToResults(true);
  }

  void moveAndCopyCheckTheStoreInTheirOrder() {
    for (QRadioButton *choice : {w().rbtActionMove, w().rbtActionCopy}) {
      toActionPage();
      choice->setChecked(true);
      next();
      QCOMPARE(page(), w().tbsOpenMoveFolder);
      // Back and Next again keep the choice.
      back();
      QCOMPARE(page(), w().tbsAction);
      next();
      QCOMPARE(page(), w().tbsOpenMoveFolder);

      const QString store = m_tree->createFolder(" store");
      w().edtFolder->setText(m_tree->filePath("no such folder"));
      nextShowing(text(2073));
      w().edtFolder->setText(QStringLiteral("/proc"));
      nextShowing(text(2512));
      QCOMPARE(w().StoreFolder, QStringLiteral("/proc/"));
      // A hidden file and too little room: room is checked first.
      m_tree->createFile(" store/.hidden", "");
      TUseFileProperty *big = nullptr;
      for (int i = 0; i < w().FileList->Count(); ++i)
        if (w().FileList->GetItem(i)->FullName() == gone())
          big = w().FileList->GetItem(i);
      QVERIFY(big);
      const qint64 size = big->FileItem.Size;
      big->FileItem.Size = FreeSpace(store) + (qint64(1) << 30);
      w().edtFolder->setText("  " + store + "  ");
      nextShowing(FormatText(text(2513), {QStorageInfo(store).rootPath()}));
      QCOMPARE(w().StoreFolder, store + "/");
      big->FileItem.Size = size;
      nextShowing(text(2514));
      QCOMPARE(page(), w().tbsOpenMoveFolder);
      QVERIFY(QFile::remove(store + "/.hidden"));

      next();
      checkLog(true);
      QCOMPARE(testenv::ReadFile(store + copy()), m_letter);
      QCOMPARE(QFileInfo::exists(copy()), choice == w().rbtActionCopy);
      QVERIFY(!QFileInfo::exists(store + gone()));
      QCOMPARE(testenv::ReadFile(kept()), m_letter);
      checkBackToResults(true);
    }
  }

  void stopAfterTheFirstFileShowsTheLogSoFar() {
    toActionPage();
    w().rbtActionDelete->setChecked(true);
    dialogs().setNextAnswer(QMessageBox::Yes); // "Stop?"
    QTimer::singleShot(0, this, [this] {
      QCOMPARE(page(), w().tbsDeleting);
      QCOMPARE(w().btnBack->text(), text(2041));
      back();
    });
    next();
    QCOMPARE(messages(text(2046)), 1);
    QCOMPARE(page(), w().tbsLog);
    // The first call after the question ends the run: one file done.
    QCOMPARE(w().memLog->document()->blockCount(), 4);
    int processed = 0;
    for (int i = 0; i < w().FileList->Count(); ++i)
      processed += w().FileList->GetItem(i)->Processed;
    QCOMPARE(processed, w().memLog->document()->lastBlock().text().endsWith(" - ok") ? 1 : 0);
    QVERIFY(w().btnOptions->isEnabled());
  }

  void aStoreFolderThatCannotBeMirroredEndsOnTheLogWithAMessage() {
    toActionPage();
    w().rbtActionCopy->setChecked(true);
    next();
    // A store so deep that no mirrored folder fits below it.
    QString store = m_tree->path();
    while (store.size() < 3900)
      store += "/" + QString(200, QLatin1Char('d'));
    QVERIFY(QDir().mkpath(store));
    w().edtFolder->setText(store);
    dialogs().setNextAnswer(QMessageBox::Ok);
    next();
    QCOMPARE(page(), w().tbsLog);
    const auto &request = dialogs().requests().back();
    QVERIFY(request.text.startsWith(FormatText(text(20125), {store + "/"}).left(40)));
    QVERIFY(request.text.contains(store));
    QCOMPARE(w().memLog->document()->firstBlock().text(), text(20119) + " " + FormatSizeKb(0));
    QVERIFY(!w().FileList->GetItem(0)->Processed);
    QVERIFY(w().FileList->AnyMarked());
    QCOMPARE(w().btnBack->text(), text(2026));
    back();
    QCOMPARE(page(), w().tbsResults);
  }
};

PAIRHOUND_QTEST_MAIN(ActionRoadTest)
#include "ActionRoadTest.moc"
