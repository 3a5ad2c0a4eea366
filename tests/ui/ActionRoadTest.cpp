// The action road: marked results to each action, the store folder's checks in their order, Stop,
// the coloured log, and Back from the log to the results.
#include "platform/Folders.h"
#include "tests/ui/UiTest.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QStorageInfo>

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

  // The log after the copy was done: the bold total, then the copy's line and the removed file's in red.
  void checkLog() {
    QCOMPARE(page(), w().tbsLog);
    QVERIFY(!w().btnNext->isEnabled());
    QCOMPARE(w().btnBack->text(), text(2026));
    QVERIFY(w().btnOptions->isEnabled());
    const QTextDocument &log = *w().memLog->document();
    checkLogHead(log, text(20119) + " " + FormatSizeKb(m_letter.size()), text(20120) + " ");
    const QColor windowText = w().memLog->palette().color(QPalette::WindowText);
    QCOMPARE(log.blockCount(), 3 + 2);
    QTextBlock line = log.firstBlock().next().next().next();
    for (int i = 0; i < w().FileList->Count(); ++i) {
      const QString name = w().FileList->GetItem(i)->FullName();
      if (name != copy() && name != gone())
        continue;
      QCOMPARE(line.text(), name + (name == copy() ? " - ok" : " (" + text(20130) + ") - error"));
      const QTextCharFormat format = line.begin().fragment().charFormat();
      QCOMPARE(format.foreground().color(), name == copy() ? windowText : QColor(255, 0, 0));
      line = line.next();
    }
  }

  // Back from the log: the processed copy has no check box, the missing one stays marked.
  void checkBackToResults() {
    back();
    QCOMPARE(page(), w().tbsResults);
    QCOMPARE(w().ResultSteps->ShownMethod, int(MethodContent));
    TResultModel &rows = w().ResultList().Model();
    QCOMPARE(rows.Count(), 3);
    for (int row = 0; row < rows.Count(); ++row) {
      const QString name = rows.GetResultData(row)->Item->FullName();
      QCOMPARE(rows.HasCheckBox(row), name != copy());
      QCOMPARE(rows.IsChecked(row), name == gone());
    }
    leaveResults();
  }

  QString trashed(const QString &Path) {
    return QFile::decodeName(qgetenv("XDG_DATA_HOME")) + "/Trash/files/" + QFileInfo(Path).fileName();
  }

  // Two copies of a letter found by Method and saved; Change runs on the saved file, then the result is
  // reopened and the second copy, second(), deleted.
  void reopenAndDeleteTheSecond(QCheckBox *Method, const std::function<void(const QString &Saved)> &Change) {
    m_tree = std::make_unique<TestDir>();
    m_tree->createFile("docs/letter.txt", m_letter);
    m_tree->createFile("backup/letter.txt", m_letter);
    toFolders({Method}, m_tree->path());
    next();
    QCOMPARE(page(), w().tbsResults);
    const QString saved = m_tree->filePath("result.wzr");
    w().FileList->SaveToFile(saved);
    leaveResults();
    Change(saved);
    if (QTest::currentTestFailed())
      return;
    w().rbtFirstOpen->setChecked(true);
    next();
    w().edtResultOpen->setText(saved);
    // Were no group left, the box saying so is answered rather than waited on.
    dialogs().setNextAnswer(QMessageBox::Ok);
    next();
    QVERIFY2(dialogs().hasPendingAnswers(), "the reopened result has no group");
    dialogs().reset();
    QCOMPARE(page(), w().tbsResults);
    TResultModel &rows = w().ResultList().Model();
    QCOMPARE(rows.Count(), 2);
    for (int row = 0; row < rows.Count(); ++row)
      rows.SetChecked(row, rows.GetResultData(row)->Item->FullName() == second());
    next();
    QCOMPARE(page(), w().tbsAction);
    w().rbtActionDelete->setChecked(true);
    next();
    QCOMPARE(page(), w().tbsLog);
  }
  QString second() const { return m_tree->filePath("backup/letter.txt"); }

  void tearDown() override { m_tree.reset(); }

public:
  ActionRoadTest() : WindowTest(TWindow::Shown) {}

