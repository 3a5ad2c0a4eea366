#pragma once
// Where a file action writes its lines: one line per file, "ok" lines in the window-text colour and
// "error" lines in red. The window's log control implements it; tests keep the lines in memory.

#include <QList>
#include <QString>

class IActionLog {
public:
  virtual ~IActionLog() = default;
  // Empties the log; no repainting until EndRun.
  virtual void BeginRun() = 0;
  // Appends Text as the new last line.
  virtual void AddLine(const QString &Text, bool Ok) = 0;
  virtual void EndRun() = 0;
};

// A log kept as a list of lines.
class TActionLogLines : public IActionLog {
public:
  struct TLine {
    QString Text;
    bool Ok = false;
    bool operator==(const TLine &) const = default;
  };
  QList<TLine> Lines;
  bool Updating = false;

  void BeginRun() override {
    Lines.clear();
    Updating = true;
  }
  void AddLine(const QString &Text, bool Ok) override { Lines.append({Text, Ok}); }
  void EndRun() override { Updating = false; }
};

// The log line of one file: its full path shown as the lists show names (so one file stays one line and
// reads in its own order), Note in brackets when there is one, then " - ok" or " - error".
QString ActionLogLine(const QString &FullName, bool Ok, const QString &Note = {});

// The line of a file whose copy a Stop or the window's closing abandoned: its path, " - " and text
// 20145.
QString ActionStoppedLine(const QString &FullName);
