// The mapping between a name's bytes and text, and the platform's file calls on names that are not
// UTF-8: each must reach the file with exactly its bytes.
#include "platform/FileInfo.h"
#include "platform/Folders.h"
#include "platform/Names.h"
#include "platform/Shell.h"
#include "tests/support/TestEnv.h"

#include <QHash>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

using platform::DecodeName;
using platform::EncodeName;

TEST(NameMapping, EveryByteStringComesBackAndValidUtf8DecodesAsBefore) {
  QRandomGenerator random(25);
  // Bytes drawn mostly from the ranges where UTF-8 goes wrong, so that cut and overlong sequences,
  // encoded surrogates and stray continuation bytes all occur.
  static const unsigned char pool[] = {'a', '/', '.', 0x80, 0x8F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0,
                                       0xED, 0xEF, 0xBB, 0xF0, 0xF4, 0xF5, 0xFF, 0x90, 0x9F, 0x00, 0x7F};
  for (int round = 0; round < 20000; ++round) {
    QByteArray bytes;
    const int length = int(random.bounded(12));
    for (int i = 0; i < length; ++i)
      bytes += char(random.bounded(4) == 0 ? random.bounded(256) : pool[random.bounded(int(sizeof pool))]);
    const QString text = DecodeName(bytes);
    ASSERT_EQ(EncodeName(text), bytes) << bytes.toHex().toStdString();
    // Valid UTF-8 is exactly the text it always gave; other bytes never decode to what UTF-8 could give.
    const QString utf8 = QString::fromUtf8(bytes);
    if (utf8.toUtf8() == bytes)
      ASSERT_EQ(text, utf8) << bytes.toHex().toStdString();
    else
      ASSERT_NE(EncodeName(utf8), bytes);
  }
  // Any text without lone surrogates encodes as UTF-8 and decodes back to itself.
  for (int round = 0; round < 2000; ++round) {
    QString text;
    const int length = int(random.bounded(8));
    for (int i = 0; i < length; ++i) {
      const char32_t code = char32_t(random.bounded(2) ? random.bounded(0x800) : random.bounded(0x10FFFF));
      if (code >= 0xD800 && code <= 0xDFFF)
        continue;
      text += QString::fromUcs4(&code, 1);
    }
    ASSERT_EQ(EncodeName(text), text.toUtf8());
    ASSERT_EQ(DecodeName(text.toUtf8()), text);
  }
  // A byte order mark is part of a name.
  EXPECT_EQ(EncodeName(DecodeName("\xEF\xBB\xBFx")), QByteArray("\xEF\xBB\xBFx"));
  EXPECT_EQ(DecodeName("caf\xE9"), QStringLiteral("caf") + QChar(0xDCE9));
}

// Names built from pieces that could look alike when shown: each shows as no other name does, and
// with nothing that would end its line or turn it around.
TEST(NameMapping, DifferentNamesNeverShowAlikeNorBreakTheLine) {
  static const char *const pieces[] = {
      "\\",           "x",        "u",        "E9",           "0A",       "2028",
      "202E",         "0085",     "\xE9",     "\n",           "\x7F",     "\xE2\x80\xA8",
      "\xE2\x80\xAE", "\xC2\x85", "\xC0\x85", "\xE2\x81\xA6", "\xD8\x9C", "a"};
  QRandomGenerator random(31);
  QHash<QString, QByteArray> shownBy;
  for (int round = 0; round < 20000; ++round) {
    QByteArray bytes;
    const int length = int(random.bounded(7));
    for (int i = 0; i < length; ++i)
      bytes += pieces[random.bounded(int(std::size(pieces)))];
    const QString shown = platform::ShownName(DecodeName(bytes));
    ASSERT_EQ(shownBy.value(shown, bytes).toHex(), bytes.toHex()) << "shown alike";
    shownBy.insert(shown, bytes);
    // Every piece that is not ASCII is an odd byte or breaks the line: all of them are written out.
    for (const QChar c : shown)
      ASSERT_TRUE(c.unicode() >= 0x20 && c.unicode() < 0x7F) << shown.toStdString();
  }
}

// Each platform call that names a file takes the bytes of the mapping.
TEST(NameMapping, PlatformCallsReachTheFileByItsOwnBytes) {
  TestDir dir;
  const QByteArray root = EncodeName(dir.path()) + '/';
  const QString bin = QStandardPaths::findExecutable("cp");
  for (const QByteArray &odd : testenv::OddNames()) {
    const QByteArray folder = root + odd + "-dir";
    const QByteArray file = folder + '/' + odd + ".txt";
    ASSERT_TRUE(testenv::WriteRaw(file, "content of " + odd));
    const QString name = DecodeName(file);

    platform::TInputFile input(name);
    ASSERT_TRUE(input.IsOpen()) << odd.toHex().toStdString();
    char buffer[64];
    EXPECT_EQ(QByteArray(buffer, int(input.Read(buffer, sizeof buffer))), "content of " + odd);
    TFileProps props;
    EXPECT_TRUE(platform::ReadFileProps(name, props));
    EXPECT_GT(FreeSpace(DecodeName(folder) + "/not yet/made"), 0);
    EXPECT_EQ(ComparableFolder(DecodeName(folder)), folder + '/');
    EXPECT_TRUE(ForceFolderChain(DecodeName(folder + "/a/" + odd)));
    EXPECT_EQ(CreateFolderExclusive(DecodeName(folder + "/x" + odd)), 0);
    EXPECT_EQ(platform::FileUrl(name), "file://" + QString::fromLatin1(file.toPercentEncoding("/")));

    // Opening with a program hands it the very bytes.
    const QByteArray copy = folder + "/copy";
    ASSERT_TRUE(platform::StartProgram(bin, {name, DecodeName(copy)}));
    for (int i = 0; i < 500 && testenv::ReadRaw(copy) != "content of " + odd; ++i)
      QThread::msleep(10);
    EXPECT_EQ(testenv::ReadRaw(copy), "content of " + odd);

    EXPECT_TRUE(DeleteFolderTree(DecodeName(folder)));
    EXPECT_NE(::access(folder.constData(), F_OK), 0);
  }
}
