// The method page's openers of the search option dialogs: the file filter and the comparison options.
#include "engine/SearchFilter.h"
#include "ui/dialogs/AdditionOptions.h"
#include "ui/dialogs/DialogService.h"
#include "ui/dialogs/Filter.h"
#include "ui/main/Main.h"

#include <QTabWidget>
#include <QToolButton>

void TfrmMain::btnFilterClick() {
  TfrmFilter filter(this);
  DialogService::instance().execDialog(filter);
  btnFilter->setChecked(!SearchFilter().IsEmpty());
}

void TfrmMain::tbsWhatShow() {
  btnFilter->setChecked(!SearchFilter().IsEmpty());
}

void TfrmMain::ShowAdditionOptions(int Page) {
  TfrmAdditionOptions options(this);
  if (Page != -1)
    options.pgcOptions->setCurrentIndex(Page);
  DialogService::instance().execDialog(options);
}

void TfrmMain::lblSearchMethodMp3OptionsClick() {
  ShowAdditionOptions(0);
}

void TfrmMain::lblSearchMethodPropertyOptionsClick() {
  ShowAdditionOptions(1);
}
