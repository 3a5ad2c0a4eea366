// Draws every page of the main window and the dialogs into PNG files, to look at the layout:
//   pairhound_screenshots <output folder>
// Uses the shipped translations of the source tree and a throw-away settings store.
#include "engine/ScanFiles.h"
#include "platform/Names.h"
#include "tests/ui/UiTest.h"
#include "ui/dialogs/FilterGroupExt.h"

#include <QMessageBox>
#include <QSet>

#include <sys/stat.h>
#include <unistd.h>

namespace {
void save(QWidget *widget, const QString &file) {
  widget->show();
  if (!QTest::qWaitForWindowExposed(widget))
    qWarning("window not exposed");
  QTest::qWait(100);
  widget->grab().save(file);
}
} // namespace

int main(int argc, char **argv) {
  testenv::IsolateUserFolders();
  QApplication app(argc, argv);
  const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
  QDir().mkpath(out);
  TdtmMain dataModule;
  TfrmMain window(testenv::SourceDir());
  for (int i = 0; i < window.pgcMain->count(); ++i) {
    QWidget *page = window.pgcMain->widget(i);
    window.ShowPage(page);
    save(&window,
         out + QStringLiteral("/page-%1-%2.png").arg(i + 1, 2, 10, QLatin1Char('0')).arg(page->objectName()));
  }
  // A store to restore from: a file whose place is taken (red), a folder whose place is gone (grey),
  // a folder whose place became a link, then the log of the run.
  {
    TestDir files;
    const QString source = files.filePath(QStringLiteral("src"));
    const QString store = files.filePath(QStringLiteral("store"));
    for (const char *name :
         {"Photos/2004/beach.jpg", "Photos/2004/dunes.jpg", "Photos/notes.txt", "letter.odt"})
      files.createFileOfSize(QStringLiteral("store") + source + QLatin1Char('/') + QLatin1String(name),
                             30000);
    files.createFileOfSize(QStringLiteral("store") + source + QStringLiteral("/Old/report.pdf"), 120000);
    files.createFile(QStringLiteral("src/letter.odt"), "already back");
    files.createFileOfSize(QStringLiteral("store") + source + QStringLiteral("/Shared/plan.txt"), 5000);
    QFile::link(files.createFolder(QStringLiteral("elsewhere")), source + QStringLiteral("/Shared"));
    files.createFolder(QStringLiteral("src/Photos/2004"));
    window.ShowPage(window.tbsOpenRestoreFolder);
    window.edtFolderRestore->setText(store);
    window.btnNext->click();
    (void)QTest::qWaitFor([&] { return window.btnNext->isEnabled(); }, 10000);
    window.trvRestoreFiles->expandAll();
    window.btnRestoreSelectAll->click();
    save(&window, out + QStringLiteral("/restore-files.png"));
    window.cbxRestoreCopyExist->setChecked(false);
    window.btnNext->click();
    save(&window, out + QStringLiteral("/restore-log.png"));
    window.ShowPage(window.tbsFirst);
  }
  // Folders and files whose names are not UTF-8, beside a pipe, a link, a name with a backslash and one
  // with a line feed: the folders page with one checked, its results, then the trash's log for every
  // copy but the first of its group.
  {
    TestDir files;
    const QByteArray root = platform::EncodeName(files.path()) + '/';
    for (const char *name : {"caf\xE9/chanson.mp3", "caf\xE9/chanson copie.mp3", "Musik \xC4rger/Lied.txt",
                             "Musik \xC4rger/Lied \xFF.txt", "caf\\xE9/line\nfeed.mp3"})
      testenv::WriteRaw(root + name, QByteArray(5000, 'x'));
    ::mkfifo((root + "caf\xE9/pipe.mp3").constData(), 0644);
    ::symlink((root + "caf\xE9/chanson.mp3").constData(), (root + "caf\xE9/link.mp3").constData());
    window.ShowPage(window.tbsWhat);
    window.cbxSearchMethodCrc->setChecked(true);
    window.ShowPage(window.tbsFolders);
    window.trvFolders->Model()->ClearChecks();
    window.trvFolders->Reveal(platform::DecodeName(root + "caf\xE9"));
    window.trvFolders->Model()->SetChecked(files.path(), true);
    save(&window, out + QStringLiteral("/folders-odd-names.png"));
    window.btnNext->click();
    save(&window, out + QStringLiteral("/results-odd-names.png"));
    TResultModel &rows = window.ResultList().Model();
    QSet<qint32> seen;
    for (int row = 0; row < rows.Count(); ++row) {
      const qint32 group = rows.GetResultData(row)->Item->Viewed.GetGroup(MethodContent);
      rows.SetChecked(row, seen.contains(group));
      seen.insert(group);
    }
    window.btnNext->click();
    window.rbtActionDeleteToRecicly->setChecked(true);
    window.btnNext->click();
    (void)QTest::qWaitFor([&] { return window.pgcMain->currentWidget() == window.tbsLog; }, 20000);
    save(&window, out + QStringLiteral("/log-odd-names.png"));
    window.ShowPage(window.tbsFirst);
  }
  // Every page of the dialogs; the file groups, then so many that they scroll.
  CreateFileGroupList();
  uitest::forEveryDialogPage(*window.LangList, &window, [&](QWidget &Dialog, const QString &Name) {
    save(&Dialog, out + QStringLiteral("/dialog-%1.png").arg(Name));
  });
  for (const int count : {8, 30}) {
    FileGroupList->SaveToRegistry();
    RegWriteInteger(QStringLiteral("group-ext-count"), count);
    FileGroupList->LoadFromRegistry();
    TfrmFilterGroupExt groups(&window);
    save(&groups, out + QStringLiteral("/dialog-groups-%1.png").arg(count));
  }
  FreeFileGroupList();
  return 0;
}
