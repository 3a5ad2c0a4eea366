// The results page's commands in the window: marking by each criterion, by folders and by extensions,
// the selection commands and their beeps, saving the result.
#include "engine/ResultFile.h"
#include "platform/Names.h"
#include "tests/support/TestArchives.h"
#include "tests/ui/UiTest.h"
#include "ui/results/Marker.h"

#include <QListWidget>
#include <QStandardItem>

using namespace uitest;

namespace {

QDateTime year(int Year) {
  return QDateTime(QDate(Year, 6, 1), QTime(12, 0));
}

} // namespace

class MarkingWindowTest : public WindowTest {
  Q_OBJECT
  TResultModel &model() { return w().ResultList().Model(); }
  // The files of the checked rows, relative to the tree, sorted.
  QStringList checkedFiles() {
    QStringList names;
    for (int row = 0; row < model().Count(); ++row) {
      const TUseFileProperty &item = *model().GetResultData(row)->Item;
      const QString name = item.FullName().mid(tree().path().size() + 1);
      // A row whose check and mark differ is listed marked "!", which no expected list holds.
      if (model().IsChecked(row) != item.Viewed.Marked)
        names << "!" + name;
      else if (model().IsChecked(row))
        names << name;
    }
    names.sort();
    return names;
  }
  // Opens the marking dialog from the toolbar and lets Use set it up and press a button.
  void mark(const std::function<void(TfrmMarker &)> &Use) {
    dialogs().setNextDialog([Use](QDialog &Dialog) {
      auto &marker = static_cast<TfrmMarker &>(Dialog);
      Use(marker);
      return marker.result();
    });
    w().btnSelectAutomatically->click();
  }
  void none() { w().btnSelectNone->click(); }
  // Searches the tree for equal contents and similar pictures: the content step is shown.
  void search() {
    toFolders({w().cbxSearchMethodCrc, w().cbxSearchMethodImage});
    next();
    QCOMPARE(page(), w().tbsResults);
    QCOMPARE(w().ResultSteps->ShownMethod, MethodContent);
  }
  QString folder(const char *Relative) { return tree().filePath(Relative); }

  void setUp() override {
    TestDir &t = tree();
    const QByteArray x = "the first text, kept three times over";
    const QByteArray y = "the second text, twice";
    const struct {
      const char *Name;
      QByteArray Data;
      int Year;
    } files[] = {{"docs/x.txt", x, 2001}, {"docs/old/x.txt", x, 2005}, {"backup/x.log", x, 2010},
                 {"docs/y.txt", y, 2010}, {"backup/y.txt", y, 2001},   {"docs/README", "only once", 0}};
    for (const auto &f : files) {
      const QString path = t.createFile(f.Name, f.Data);
      if (f.Year)
        QVERIFY(TestDir::setTimes(path, year(f.Year), year(f.Year)));
    }
    QDir().mkpath(t.filePath("pictures"));
    QVERIFY(drawing(200).save(t.filePath("pictures/small.png")));
    QVERIFY(drawing(205).save(t.filePath("pictures/large.bmp")));
  }

public:
  MarkingWindowTest() : WindowTest(TWindow::Shown) {}

private slots:

