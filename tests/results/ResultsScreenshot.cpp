// Not a test: searches a generated folder through the window and draws the results page into a PNG
// file, to look at.
//   pairhound_results_screenshot <output file> [<scene>]
// Scenes: 1 (documents, content step), 2 (pictures step with thumbnails; the default), menu (documents
// and pictures, the list's pop-up menu open), marker (the marking dialog's three pages, into
// <output file> with -1, -2 and -3 before its extension).
#include "engine/StepStorage.h"
#include "tests/support/TestEnv.h"
#include "ui/main/DMMain.h"
#include "ui/main/FolderTree.h"
#include "ui/main/Main.h"
#include "ui/results/Marker.h"
#include "ui/results/ResultShow.h"
#include "ui/results/ResultShowLoadImages.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTest>

namespace {
QImage scene(int Width, int Height, QColor Sky, QColor Ground, int Sun) {
  QImage image(Width, Height, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.fillRect(0, 0, Width, Height * 3 / 5, Sky);
  painter.fillRect(0, Height * 3 / 5, Width, Height, Ground);
  painter.setBrush(QColor(250, 210, 60));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPoint(Sun * Width / 100, Height / 4), Width / 10, Width / 10);
  painter.setBrush(QColor(90, 60, 40));
  painter.drawRect(Width / 2, Height / 2, Width / 6, Height / 4);
  return image;
}

void pictures(TestDir &Dir) {
  QDir().mkpath(Dir.filePath("Holiday 2025"));
  QDir().mkpath(Dir.filePath("Phone backup/camera"));
  const QImage day = scene(800, 600, QColor(120, 170, 230), QColor(60, 140, 60), 20);
  day.save(Dir.filePath("Holiday 2025/beach.jpg"), nullptr, 92);
  day.save(Dir.filePath("Phone backup/camera/IMG_0001.jpg"), nullptr, 70);
  scene(400, 300, QColor(122, 168, 228), QColor(62, 138, 60), 21)
      .save(Dir.filePath("Phone backup/beach small.png"));
  const QImage night = scene(300, 600, QColor(40, 40, 90), QColor(200, 200, 200), 70);
  night.save(Dir.filePath("Holiday 2025/night.png"));
  night.save(Dir.filePath("Phone backup/camera/IMG_0002.bmp"));
  Dir.createFile("Holiday 2025/notes.txt", "Ferry at nine, bring the blue bag.");
  Dir.createFile("Phone backup/notes (1).txt", "Ferry at nine, bring the blue bag.");
}

// The same report kept in three places, Count times over, each copy of the same name and size.
void reports(TestDir &Dir, int Count) {
  for (int i = 0; i < Count; ++i)
    for (const char *folder : {"Documents", "Backup 2024", "USB stick/old"})
      Dir.createFile(QStringLiteral("%1/report %2.txt").arg(folder).arg(i, 3, 10, QLatin1Char('0')),
                     QByteArray("Quarterly report number ") + QByteArray::number(i));
}

} // namespace

int main(int argc, char **argv) {
  const QString mode = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("2");
  testenv::IsolateUserFolders();
  QApplication app(argc, argv);
  const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("results.png");
  TestDir dir;
  pictures(dir);
  if (mode == "menu" || mode == "marker")
    reports(dir, 4);

  TdtmMain dataModule;
  TfrmMain window(testenv::SourceDir());
  window.resize(760, 520);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window))
    qWarning("window not exposed");
  window.ResultList().SetThumbPause(0);
  window.btnNext->click();
  window.cbxSearchMethodCrc->setChecked(true);
  window.cbxSearchMethodImage->setChecked(mode != "marker");
  window.btnNext->click();
  window.trvFolders->Model()->SetChecked(dir.path(), true);
  window.btnNext->click();
  QTreeView *tree = window.trvResult;
  if (mode == "2")
    window.btnNext->click();
  window.ResultList().Model().SetChecked(1, true);
  window.UpdateResultStatus();
  QDeadlineTimer deadline(10000);
  while (window.ResultList().ThumbLoader() && !window.ResultList().ThumbLoader()->isFinished() &&
         !deadline.hasExpired())
    QTest::qWait(20);
  QTest::qWait(100);
  if (mode == "marker") {
    TfrmMarker marker(window.ResultList().Model(), *window.LangList, {}, &window);
    marker.show();
    if (!QTest::qWaitForWindowExposed(&marker))
      qWarning("dialog not exposed");
    const QFileInfo file(out);
    for (int page = 0; page < 3; ++page) {
      marker.pgcMain->setCurrentIndex(page);
      if (page == 1 && marker.m_folders->rowCount() > 0)
        marker.FolderNode(dir.path() + "/Backup 2024")->setCheckState(Qt::Checked);
      QTest::qWait(50);
      marker.grab().save(file.path() + "/" + file.completeBaseName() + QStringLiteral("-%1.").arg(page + 1) +
                         file.suffix());
    }
    return 0;
  }
  QImage shot = window.grab().toImage();
  if (mode == "menu") {
    const QRect row = tree->visualRect(tree->model()->index(2, 1));
    const QPoint at = tree->viewport()->mapTo(&window, row.center());
    window.mnuResults->popup(window.mapToGlobal(at));
    QTest::qWait(100);
    QPainter painter(&shot);
    painter.drawPixmap(at, window.mnuResults->grab());
  }
  shot.save(out);
  return 0;
}
