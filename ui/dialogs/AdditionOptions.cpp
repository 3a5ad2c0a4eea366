#include "ui/dialogs/AdditionOptions.h"

#include "settings/Language.h"
#include "ui/dialogs/DialogFit.h"
#include "ui/dialogs/Named.h"
#include "ui/dialogs/PageDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

namespace {
const QSize DesignSize(408, 244);

// One comparison of a page: its box, its percentage and the "%" after it, in a row of Grid.
void addComparison(QGridLayout *Grid, QCheckBox *Box, QSpinBox *Percent, QLabel *Sign, int Minimum) {
  const int row = Grid->rowCount();
  Percent->setRange(Minimum, PercentMax);
  Sign->setText(QStringLiteral("%"));
  Grid->addWidget(Box, row, 0);
  Grid->addWidget(Percent, row, 1);
  Grid->addWidget(Sign, row, 2);
}
} // namespace

TfrmAdditionOptions::TfrmAdditionOptions(QWidget *Owner) : TNoEscapeDialog(Owner) {
  setObjectName(QStringLiteral("frmAdditionOptions"));
  pgcOptions = MakeNamed<QTabWidget>(this, "pgcOptions");

  tbsMusicTag = BuildPage("tbsMusicTag", lblMusicTagComment, "lblMusicTagComment");
  cbxMusicTagArtist = MakeNamed<QCheckBox>(tbsMusicTag, "cbxMusicTagArtist");
  edtMusicTagArtist = MakeNamed<QSpinBox>(tbsMusicTag, "edtMusicTagArtist");
  lblMusicTagArtist = MakeNamed<QLabel>(tbsMusicTag, "lblMusicTagArtist");
  cbxMusicTagSong = MakeNamed<QCheckBox>(tbsMusicTag, "cbxMusicTagSong");
  edtMusicTagSong = MakeNamed<QSpinBox>(tbsMusicTag, "edtMusicTagSong");
  lblMusicTagSong = MakeNamed<QLabel>(tbsMusicTag, "lblMusicTagSong");
  cbxMusicTagAlbumDiffer = MakeNamed<QCheckBox>(tbsMusicTag, "cbxMusicTagAlbumDiffer");
  {
    auto *grid = static_cast<QGridLayout *>(tbsMusicTag->layout());
    addComparison(grid, cbxMusicTagArtist, edtMusicTagArtist, lblMusicTagArtist, ArtistPercentMin);
    addComparison(grid, cbxMusicTagSong, edtMusicTagSong, lblMusicTagSong, PercentMin);
    grid->addWidget(cbxMusicTagAlbumDiffer, grid->rowCount(), 0, 1, 3);
    grid->setRowStretch(grid->rowCount(), 1);
  }

  tbsFileProperty = BuildPage("tbsFileProperty", lblFilePropertyComment, "lblFilePropertyComment");
  cbxFilePropertyName = MakeNamed<QCheckBox>(tbsFileProperty, "cbxFilePropertyName");
  edtFilePropertyName = MakeNamed<QSpinBox>(tbsFileProperty, "edtFilePropertyName");
  lblFilePropertyName = MakeNamed<QLabel>(tbsFileProperty, "lblFilePropertyName");
  cbxFilePropertyExt = MakeNamed<QCheckBox>(tbsFileProperty, "cbxFilePropertyExt");
  edtFilePropertyExt = MakeNamed<QSpinBox>(tbsFileProperty, "edtFilePropertyExt");
  lblFilePropertyExt = MakeNamed<QLabel>(tbsFileProperty, "lblFilePropertyExt");
  cbxFilePropertySize = MakeNamed<QCheckBox>(tbsFileProperty, "cbxFilePropertySize");
  {
    auto *grid = static_cast<QGridLayout *>(tbsFileProperty->layout());
    addComparison(grid, cbxFilePropertyName, edtFilePropertyName, lblFilePropertyName, PercentMin);
    addComparison(grid, cbxFilePropertyExt, edtFilePropertyExt, lblFilePropertyExt, PercentMin);
    grid->addWidget(cbxFilePropertySize, grid->rowCount(), 0, 1, 3);
    grid->setRowStretch(grid->rowCount(), 1);
  }
  pgcOptions->addTab(tbsMusicTag, QString());
  pgcOptions->addTab(tbsFileProperty, QString());

  const TPageDialogButtons buttons = LayOutPageDialog(this, pgcOptions);
  btnDefault = buttons.Default;
  btnOK = buttons.OK;
  btnCancel = buttons.Cancel;

  const std::pair<QCheckBox *, TOptionBox> ruled[] = {{cbxMusicTagArtist, TOptionBox::MusicTagArtist},
                                                      {cbxMusicTagSong, TOptionBox::MusicTagSong},
                                                      {cbxFilePropertyName, TOptionBox::FilePropertyName},
                                                      {cbxFilePropertyExt, TOptionBox::FilePropertyExt},
                                                      {cbxFilePropertySize, TOptionBox::FilePropertySize}};
  for (const auto &[box, which] : ruled)
    connect(box, &QCheckBox::clicked, this, [this, which] { BoxClick(which); });
  connect(btnDefault, &QPushButton::clicked, this, &TfrmAdditionOptions::btnDefaultClick);
  connect(btnOK, &QPushButton::clicked, this, &TfrmAdditionOptions::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmAdditionOptions::btnCancelClick);

  FormCreate();
}