private slots:
  void deleteAndRecycleRemoveTheMarkedCopy() {
    for (const bool recycle : {false, true}) {
      toActionPage();
      // The trash is the choice a new window offers.
      QVERIFY(recycle || w().rbtActionDeleteToRecicly->isChecked());
      (recycle ? w().rbtActionDeleteToRecicly : w().rbtActionDelete)->setChecked(true);
      next();
      checkLog();
      QVERIFY(!QFileInfo::exists(copy()));
      QCOMPARE(testenv::ReadFile(trashed(copy())), recycle ? m_letter : QByteArray("<missing>"));
      QCOMPARE(testenv::ReadFile(kept()), m_letter);
      checkBackToResults();
    }
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

      // Each refusal names its fault; the folder stays on the page.
      const QString store = m_tree->createFolder(" store");
      w().edtFolder->setText(m_tree->filePath("no such folder"));
      nextShowing(text(2073));
      w().edtFolder->setText("/proc");
      nextShowing(text(2512));
      QCOMPARE(w().StoreFolder, QString("/proc/"));
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
      QCOMPARE(page(), w().tbsOpenMoveFolder);
      QCOMPARE(w().StoreFolder, store + "/");
      big->FileItem.Size = size;
      nextShowing(text(2514));
      QCOMPARE(page(), w().tbsOpenMoveFolder);
      QVERIFY(QFile::remove(store + "/.hidden"));

      next();
      checkLog();
      QCOMPARE(testenv::ReadFile(store + copy()), m_letter);
      QCOMPARE(QFileInfo::exists(copy()), choice == w().rbtActionCopy);
      QVERIFY(!QFileInfo::exists(store + gone()));
      QCOMPARE(testenv::ReadFile(kept()), m_letter);
      checkBackToResults();
    }
  }

  // Marks taken away after the action page was reached: no action runs over nothing, by either road.
  void anActionWithNothingMarkedIsRefused() {
    for (QRadioButton *choice : {w().rbtActionDelete, w().rbtActionMove}) {
      toActionPage();
      w().ResultList().Model().BeginUpdate();
      for (int row = 0; row < w().ResultList().Model().Count(); ++row)
        w().ResultList().Model().SetChecked(row, false);
      w().ResultList().Model().EndUpdate();
      choice->setChecked(true);
      if (choice == w().rbtActionMove) {
        next();
        w().edtFolder->setText(m_tree->createFolder("store"));
      }
      QWidget *const shown = page();
      nextShowing(text(20105));
      QCOMPARE(page(), shown);
      QCOMPARE(testenv::ReadFile(copy()), m_letter);
      QVERIFY(w().memLog->document()->isEmpty());
      if (choice == w().rbtActionMove)
        back();
      back();
      QCOMPARE(page(), w().tbsResults);
      leaveResults();
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

  // Fault of a run that trusted names: the marked copy edited after the search, or the kept copy
  // removed, and Delete went on all the same.
  void deleteLeavesAChangedFileAndTheLastCopyWithTheirReasons() {
    for (const bool editCopy : {true, false}) {
      toActionPage();
      QVERIFY(QFile::remove(editCopy ? copy() : kept()));
      if (editCopy)
        m_tree->createFile("backup/letter copy.txt", "a longer letter than the one found");
      w().rbtActionDelete->setChecked(true);
      next();
      QCOMPARE(page(), w().tbsLog);
      const QTextBlock line = w().memLog->document()->firstBlock().next().next().next();
      QStringList lines{line.text(), line.next().text()};
      lines.sort();
      QCOMPARE(lines, QStringList({copy() + " (" + text(editCopy ? 20130 : 20131) + ") - error",
                                   gone() + " (" + text(20130) + ") - error"}));
      QCOMPARE(line.begin().fragment().charFormat().foreground().color(), QColor(255, 0, 0));
      QVERIFY(QFileInfo::exists(copy()));
      QCOMPARE(w().memLog->document()->firstBlock().text(), text(20119) + " " + FormatSizeKb(0));
      back();
      leaveResults();
    }
  }

  // Every copy marked: one question, No by default; No goes back to the action page with nothing
  // done, Yes acts. Deleting for good is not offered again by itself.
  void removingEveryCopyOfAGroupAsksOnce() {
    toActionPage();
    TResultModel &rows = w().ResultList().Model();
    back();
    QCOMPARE(page(), w().tbsResults);
    for (int row = 0; row < rows.Count(); ++row)
      rows.SetChecked(row, true);
    next();
    QCOMPARE(page(), w().tbsAction);
    const QString question = FormatText(text(20132), {"1"});
    // A move asks after the store folder passed its checks; No goes back to the action page too.
    w().rbtActionMove->setChecked(true);
    next();
    w().edtFolder->setText(m_tree->createFolder("store"));
    dialogs().setNextAnswer(QMessageBox::No);
    next();
    QCOMPARE(messages(question), 1);
    QCOMPARE(page(), w().tbsAction);
    w().rbtActionDelete->setChecked(true);
    dialogs().setNextAnswer(QMessageBox::No);
    next();
    QCOMPARE(messages(question), 2);
    QCOMPARE(dialogs().requests().back().defaultButton, QMessageBox::No);
    QCOMPARE(page(), w().tbsAction);
    QCOMPARE(testenv::ReadFile(kept()), m_letter);
    QCOMPARE(testenv::ReadFile(copy()), m_letter);

    dialogs().setNextAnswer(QMessageBox::Yes);
    next();
    QCOMPARE(messages(question), 3);
    QCOMPARE(page(), w().tbsLog);
    QVERIFY(!QFileInfo::exists(kept()) && !QFileInfo::exists(copy()));
    back();
    QCOMPARE(page(), w().tbsResults);
    for (int row = 0; row < rows.Count(); ++row)
      rows.SetChecked(row, rows.GetResultData(row)->Item->FullName() == gone());
    next();
    QCOMPARE(page(), w().tbsAction);
    QVERIFY(w().rbtActionDeleteToRecicly->isChecked());
  }

  // A file copied into the store stays in its place and still counts as a copy: deleting its twin
  // asks nothing and goes ahead, while the copied file is still there unchanged.
  void aCopiedFileStillCountsAsACopy() {
    toActionPage();
    w().rbtActionCopy->setChecked(true);
    next();
    w().edtFolder->setText(m_tree->createFolder("store"));
    next();
    QCOMPARE(page(), w().tbsLog);
    back();
    QCOMPARE(page(), w().tbsResults);
    TResultModel &rows = w().ResultList().Model();
    for (int row = 0; row < rows.Count(); ++row)
      rows.SetChecked(row, rows.GetResultData(row)->Item->FullName() == kept());
    next();
    w().rbtActionDelete->setChecked(true);
    next();
    QCOMPARE(messages(FormatText(text(20132), {"1"})), 0);
    QCOMPARE(page(), w().tbsLog);
    QCOMPARE(w().memLog->document()->lastBlock().text(), kept() + " - ok");
    QCOMPARE(testenv::ReadFile(copy()), m_letter);
  }

  // A copy of 1 GiB answers Pause and Stop while it runs: paused it writes nothing, stopped its partial
  // copy goes, the file stays, and the log says so.
  void pauseAndStopDuringALargeCopy() {
    // Two copies of 1 GiB found; the one in "backup" marked.
    m_tree = std::make_unique<TestDir>();
    const qint64 size = qint64(1) << 30;
    const QByteArray block(1 << 20, 'g');
    const QString kept = m_tree->filePath("docs/big.bin"), big = m_tree->filePath("backup/big copy.bin");
    for (const QString &path : {kept, big}) {
      QDir().mkpath(QFileInfo(path).path());
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      for (qint64 written = 0; written < size; written += block.size())
        QCOMPARE(file.write(block), block.size());
    }
    toFolders({w().cbxSearchMethodCrc}, m_tree->path());
    next();
    QCOMPARE(page(), w().tbsResults);
    TResultModel &rows = w().ResultList().Model();
    QCOMPARE(rows.Count(), 2);
    for (int row = 0; row < rows.Count(); ++row)
      rows.SetChecked(row, rows.GetResultData(row)->Item->FullName() == big);
    next();
    QCOMPARE(page(), w().tbsAction);
    const QDateTime modified = QFileInfo(big).lastModified();
    w().rbtActionCopy->setChecked(true);
    next();
    const QString store = m_tree->createFolder("store");
    w().edtFolder->setText(store);
    // Pause as soon as the copy has begun to write; while paused it writes nothing; then Stop.
    QTimer watch;
    watch.setInterval(5);
    qint64 pausedAt = -1;
    bool stillWhilePaused = false;
    connect(&watch, &QTimer::timeout, this, [&] {
      QDirIterator it(store, {".pairhound-*"}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
      const qint64 written = it.hasNext() ? QFileInfo(it.next()).size() : -1;
      if (pausedAt < 0) {
        if (written > 0) {
          next(); // Pause
          pausedAt = written;
        }
        return;
      }
      watch.stop();
      stillWhilePaused = written == pausedAt && w().btnNext->text() == text(2050);
      dialogs().setNextAnswer(QMessageBox::Yes); // "Stop?"
      back();
    });
    watch.start();
    next();
    watch.stop();
    QVERIFY(stillWhilePaused);
    QCOMPARE(page(), w().tbsLog);
    QCOMPARE(messages(text(2046)), 1);
    const QTextDocument &log = *w().memLog->document();
    QTextBlock line = log.findBlock(log.toPlainText().indexOf(big));
    QCOMPARE(line.text(), big + " - " + text(20145));
    QCOMPARE(line.begin().fragment().charFormat().foreground().color(), QColor(255, 0, 0));
    // Nothing of the copy is left in the store; the file is as it was.
    QDirIterator left(store, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    QVERIFY(!left.hasNext());
    QCOMPARE(QFileInfo(big).size(), size);
    QCOMPARE(QFileInfo(big).lastModified(), modified);
    QFile again(big);
    QVERIFY(again.open(QIODevice::ReadOnly));
    QVERIFY(again.seek(size - block.size()));
    QCOMPARE(again.read(block.size()), block);
    for (int i = 0; i < w().FileList->Count(); ++i)
      QVERIFY(!w().FileList->GetItem(i)->Processed);
  }

  // A reopened result: the marked file was touched after the result was saved, so it is no longer the
  // file the result saw.
  void aReopenedFileTouchedSinceTheSaveIsLeftAlone() {
    reopenAndDeleteTheSecond(w().cbxSearchMethodProperty, [this](const QString &) {
      QVERIFY(TestDir::setTimes(second(), QDateTime::fromSecsSinceEpoch(1300000000),
                                QDateTime::fromSecsSinceEpoch(1300000000)));
    });
    if (QTest::currentTestFailed())
      return;
    QCOMPARE(w().memLog->document()->lastBlock().text(), second() + " (" + text(20130) + ") - error");
    QCOMPARE(testenv::ReadFile(second()), m_letter);
    QCOMPARE(testenv::ReadFile(m_tree->filePath("docs/letter.txt")), m_letter);
  }

  // A result saved by an older version holds no file times: its unchanged files are acted on, once
  // their content was read again.
  void aResultOfAnOlderVersionActsOnItsUnchangedFiles() {
    reopenAndDeleteTheSecond(w().cbxSearchMethodCrc, [](const QString &Saved) {
      QString text = QString::fromUtf8(testenv::ReadFile(Saved));
      QCOMPARE(text.count("<Main_Modified="), 2);
      text.remove(QRegularExpression("<Main_Modified=[-0-9]*>"));
      QFile file(Saved);
      QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size());
    });
    if (QTest::currentTestFailed())
      return;
    QCOMPARE(w().memLog->document()->lastBlock().text(), second() + " - ok");
    QVERIFY(!QFileInfo::exists(second()));
    QCOMPARE(testenv::ReadFile(m_tree->filePath("docs/letter.txt")), m_letter);
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
    QCOMPARE(w().btnBack->text(), text(2026));
    back();
    QCOMPARE(page(), w().tbsResults);
  }
};

PAIRHOUND_QTEST_MAIN(ActionRoadTest)
#include "ActionRoadTest.moc"
