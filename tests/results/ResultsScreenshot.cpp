// Not a test: searches a folder of generated pictures and documents through the window, waits for
// the thumbnails and draws the results page into a PNG file, to look at.
//   pairhound_results_screenshot <output file> [<step: 1 content, 2 pictures>]
#include "engine/StepStorage.h"
#include "tests/support/TestEnv.h"
#include "ui/main/DMMain.h"
#include "ui/main/FolderTree.h"
#include "ui/main/Main.h"
#include "ui/results/ResultShow.h"
#include "ui/results/ResultShowLoadImages.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
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
} // namespace

int main(int argc, char **argv) {
  testenv::IsolateUserFolders();
  QApplication app(argc, argv);
  const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("results.png");
  const int steps = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 2;
  TestDir dir;
  QDir().mkpath(dir.filePath("Holiday 2025"));
  QDir().mkpath(dir.filePath("Phone backup/camera"));
  scene(800, 600, QColor(120, 170, 230), QColor(60, 140, 60), 20)
      .save(dir.filePath("Holiday 2025/beach.jpg"), nullptr, 92);
  scene(800, 600, QColor(120, 170, 230), QColor(60, 140, 60), 20)
      .save(dir.filePath("Phone backup/camera/IMG_0001.jpg"), nullptr, 70);
  scene(400, 300, QColor(122, 168, 228), QColor(62, 138, 60), 21)
      .save(dir.filePath("Phone backup/beach small.png"));
  scene(300, 600, QColor(40, 40, 90), QColor(200, 200, 200), 70).save(dir.filePath("Holiday 2025/night.png"));
  scene(300, 600, QColor(40, 40, 90), QColor(200, 200, 200), 70)
      .save(dir.filePath("Phone backup/camera/IMG_0002.bmp"));
  dir.createFile("Holiday 2025/notes.txt", "Ferry at nine, bring the blue bag.");
  dir.createFile("Phone backup/notes (1).txt", "Ferry at nine, bring the blue bag.");

  TdtmMain dataModule;
  TfrmMain window(testenv::SourceDir());
  window.resize(760, 520);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window))
    qWarning("window not exposed");
  window.ResultList().SetThumbPause(0);
  window.btnNext->click();
  window.cbxSearchMethodCrc->setChecked(true);
  window.cbxSearchMethodImage->setChecked(true);
  window.btnNext->click();
  window.trvFolders->Model()->SetChecked(dir.path(), true);
  window.btnNext->click();
  for (int step = 1; step < steps; ++step)
    window.btnNext->click();
  window.ResultList().Model().SetChecked(1, true);
  window.UpdateResultStatus();
  window.trvResult->setCurrentIndex(window.trvResult->model()->index(0, 0));
  QDeadlineTimer deadline(10000);
  while (window.ResultList().ThumbLoader() && !window.ResultList().ThumbLoader()->isFinished() &&
         !deadline.hasExpired())
    QTest::qWait(20);
  QTest::qWait(100);
  window.grab().save(out);
  return 0;
}
