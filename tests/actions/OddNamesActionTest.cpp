// The four actions and the restore on files whose names are not UTF-8: each acts on exactly that file,
// never on the file whose name Qt's own encoding would have made of it.

#include "actions/RestoreRun.h"
#include "platform/Names.h"
#include "tests/actions/ActionFixture.h"

#include <dirent.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::DecodeName;
using platform::EncodeName;

namespace {

class OddNameActions : public ActionFixture, public ::testing::WithParamInterface<TAction> {
protected:
  struct TOdd {
    QByteArray path;
    QByteArray contents;
    ino_t inode = 0;
  };
  // A file src/<odd>/<odd>.txt per odd name, on the list and marked, and beside each the file Qt's
  // encoding of its text would name, which no action may touch.
  QList<TOdd> addOddFiles() {
    QList<TOdd> odd;
    const QByteArray src = EncodeName(source(QString()));
    for (const QByteArray &name : testenv::OddNames()) {
      TOdd file{src + name + "/" + name + ".txt", "odd " + name.toHex(), 0};
      EXPECT_TRUE(testenv::WriteRaw(file.path, file.contents));
      const QByteArray decoy = QFile::encodeName(DecodeName(file.path));
      EXPECT_NE(decoy, file.path);
      EXPECT_TRUE(testenv::WriteRaw(decoy, "decoy"));
      struct stat st {};
      EXPECT_EQ(::lstat(file.path.constData(), &st), 0);
      file.inode = st.st_ino;
      const QString text = DecodeName(file.path);
      const qsizetype slash = text.lastIndexOf('/');
      TUseFileProperty &item = *list.GetItem(
          list.AddFile(text.left(slash + 1), text.mid(slash + 1), file.contents.size(), nullptr));
      item.Viewed.Marked = true;
      item.FileItem.SetIdentity(testenv::IdentityNow(file.path));
      odd << file;
    }
    return odd;
  }
  // The trash's record of the file with this inode: its Path line, unescaped to bytes.
  static QByteArray trashedPath(ino_t Inode) {
    const QByteArray trash = EncodeName(QFile::decodeName(qgetenv("XDG_DATA_HOME"))) + "/Trash/";
    DIR *files = ::opendir((trash + "files").constData());
    if (!files)
      return "<no trash>";
    QByteArray found = "<not trashed>";
    while (const dirent *e = ::readdir(files)) {
      struct stat st {};
      if (::lstat((trash + "files/" + e->d_name).constData(), &st) != 0 || st.st_ino != Inode)
        continue;
      const QByteArray info = testenv::ReadRaw(trash + "info/" + e->d_name + ".trashinfo");
      for (const QByteArray &line : info.split('\n'))
        if (line.startsWith("Path=")) {
          char *path = g_uri_unescape_string(line.mid(5).constData(), nullptr);
          found = path ? QByteArray(path) : QByteArray("<undecodable>");
          g_free(path);
        }
    }
    ::closedir(files);
    return found;
  }
};

TEST_P(OddNameActions, ActOnExactlyThatFileAndMoveBackUnderItsOwnBytes) {
  const QList<TOdd> odd = addOddFiles();
  EXPECT_EQ(run(GetParam()), "");
  ASSERT_EQ(oks(), std::string(size_t(odd.size()), '+'));
  const QByteArray storeBytes = EncodeName(store());
  for (int i = 0; i < odd.size(); ++i) {
    const TOdd &file = odd[i];
    // Shown with its odd bytes escaped.
    EXPECT_EQ(log.Lines[i].Text, platform::ShownName(DecodeName(file.path)) + " - ok");
    EXPECT_EQ(testenv::ReadRaw(QFile::encodeName(DecodeName(file.path))), "decoy");
    EXPECT_EQ(testenv::ReadRaw(file.path), GetParam() == TAction::Copy ? file.contents : "<missing>");
    switch (GetParam()) {
    case TAction::Delete:
      break;
    case TAction::Recycle:
      EXPECT_EQ(trashedPath(file.inode), file.path);
      break;
    default:
      // The mirrored path keeps the original bytes.
      EXPECT_EQ(testenv::ReadRaw(storeBytes + file.path), file.contents);
    }
  }
  if (GetParam() != TAction::Move)
    return;
  QList<TRestoreItem> items;
  WalkStore(store(), [&](const TStoreEntry &E) {
    if (E.IsFile)
      items.append({E.StorePath, RestoreOriginalPath(store(), E.StorePath, true), E.Size, E.Folders});
  });
  ASSERT_EQ(items.size(), odd.size());
  log.Lines.clear();
  TRestoreRun restore{items, TRestoreOptions{}, sink, bar, log};
  restore.FileWait = std::chrono::milliseconds(0);
  RestoreLoop(restore);
  EXPECT_EQ(restore.Restored, odd.size());
  for (const TOdd &file : odd) {
    EXPECT_EQ(testenv::ReadRaw(file.path), file.contents);
    EXPECT_EQ(testenv::ReadRaw(storeBytes + file.path), "<missing>");
    EXPECT_EQ(testenv::ReadRaw(QFile::encodeName(DecodeName(file.path))), "decoy");
  }
}

INSTANTIATE_TEST_SUITE_P(Actions, OddNameActions,
                         ::testing::Values(TAction::Delete, TAction::Recycle, TAction::Move, TAction::Copy),
                         [](const auto &Info) { return ActionName(Info.param).toStdString(); });

} // namespace
