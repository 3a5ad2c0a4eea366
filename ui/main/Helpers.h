#pragma once
// Small operations the windows share: the folder browser that remembers its folder, the
// information box, the window caption, opening a file with its program (or choosing one), and the
// check-state helpers of the two trees. The message box, beep and menu helpers used by dialogs as
// well live in ui/dialogs/DialogService.h.

#include "ui/dialogs/DialogService.h"

#include <QString>
#include <QStringList>

class QAbstractItemModel;
class QModelIndex;

// The folder browser, starting in the remembered folder when it still exists. A chosen folder
// becomes the remembered one and is returned as given; Cancel returns "" and forgets nothing.
QString BrowseFolder();

// The information box over the main window.
void ShowInfo(const QString &Text);

// "Pairhound 1.5".
QString MakeCaption();

// Opens a file with its program; when the desktop has none, lets the user choose a program
// (OpenWith). True when the file was handed to a program.
bool OpenFile(const QString &FileName);
// Lets the user choose a program and starts it with the file; false when none was started.
bool OpenWith(const QString &FileName);
// Opens the program's help page with the desktop's handler; when nothing opens it, says so and
// names the file. Never a program chooser: the page is ours, and any browser shows it.
void OpenHelp(const QString &FileName);
// Starts Program with the blank-separated Parameters; false when it could not be started.
bool ShellExec(const QString &Program, const QStringList &Parameters);

// A node counts as checked only in the full checked state (not the mixed one).
bool IsResultNodeChecked(const QModelIndex &Node);
bool IsRestoreNodeChecked(const QModelIndex &Node);
// Sets a node's check box. On the results list the model keeps the file's mark with it (archive
// members and processed files refuse the mark).
void SetResultNodeChecked(QAbstractItemModel *Tree, const QModelIndex &Node, bool Checked);
void SetRestoreNodeChecked(QAbstractItemModel *Tree, const QModelIndex &Node, bool Checked);
