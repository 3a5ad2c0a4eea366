// The RTF writer: its structure, its escapes, and a saved log read back by a real RTF reader.

#include "actions/RtfWriter.h"
#include "tests/support/TestEnv.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

constexpr quint32 WindowText = 0x202020;
constexpr quint32 Red = 0xff0000;

TRtfDocument LogDocument() {
  TRtfDocument doc;
  doc.FontName = "DejaVu Sans";
  doc.PointSize = 10;
  doc.Colours = {WindowText, Red};
  doc.Lines = {{{"Restored: 1.50kb", WindowText, true, false, 18}},
               {},
               {{"Files:", WindowText, false, true, 0}},
               {{"/tmp/a.txt - ok", WindowText}},
               {{"/tmp/b{1}\\c.txt - error", Red}}};
  return doc;
}

TEST(RtfWriter, EscapesEveryCharacterBeyondAsciiAndDropsControlCharacters) {
  TRtfDocument doc;
  doc.Lines = {{{"é€\U0001F600a\tb\x7f", 0}}};
  const QByteArray rtf = WriteRtf(doc);
  // Characters beyond the basic plane are written as their two halves, each a signed 16-bit number.
  EXPECT_TRUE(rtf.contains(" \\u233?\\u8364?\\u-10179?\\u-8704?ab}")) << rtf.constData();
  for (const char c : rtf)
    EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f)) << int(c);
  // A colour met only in a run joins the table after the given ones.
  EXPECT_TRUE(rtf.contains("{\\colortbl ;\\red0\\green0\\blue0;}"));
}

TEST(RtfWriter, SavingReplacesAFileAndReadsBackWithItsLinesAndColours) {
  TestDir dir;
  const QString name = dir.createFile("log.rtf", "an older file of that name");
  QString error;
  ASSERT_TRUE(SaveRtf(LogDocument(), name, &error)) << error.toStdString();
  EXPECT_EQ(testenv::ReadFile(name), WriteRtf(LogDocument()));
  EXPECT_FALSE(SaveRtf(LogDocument(), dir.filePath("no/such/folder/log.rtf"), &error));
  EXPECT_FALSE(error.isEmpty());
  const QString unrtf = QStandardPaths::findExecutable("unrtf");
  if (unrtf.isEmpty())
    GTEST_SKIP() << "unrtf is not installed (scripts/install-deps.sh installs it)";
  QProcess reader;
  reader.start(unrtf, {"--html", name});
  ASSERT_TRUE(reader.waitForFinished(-1));
  const QString html = QString::fromUtf8(reader.readAllStandardOutput());
  EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
  EXPECT_TRUE(html.contains("DejaVu Sans")) << html.toStdString();
  EXPECT_TRUE(html.contains("<b>Restored: 1.50kb</b>"));
  EXPECT_TRUE(html.contains("<u>Files:</u>"));
  EXPECT_TRUE(html.contains("<font color=\"#202020\"><font size=\"2\">/tmp/a.txt - ok"));
  EXPECT_TRUE(html.contains("<font color=\"#ff0000\"><font size=\"2\">/tmp/b{1}\\c.txt - error"));
  // The bold line is larger than the ordinary ones.
  EXPECT_TRUE(html.contains("<font size=\"5\"><b>Restored"));
}

} // namespace
