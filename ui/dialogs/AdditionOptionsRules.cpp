#include "ui/dialogs/AdditionOptionsRules.h"

#include "engine/SearchOptions.h"

void KeepOneComparison(TOptionBox Clicked, TSearchOptions &Shown) {
  switch (Clicked) {
  case TOptionBox::MusicTagArtist:
  case TOptionBox::MusicTagSong:
    if (Shown.MusicTagArtist || Shown.MusicTagSong)
      return;
    (Clicked == TOptionBox::MusicTagArtist ? Shown.MusicTagSong : Shown.MusicTagArtist) = true;
    return;
  case TOptionBox::FilePropertyName:
  case TOptionBox::FilePropertyExt:
  case TOptionBox::FilePropertySize:
    if (Shown.FilePropertyName || Shown.FilePropertyExt || Shown.FilePropertySize)
      return;
    if (Clicked == TOptionBox::FilePropertyName)
      Shown.FilePropertyExt = true;
    else if (Clicked == TOptionBox::FilePropertyExt)
      Shown.FilePropertyName = true;
    else
      Shown.FilePropertySize = true;
    return;
  }
}
