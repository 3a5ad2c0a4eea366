#pragma once
// File-type groups: named ";"-separated mask lists that the file filter dialog drops into its mask
// fields and the group editor edits. One list, FileGroupList, lives for the whole run: read from
// the settings store at start and written back at the end. Also the two text colours of result
// groups, the help page's path and the program title.

#include "settings/ImageFormats.h"

#include <QRgb>
#include <QString>

#include <memory>
#include <vector>

struct TFileGroupExtItem {
  // Display name; set from the current translation whenever the item is fetched.
  QString Name;
  // The ";"-separated masks; lower case when added, as the group editor left it otherwise.
  QString Ext;
};

class TListFileGroupExt {
public:
  // Reads the groups from the settings store (the eight built-in groups when none are stored).
  TListFileGroupExt();
  // Writes the groups back to the settings store.
  ~TListFileGroupExt();
  TListFileGroupExt(const TListFileGroupExt &) = delete;
  TListFileGroupExt &operator=(const TListFileGroupExt &) = delete;

  void Clear();
  int GetCount() const { return int(m_items.size()); }
  // The group at Index (0 <= Index < GetCount()). The first eight take their names from the
  // current translation; later ones keep theirs.
  TFileGroupExtItem *GetItem(int Index);
  // Appends a group with the masks in lower case and no name yet.
  void Add(const QString &Masks);

  void SaveToRegistry() const;
  void LoadFromRegistry();
  // The eight built-in groups: audio, pictures (of this run), video, documents, programs,
  // temporary files, and two empty ones for the user.
  void SetDefault();

private:
  std::vector<std::unique_ptr<TFileGroupExtItem>> m_items;
};

// The program's one list; null outside CreateFileGroupList() .. FreeFileGroupList().
extern TListFileGroupExt *FileGroupList;
// Made by the program block before any window exists; does nothing when the list exists.
void CreateFileGroupList();
// Writes the list back and frees it, at program end; does nothing when there is none.
void FreeFileGroupList();

// Text colours of result rows, alternating from one group of copies to the next.
inline constexpr QRgb GroupColor1 = qRgb(10, 50, 200);
inline constexpr QRgb GroupColor2 = qRgb(40, 80, 30);

// The help index: the page "Help/index.html" in the program's folder.
QString GetHelpFileName();
// "Pairhound": the application title and the start of every main-window caption.
QString GetProgramTitle();
