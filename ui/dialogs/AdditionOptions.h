#pragma once
// The comparison options dialog: for the music-tag search, whether artists and titles are compared
// and how alike they must be, and whether albums must be equal; for the file-property search, the
// same for names and extensions, and whether sizes must be equal. Edits the program's one set of
// options, in memory only; OK stores, Cancel leaves them. Escape is bound to neither.

#include "engine/SearchOptions.h"
#include "ui/dialogs/AdditionOptionsRules.h"
#include "ui/dialogs/NoEscapeDialog.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;

class TfrmAdditionOptions : public TNoEscapeDialog {
  Q_OBJECT
public:
  explicit TfrmAdditionOptions(QWidget *Owner);

  // The ten controls as options, and the controls from options.
  TSearchOptions ShownOptions() const;
  void ShowOptions(const TSearchOptions &Options);

  void btnDefaultClick();
  void btnOKClick();
  void btnCancelClick();

  QTabWidget *pgcOptions;

private:
  void FormCreate();
  void Translate();
  void BoxClick(TOptionBox Box);
  QWidget *BuildPage(const char *Name, QLabel *&Comment, const char *CommentName);

  QWidget *tbsMusicTag, *tbsFileProperty;
  QLabel *lblMusicTagComment, *lblFilePropertyComment;
  QCheckBox *cbxMusicTagArtist, *cbxMusicTagSong, *cbxMusicTagAlbumDiffer;
  QCheckBox *cbxFilePropertyName, *cbxFilePropertyExt, *cbxFilePropertySize;
  QSpinBox *edtMusicTagArtist, *edtMusicTagSong, *edtFilePropertyName, *edtFilePropertyExt;
  QLabel *lblMusicTagArtist, *lblMusicTagSong, *lblFilePropertyName, *lblFilePropertyExt;
  QPushButton *btnDefault, *btnOK, *btnCancel;
};