  void marksByEachCriterionByFoldersAndByExtensions() {
    search();
    QCOMPARE(shownFiles(),
             QStringList({"backup/x.log", "backup/y.txt", "docs/old/x.txt", "docs/x.txt", "docs/y.txt"}));
    const QString unmarked = w().barResultPanel->text();

    // The earliest modified of each group is kept.
    mark([](TfrmMarker &M) {
      QVERIFY(M.rbtDateCreate->isChecked());
      QCOMPARE(M.cmbDateCreate->currentIndex(), 0);
      QCOMPARE(M.cmbDateUpdate->currentIndex(), 1);
      QCOMPARE(M.cmbSize->currentIndex(), 0);
      QVERIFY(M.cbxNotUseCheked->isChecked());
      M.rbtDateUpdate->setChecked(true);
      M.cmbDateUpdate->setCurrentIndex(0);
      M.btnCriterionsOk->click();
    });
    QCOMPARE(checkedFiles(), QStringList({"backup/x.log", "docs/old/x.txt", "docs/y.txt"}));
    QVERIFY(w().barResultPanel->text() != unmarked);
    // The latest modified; the rows already checked would stay out, so start clean.
    none();
    QCOMPARE(w().barResultPanel->text(), unmarked);
    mark([](TfrmMarker &M) {
      M.rbtDateUpdate->setChecked(true);
      M.btnCriterionsOk->click();
    });
    QCOMPARE(checkedFiles(), QStringList({"backup/y.txt", "docs/old/x.txt", "docs/x.txt"}));

    // Created first: one file of each group stays unmarked, the others are marked.
    none();
    mark([](TfrmMarker &M) { M.btnCriterionsOk->click(); });
    QCOMPARE(checkedFiles().size(), 3);

    // Cancel changes nothing, not even the status line.
    const QStringList before = checkedFiles();
    const QString status = w().barResultPanel->text();
    for (int page = 0; page < 3; ++page)
      mark([page](TfrmMarker &M) {
        M.rbtSize->setChecked(true);
        M.rbtFoldersUnCheck->setChecked(true);
        for (int i = 0; i < M.lbxExtensions->count(); ++i)
          M.lbxExtensions->item(i)->setCheckState(Qt::Checked);
        QPushButton *const cancels[] = {M.btnCriterionsCancel, M.btnFoldersCancel, M.btnExtensionsCancel};
        cancels[page]->click();
      });
    QCOMPARE(checkedFiles(), before);
    QCOMPARE(w().barResultPanel->text(), status);

    // By folders: a folder alone marks only its own files; copying the check down takes its subfolders.
    none();
    mark([this](TfrmMarker &M) {
      M.FolderNode(folder("docs/old"))->setCheckState(Qt::Checked);
      M.btnFoldersOk->click();
    });
    QCOMPARE(checkedFiles(), QStringList({"docs/old/x.txt"}));
    mark([this](TfrmMarker &M) {
      QStandardItem *docs = M.FolderNode(folder("docs"));
      QVERIFY(docs && M.FolderNode(folder("backup")));
      QCOMPARE(M.FolderNode(folder("docs/old"))->parent(), docs);
      docs->setCheckState(Qt::Checked);
      QCOMPARE(M.FolderNode(folder("docs/old"))->checkState(), Qt::Checked);
      M.btnFoldersOk->click();
    });
    QCOMPARE(checkedFiles(), QStringList({"docs/old/x.txt", "docs/x.txt", "docs/y.txt"}));
    mark([this](TfrmMarker &M) {
      M.FolderNode(folder("docs/old"))->setCheckState(Qt::Checked);
      M.rbtFoldersUnCheck->setChecked(true);
      M.btnFoldersOk->click();
    });
    QCOMPARE(checkedFiles(), QStringList({"docs/x.txt", "docs/y.txt"}));

    // By extensions: the list holds the shown rows' extensions.
    none();
    mark([](TfrmMarker &M) {
      QStringList keys;
      for (int i = 0; i < M.lbxExtensions->count(); ++i)
        keys << M.lbxExtensions->item(i)->text();
      QCOMPARE(keys, QStringList({".log", ".txt"}));
      M.lbxExtensions->item(0)->setCheckState(Qt::Checked);
      M.btnExtensionsOk->click();
    });
    QCOMPARE(checkedFiles(), QStringList({"backup/x.log"}));
    w().btnSelectAll->click();
    mark([](TfrmMarker &M) {
      M.lbxExtensions->item(1)->setCheckState(Qt::Checked);
      M.rbtExtensionsUnCheck->setChecked(true);
      M.btnExtensionsOk->click();
    });
    QCOMPARE(checkedFiles(), QStringList({"backup/x.log"}));

    // The pictures step: the largest file of the pair is kept, then the smallest.
    next();
    QCOMPARE(w().ResultSteps->ShownMethod, MethodPictures);
    const qint64 small = QFileInfo(folder("pictures/small.png")).size();
    const qint64 large = QFileInfo(folder("pictures/large.bmp")).size();
    QVERIFY(large > small);
    for (const int kept : {1, 0}) {
      none();
      mark([kept](TfrmMarker &M) {
        M.rbtSize->setChecked(true);
        M.cmbSize->setCurrentIndex(kept);
        M.btnCriterionsOk->click();
      });
      QCOMPARE(checkedFiles(), QStringList({kept == 1 ? "pictures/small.png" : "pictures/large.bmp"}));
    }
  }