QWidget *TfrmAdditionOptions::BuildPage(const char *Name, QLabel *&Comment, const char *CommentName) {
  auto *page = MakeNamed<QWidget>(pgcOptions, Name);
  Comment = MakeNamed<QLabel>(page, CommentName);
  Comment->setWordWrap(true);
  auto *grid = new QGridLayout(page);
  grid->setContentsMargins(8, 8, 8, 8);
  grid->setVerticalSpacing(6);
  grid->setColumnStretch(3, 1);
  grid->addWidget(Comment, 0, 0, 1, 4);
  return page;
}

void TfrmAdditionOptions::FormCreate() {
  Translate();
  pgcOptions->setCurrentWidget(tbsMusicTag);
  ShowOptions(SearchOptions());
  FitFixedSize(this, DesignSize);
}

void TfrmAdditionOptions::Translate() {
  setWindowTitle(LangText("272"));
  pgcOptions->setTabText(pgcOptions->indexOf(tbsMusicTag), LangText("274"));
  pgcOptions->setTabText(pgcOptions->indexOf(tbsFileProperty), LangText("279"));
  btnDefault->setText(LangText("273"));
  btnOK->setText(LangText("209"));
  btnCancel->setText(LangText("2010"));
  lblMusicTagComment->setText(LangText("275"));
  cbxMusicTagArtist->setText(LangText("276"));
  cbxMusicTagSong->setText(LangText("277"));
  cbxMusicTagAlbumDiffer->setText(LangText("278"));
  lblFilePropertyComment->setText(LangText("2710"));
  cbxFilePropertyName->setText(LangText("2711"));
  cbxFilePropertyExt->setText(LangText("2712"));
  cbxFilePropertySize->setText(LangText("2713"));
}

TSearchOptions TfrmAdditionOptions::ShownOptions() const {
  TSearchOptions o;
  o.MusicTagArtist = cbxMusicTagArtist->isChecked();
  o.MusicTagArtistPercent = edtMusicTagArtist->value();
  o.MusicTagSong = cbxMusicTagSong->isChecked();
  o.MusicTagSongPercent = edtMusicTagSong->value();
  o.MusicTagAlbumDiffer = cbxMusicTagAlbumDiffer->isChecked();
  o.FilePropertyName = cbxFilePropertyName->isChecked();
  o.FilePropertyNamePercent = edtFilePropertyName->value();
  o.FilePropertyExt = cbxFilePropertyExt->isChecked();
  o.FilePropertyExtPercent = edtFilePropertyExt->value();
  o.FilePropertySize = cbxFilePropertySize->isChecked();
  return o;
}

void TfrmAdditionOptions::ShowOptions(const TSearchOptions &O) {
  cbxMusicTagArtist->setChecked(O.MusicTagArtist);
  edtMusicTagArtist->setValue(O.MusicTagArtistPercent);
  cbxMusicTagSong->setChecked(O.MusicTagSong);
  edtMusicTagSong->setValue(O.MusicTagSongPercent);
  cbxMusicTagAlbumDiffer->setChecked(O.MusicTagAlbumDiffer);
  cbxFilePropertyName->setChecked(O.FilePropertyName);
  edtFilePropertyName->setValue(O.FilePropertyNamePercent);
  cbxFilePropertyExt->setChecked(O.FilePropertyExt);
  edtFilePropertyExt->setValue(O.FilePropertyExtPercent);
  cbxFilePropertySize->setChecked(O.FilePropertySize);
}

void TfrmAdditionOptions::BoxClick(TOptionBox Box) {
  TSearchOptions shown = ShownOptions();
  KeepOneComparison(Box, shown);
  ShowOptions(shown);
}

void TfrmAdditionOptions::btnDefaultClick() {
  TSearchOptions defaults;
  defaults.SetDefaults();
  ShowOptions(defaults);
}

void TfrmAdditionOptions::btnOKClick() {
  SearchOptions() = ShownOptions();
  accept();
}

void TfrmAdditionOptions::btnCancelClick() {
  reject();
}
