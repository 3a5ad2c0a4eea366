// The restore road of the page machine: the store folder to restore from, the list of stored files,
// the restore's progress page and its log.
#include "ui/main/Main.h"

void TfrmMain::AddRestoreRoad() {
  // Next waits for the restore-folder checks and the restore list.
  m_pages.Add(tbsOpenRestoreFolder, {{}, [this] { ShowPage(tbsFirst); }, {}, {}});
  m_pages.Add(tbsRestoreFiles, {});
  m_pages.Add(tbsRestoring, ProgressPageMoves());
  m_pages.Add(tbsRestoreLog, {{}, {}, [] { return false; }, {}});
}
