#pragma once
// The result file (".wzr"): a saved search result that can be opened again without searching. UTF-8
// text lines ended by CR LF: the filter line, the item count, then one tagged record per file that
// no file action has processed. The record and filter text forms are members of the file model
// (TUseFileProperty::SaveToText, TFilter::SaveToText ...); this header holds what surrounds them.

#include "engine/Progress.h"
#include "engine/UsePropertyFile.h"

#include <QString>

#include <functional>
#include <stdexcept>

// A result file that cannot be read or written, or that is not a result file. Message is a full
// sentence for the user, naming the file.
class EResultFileError : public std::runtime_error {
public:
  enum TKind { InputOutput, NotAResultFile, BadRecord };
  EResultFileError(TKind Kind, const QString &Message)
      : std::runtime_error(Message.toStdString()), Kind(Kind), Message(Message) {}
  TKind Kind;
  QString Message;
};

// Shows the step label of the progress page; receives the translated text.
using TShowStepText = std::function<void(const QString &Text)>;

// "[" + m + "]" for each method of the set, ascending.
QString WhatFindToText(const TWhatFind &WhatFind);
// Method m (1 to 6) is in the set when "[" + m + "]" occurs in Text.
TWhatFind TextToWhatFind(const QString &Text);

// Marked and grouped totals of a file list, for the status bar and the store-folder check.
struct TListStatistics {
  qint64 MarkedSize = 0;
  qint32 MarkedCount = 0;
  qint64 GroupedSize = 0;
  qint32 GroupedCount = 0;
};