  // An extension that is not UTF-8 is listed with its odd byte escaped, and still marks its files;
  // one that is the very text shown lists its backslash doubled and marks only its own file.
  void anExtensionThatIsNotTextShowsEscapedAndMarks() {
    const QByteArray odd = platform::EncodeName(tree().path()) + "/odd/";
    for (const char *name : {"a.caf\xE9", "b.caf\xE9", "c.caf\\xE9"})
      QVERIFY(testenv::WriteRaw(odd + name, "an old file, kept twice"));
    search();
    const QString byte = "caf" + QString(QChar(0xDCE9));
    const struct {
      const char *shown;
      QStringList marked;
    } picks[] = {{".caf\\xE9", {"odd/a." + byte, "odd/b." + byte}}, {".caf\\\\xE9", {"odd/c.caf\\xE9"}}};
    for (const auto &pick : picks) {
      none();
      mark([&pick](TfrmMarker &M) {
        QStringList keys;
        for (int i = 0; i < M.lbxExtensions->count(); ++i) {
          keys << M.lbxExtensions->item(i)->text();
          if (keys.back() == pick.shown)
            M.lbxExtensions->item(i)->setCheckState(Qt::Checked);
        }
        keys.sort();
        QCOMPARE(keys, QStringList({".caf\\\\xE9", ".caf\\xE9", ".log", ".txt"}));
        M.btnExtensionsOk->click();
      });
      QCOMPARE(checkedFiles(), pick.marked);
    }
  }

  void selectionCommandsWorkOnTheFocusedRowAndBeepWithoutOne() {
    search();
    QTreeView *tree = w().trvResult;
    // Rows of one group stand together; the middle row of the three-file group keeps its file.
    int middle = -1;
    for (int row = 1; row + 1 < model().Count(); ++row)
      if (model().GetResultData(row - 1)->GetGroup(MethodContent) ==
          model().GetResultData(row + 1)->GetGroup(MethodContent))
        middle = row;
    QVERIFY(middle > 0);
    tree->setCurrentIndex(model().index(middle, 0));
    w().btnSelectCopies->click();
    QCOMPARE(checkedFiles().size(), 2);
    QVERIFY(!model().IsChecked(middle) && model().IsChecked(middle - 1) && model().IsChecked(middle + 1));
    w().btnSelect->click();
    QCOMPARE(checkedFiles().size(), 3);
    w().mniSelectInvert->trigger();
    QCOMPARE(checkedFiles().size(), 2);
    w().mniSelectInvert->trigger();
    QCOMPARE(checkedFiles().size(), 3);
    w().mniSelectAll->trigger();
    QCOMPARE(checkedFiles().size(), 5);
    w().mniSelectNone->trigger();
    QCOMPARE(checkedFiles().size(), 0);

    // Without a focused row, and with one but on another page, the two commands only beep.
    const int beeps = dialogs().beeps();
    tree->setCurrentIndex(QModelIndex());
    w().btnSelect->click();
    w().btnSelectCopies->click();
    QCOMPARE(dialogs().beeps(), beeps + 2);
    tree->setCurrentIndex(model().index(0, 0));
    w().ShowPage(w().tbsAction);
    w().btnSelectClick();
    w().btnSelectCopiesClick();
    QCOMPARE(dialogs().beeps(), beeps + 4);
    QCOMPARE(checkedFiles().size(), 0);
    w().ShowPage(w().tbsResults);
  }

  // Two duplicate archives that were entered show no check box: no command marks them, the status
  // line does not count them, and the action run never sees them.
  void enteredArchivesTakeNoMarkOnTheWayToTheLog() {
    for (const int Year : {2000, 2003}) {
      const QString pack = folder(Year == 2000 ? "packs/old.zip" : "packs/new.zip");
      QVERIFY(QDir().mkpath(folder("packs")));
      QVERIFY(testarchive::WriteZip(pack, {{"inside.txt", "a member, the same in both archives"}}));
      QVERIFY(TestDir::setTimes(pack, year(Year), year(Year)));
    }
    RegWriteBool("ShowDialogWarningArchive", false);
    toMethods({w().cbxSearchMethodCrc});
    w().cbxSearchArchive->setChecked(true);
    toFolders();
    next();
    QCOMPARE(page(), w().tbsResults);
    const QStringList packs = {"packs/new.zip", "packs/old.zip"};
    QVERIFY(shownFiles().contains(packs[0]) && shownFiles().contains(packs[1]));
    int plain = 0;
    for (int row = 0; row < model().Count(); ++row)
      plain += model().GetResultData(row)->Item->Owner == nullptr;
    const auto markedPacks = [&] {
      int marked = 0;
      for (int i = 0; i < w().FileList->Count(); ++i)
        marked += w().FileList->GetItem(i)->Owner != nullptr && w().FileList->GetItem(i)->Viewed.Marked;
      return marked;
    };

    w().btnSelectAll->click();
    QCOMPARE(markedPacks(), 0);
    QCOMPARE(w().FileList->GetStatistics().MarkedCount, plain);
    QVERIFY2(w().barResultPanel->text().startsWith(QString("Marked %1 of ").arg(plain)),
             qPrintable(w().barResultPanel->text()));
    w().mniSelectInvert->trigger();
    QCOMPARE(markedPacks(), 0);
    QVERIFY(!w().FileList->AnyMarked());
    // The earliest created of each group is kept: new.zip would be marked if it could be.
    mark([](TfrmMarker &M) {
      M.rbtDateCreate->setChecked(true);
      M.cmbDateCreate->setCurrentIndex(0);
      M.btnCriterionsOk->click();
    });
    QCOMPARE(markedPacks(), 0);
    QCOMPARE(checkedFiles().size(), 3);
    for (const QString &file : checkedFiles())
      QVERIFY2(!file.startsWith("packs/"), qPrintable(file));

    // Past the last step to the action page, and deleting: the log names no archive.
    next();
    QCOMPARE(page(), w().tbsAction);
    w().rbtActionDelete->setChecked(true);
    next();
    QCOMPARE(page(), w().tbsLog);
    const QString log = w().memLog->toPlainText();
    QVERIFY2(!log.contains(".zip"), qPrintable(log));
    QVERIFY2(log.contains(" - ok"), qPrintable(log));
    QVERIFY(QFileInfo::exists(folder("packs/old.zip")) && QFileInfo::exists(folder("packs/new.zip")));
  }

