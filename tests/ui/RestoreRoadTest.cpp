// The restore road: the store folder and its refusals, the list and its status line, the
// selection commands, the run, its log and saving it.
#include "platform/Names.h"
#include "tests/ui/UiTest.h"
#include "ui/main/RestoreList.h"

#include <QSet>

using namespace uitest;

namespace {

// Every node of the restore list in display order.
QList<QModelIndex> AllNodes(const QAbstractItemModel &Model, const QModelIndex &Parent = {}) {
  QList<QModelIndex> nodes;
  for (int row = 0; row < Model.rowCount(Parent); ++row) {
    const QModelIndex node = Model.index(row, 0, Parent);
    nodes << node << AllNodes(Model, node);
  }
  return nodes;
}

} // namespace

class RestoreRoadTest : public WindowTest {
  Q_OBJECT
public:
  RestoreRoadTest() : WindowTest(TWindow::Shown) {}

private:
  TestDir m_dir;
  QString m_storeName = QStringLiteral("store");
  QString store() const { return m_dir.filePath(m_storeName); }
  QString place(const QString &Relative) const { return m_dir.filePath(QStringLiteral("src/") + Relative); }
  // A file stored as the Move action stores it.
  QString storeFile(const QString &Relative, const QByteArray &Contents) {
    return m_dir.createFile(m_storeName + place(Relative), Contents);
  }
  QString status(qint64 Checked, qint64 Total, qint64 CheckedSize, qint64 TotalSize) {
    return FormatText(text(243) + QStringLiteral("  "), {QString::number(Checked), QString::number(Total),
                                                         FormatSizeKb(CheckedSize), FormatSizeKb(TotalSize)});
  }
  bool openStore(const QString &Folder) {
    w().edtFolderRestore->setText(Folder);
    next();
    return page() == w().tbsRestoreFiles;
  }
  void refused(const QString &Folder, int TextId) {
    dialogs().setNextAnswer(QMessageBox::Ok);
    QVERIFY(!openStore(Folder));
    QCOMPARE(page(), w().tbsOpenRestoreFolder);
    QCOMPARE(dialogs().requests().back().text, text(TextId));
  }
  bool loaded() { return w().btnNext->isEnabled(); }

private slots:
  void aStoreIsRestoredThroughEveryPage() {
    w().rbtFirstRecovery->setChecked(true);
    next();
    QCOMPARE(page(), w().tbsOpenRestoreFolder);
    // Which folders are stores is tested without the window; here each refusal once.
    refused(m_dir.filePath(QStringLiteral("no such folder")), 2073);
    refused(m_dir.createFile(QStringLiteral("a file"), "x"), 2073);
    m_dir.createFile(QStringLiteral("notastore/readme.txt"), "x");
    refused(m_dir.filePath(QStringLiteral("notastore")), 2511);

    // 25 files: 22 free places, two taken, one in a folder whose place is gone.
    QStringList free;
    for (int i = 0; i < 22; ++i)
      storeFile(free.emplace_back(QStringLiteral("kept/f%1.txt").arg(i, 2, 10, QLatin1Char('0'))), "1234");
    const QString takenStored = storeFile(QStringLiteral("kept/taken1.txt"), "stored");
    storeFile(QStringLiteral("kept/taken2.txt"), "stored");
    m_dir.createFile(QStringLiteral("src/kept/taken1.txt"), "already there");
    m_dir.createFile(QStringLiteral("src/kept/taken2.txt"), "already there");
    storeFile(QStringLiteral("gone/deep/g.txt"), "12345678");
    QDir(place(QStringLiteral("gone"))).removeRecursively();
    const qint64 total = 22 * 4 + 2 * 6 + 8;

    QVERIFY(openStore(store()));
    QTRY_VERIFY(loaded());
    QCOMPARE(w().barRestoreFilesPanel->text(), status(0, 25, 0, total));

    TRestoreModel &model = w().RestoreModel();
    const QList<QModelIndex> nodes = AllNodes(model);
    QModelIndex taken, goneFolder, aFile;
    for (const QModelIndex &node : nodes) {
      const TRestoreFileShow *show = model.GetRestoreData(node);
      if (show->StorePath == takenStored)
        taken = node;
      if (show->OriginalPath == place(QStringLiteral("gone/")))
        goneFolder = node;
      if (show->IsFile && show->State == TRestoreState::None && !aFile.isValid())
        aFile = node;
    }
    QVERIFY(taken.isValid() && goneFolder.isValid());
    // Taken places in red, a folder whose place is gone greyed, the rest in the usual colour.
    QCOMPARE(model.GetRestoreData(taken)->State, TRestoreState::TakenPlace);
    QCOMPARE(taken.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
    QCOMPARE(model.GetRestoreData(goneFolder)->State, TRestoreState::FolderGone);
    QCOMPARE(goneFolder.data(Qt::ForegroundRole).value<QBrush>().color(),
             QApplication::palette().color(QPalette::Disabled, QPalette::Text));
    QVERIFY(!aFile.data(Qt::ForegroundRole).isValid());

    // The selection commands and a check by the user, each shown in the status line at once.
    w().btnRestoreSelectAll->click();
    QCOMPARE(w().barRestoreFilesPanel->text(), status(25, 25, total, total));
    w().btnRestoreSelectInvert->click();
    QCOMPARE(w().barRestoreFilesPanel->text(), status(0, 25, 0, total));
    w().btnRestoreSelectNone->click();
    QCOMPARE(w().barRestoreFilesPanel->text(), status(0, 25, 0, total));
    w().btnRestoreSelectInvert->click();
    QCOMPARE(w().barRestoreFilesPanel->text(), status(25, 25, total, total));
    model.setData(aFile, Qt::Unchecked, Qt::CheckStateRole);
    const qint64 aFileSize = model.GetRestoreData(aFile)->Size;
    QCOMPARE(w().barRestoreFilesPanel->text(), status(24, 25, total - aFileSize, total));
    w().trvRestoreFiles->setCurrentIndex(aFile);
    w().btnRestoreSelect->click();
    QCOMPARE(w().barRestoreFilesPanel->text(), status(25, 25, total, total));

    // The run: taken places are kept, the missing folder is made.
    w().cbxRestoreCopyExist->setChecked(false);
    next();
    QCOMPARE(page(), w().tbsRestoreLog);
    QCOMPARE(w().RestoreModel().rowCount(), 0);
    QCOMPARE(testenv::ReadFile(place(free.back())), QByteArray("1234"));
    QCOMPARE(testenv::ReadFile(place(QStringLiteral("gone/deep/g.txt"))), QByteArray("12345678"));
    QCOMPARE(testenv::ReadFile(place(QStringLiteral("kept/taken1.txt"))), QByteArray("already there"));
    QCOMPARE(testenv::ReadFile(takenStored), QByteArray("stored"));

    // The log: the bold total (the taken places not counted), then one line per file.
    QTextDocument *doc = w().memRestoreLog->document();
    QCOMPARE(doc->blockCount(), 3 + 25);
    checkLogHead(*doc, text(2515) + QLatin1Char(' ') + FormatSizeKb(22 * 4 + 8), text(20120) + " ");
    int red = 0;
    for (QTextBlock line = doc->begin().next().next().next(); line.isValid(); line = line.next()) {
      const bool error = line.text().endsWith(QLatin1String(" - error"));
      QVERIFY(error || line.text().endsWith(QLatin1String(" - ok")));
      QCOMPARE(line.begin().fragment().charFormat().foreground().color() == QColor(255, 0, 0), error);
      red += error;
    }
    QCOMPARE(red, 2);

    // Saved under a name without an extension: name + ".rtf", rich text with the lines.
    dialogs().setNextFileName(m_dir.filePath(QStringLiteral("restore log")));
    w().btnRestoreLogSave->click();
    const QByteArray rtf = testenv::ReadFile(m_dir.filePath(QStringLiteral("restore log.rtf")));
    QVERIFY(rtf.startsWith("{\\rtf1"));
    QVERIFY(rtf.contains((place(QStringLiteral("kept/taken1.txt")) + QStringLiteral(" - error")).toUtf8()));
    QCOMPARE(dialogs().requests().back().kind, QStringLiteral("save"));
    // Saved again over it: replaced without a question, from the dialog or the program.
    const size_t asked = dialogs().requests().size();
    QFile::resize(m_dir.filePath(QStringLiteral("restore log.rtf")), 3);
    dialogs().setNextFileName(m_dir.filePath(QStringLiteral("restore log")));
    w().btnRestoreLogSave->click();
    QCOMPARE(dialogs().requests().size(), asked + 1);
    QVERIFY(dialogs().requests().back().fileOptions.testFlag(QFileDialog::DontConfirmOverwrite));
    QCOMPARE(testenv::ReadFile(m_dir.filePath(QStringLiteral("restore log.rtf"))), rtf);

    back();
    QCOMPARE(page(), w().tbsFirst);
  }

  // Stored files whose names are not UTF-8 are listed with their odd bytes escaped, go back under
  // their own bytes, and the log and its saved copy (under such a name too) show them escaped. A name
  // that spells such an escape, and one holding a line feed, read alike in the list and the log.
  void namesThatAreNotTextAreListedEscapedAndRestored() {
    m_storeName = QStringLiteral("odd store");
    const QByteArray src = platform::EncodeName(place(QString()));
    const QByteArray stored = platform::EncodeName(store()) + src;
    for (const QByteArray &odd : testenv::OddNames())
      QVERIFY(testenv::WriteRaw(stored + odd + "/" + odd + ".txt", odd));
    const QByteArray spelled[] = {"caf\xE9/caf\\xE9.txt", "caf\xE9/line\nfeed.txt"};
    for (const QByteArray &name : spelled)
      QVERIFY(testenv::WriteRaw(stored + name, name));
    w().rbtFirstRecovery->setChecked(true);
    next();
    QVERIFY(openStore(store()));
    QTRY_VERIFY(loaded());
    TRestoreModel &model = w().RestoreModel();
    QStringList shown;
    for (const QModelIndex &node : AllNodes(model)) {
      const TRestoreFileShow *show = model.GetRestoreData(node);
      if (!show->IsFile)
        continue;
      shown << node.data().toString();
      QCOMPARE(node.data(Qt::ToolTipRole).toString(), platform::ShownName(show->OriginalPath));
    }
    shown.sort();
    QCOMPARE(shown, QStringList({"\\x80.txt", "\\xFF\\xFE.txt", "caf\\\\xE9.txt", "caf\\xE9.txt",
                                 "cut\\xE2\\x82.txt", "line\\x0Afeed.txt", "over\\xC0\\xAF.txt"}));
    w().btnRestoreSelectAll->click();
    next();
    QCOMPARE(page(), w().tbsRestoreLog);
    for (const QByteArray &odd : testenv::OddNames())
      QCOMPARE(testenv::ReadRaw(src + odd + "/" + odd + ".txt"), odd);
    for (const QByteArray &name : spelled)
      QCOMPARE(testenv::ReadRaw(src + name), name);
    const QString log = w().memRestoreLog->toPlainText();
    const QStringList lines = log.split(QLatin1Char('\n'));
    for (const char *line :
         {"caf\\xE9/caf\\xE9.txt", "caf\\xE9/caf\\\\xE9.txt", "caf\\xE9/line\\x0Afeed.txt"})
      QVERIFY2(lines.contains(place(QString()) + line + " - ok"), qPrintable(log));
    const QByteArray saved = platform::EncodeName(m_dir.path()) + "/log \xE9.rtf";
    dialogs().setNextFileName(platform::DecodeName(saved));
    w().btnRestoreLogSave->click();
    QVERIFY(testenv::ReadRaw(saved).startsWith("{\\rtf1"));
    back();
    m_storeName = QStringLiteral("store");
  }

  void aNewLoadReplacesOneStillRunningAndClosingDuringALoadEndsCleanly() {
    m_storeName = QStringLiteral("big store");
    const int files = 3000;
    for (int i = 0; i < files; ++i)
      storeFile(QStringLiteral("d%1/f%2").arg(i % 30).arg(i), "x");
    w().rbtFirstRecovery->setChecked(true);
    next();
    QVERIFY(openStore(store()));
    back();
    QVERIFY(openStore(store()));
    back();
    QVERIFY(openStore(store()));
    QTRY_VERIFY(loaded());
    const QList<QModelIndex> nodes = AllNodes(w().RestoreModel());
    QSet<QString> paths;
    int fileNodes = 0;
    for (const QModelIndex &node : nodes) {
      const TRestoreFileShow *show = w().RestoreModel().GetRestoreData(node);
      paths.insert(show->StorePath);
      fileNodes += show->IsFile;
    }
    QCOMPARE(fileNodes, files);
    QCOMPARE(paths.size(), nodes.size());
    QCOMPARE(w().barRestoreFilesPanel->text(), status(0, files, 0, files));

    back();
    QVERIFY(openStore(store()));
    w().close();
  }
};

PAIRHOUND_QTEST_MAIN(RestoreRoadTest)
#include "RestoreRoadTest.moc"