  void savingAsksBeforeReplacingAndSaysWhyItFailed() {
    search();
    // A name without an extension gets ".wzr".
    dialogs().setNextFileName(folder("result"));
    w().btnSaveResult->click();
    QVERIFY(QFileInfo::exists(folder("result.wzr")));
    QVERIFY(!QFileInfo::exists(folder("result")));
    QCOMPARE(dialogs().requests().back().kind, QString("save"));
    // An existing file: No writes nothing, Yes replaces it.
    const QString existing = tree().createFile("old.wzr", "keep me");
    dialogs().setNextFileName(existing);
    dialogs().setNextAnswer(QMessageBox::No);
    w().btnSaveResult->click();
    const auto question = dialogs().requests().back();
    QCOMPARE(question.text, text(2098));
    QCOMPARE(question.defaultButton, QMessageBox::No);
    QCOMPARE(testenv::ReadFile(existing), QByteArray("keep me"));
    dialogs().setNextFileName(existing);
    dialogs().setNextAnswer(QMessageBox::Yes);
    w().btnSaveResult->click();
    QVERIFY(QFileInfo(existing).size() > 7);

    // A save that fails says why and names the file once, as names are shown.
    const QString blocked = tree().createFile("not a\\folder", "x") + "/result.wzr";
    dialogs().setNextFileName(blocked);
    dialogs().setNextAnswer(QMessageBox::Ok);
    w().btnSaveResult->click();
    const auto failure = dialogs().requests().back();
    QCOMPARE(failure.kind, QString("message"));
    QCOMPARE(failure.icon, QMessageBox::Warning);
    QCOMPARE(failure.text.count(platform::ShownName(blocked)), 1);
    QVERIFY2(!failure.text.contains(blocked), qPrintable(failure.text));
    QVERIFY(failure.text.size() > blocked.size() + 10);
  }

  // The file may exist only once ".wzr" is added, which the save dialog cannot know: the program's
  // question is the only one, asked once, whichever name was typed.
  void savingOverAnExistingResultAsksOnce() {
    search();
    const QString existing = tree().createFile("again.wzr", "keep me");
    for (const QString &chosen : {folder("again"), existing}) {
      const size_t before = dialogs().requests().size();
      dialogs().setNextFileName(chosen);
      dialogs().setNextAnswer(QMessageBox::No);
      w().btnSaveResult->click();
      const auto &asked = dialogs().requests();
      QCOMPARE(asked.size(), before + 2);
      QCOMPARE(asked[before].kind, QString("save"));
      QVERIFY(asked[before].fileOptions.testFlag(QFileDialog::DontConfirmOverwrite));
      QCOMPARE(asked[before + 1].text, text(2098));
      QCOMPARE(messages(text(2098)), int(chosen == existing) + 1);
      QCOMPARE(testenv::ReadFile(existing), QByteArray("keep me"));
    }
    // A new name asks nothing beyond the dialog.
    const size_t before = dialogs().requests().size();
    dialogs().setNextFileName(folder("fresh"));
    w().btnSaveResult->click();
    QCOMPARE(dialogs().requests().size(), before + 1);
    QVERIFY(QFileInfo::exists(folder("fresh.wzr")));
  }
};

PAIRHOUND_QTEST_MAIN(MarkingWindowTest)
#include "MarkingWindowTest.moc"
