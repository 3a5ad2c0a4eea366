#pragma once
// The contract between long engine operations and the window that shows their progress.
// The engine never knows the window: it reports through IProgressSink and moves an IProgressBar.

#include <QString>
#include <stdexcept>

// Ends the running operation; caught only by the owner of the run.
class EMyStop : public std::runtime_error {
public:
  EMyStop() : std::runtime_error("Stop") {}
};

// Ends the program after the main window was closed during a run; unwinds through every clean-up.
class EMyHalt : public std::runtime_error {
public:
  EMyHalt() : std::runtime_error("Halt") {}
};

// Implemented by the main window. Each call may return, throw EMyStop or throw EMyHalt.
class IProgressSink {
public:
  virtual ~IProgressSink() = default;
  // Search side: Text is the suffix shown right after the percentage.
  virtual void ProcessProgress(const QString &Text) = 0;
  // File actions and restore.
  virtual void ProcessActionProgress() = 0;
};

// Stands for a progress bar (pbrFind and its siblings).
class IProgressBar {
public:
  virtual ~IProgressBar() = default;
  virtual int Min() const = 0;
  virtual int Max() const = 0;
  virtual int Position() const = 0;
  virtual void SetMin(int Value) = 0;
  virtual void SetMax(int Value) = 0;
  virtual void SetPosition(int Value) = 0;
};

// A bar without a window, for headless runs and tests.
class TProgressBarModel : public IProgressBar {
public:
  int Min() const override { return m_min; }
  int Max() const override { return m_max; }
  int Position() const override { return m_position; }
  void SetMin(int Value) override { m_min = Value; }
  void SetMax(int Value) override { m_max = Value; }
  void SetPosition(int Value) override { m_position = Value; }

private:
  int m_min = 0;
  int m_max = 0;
  int m_position = 0;
};

// A sink that ignores every report, for headless runs.
class TNullProgressSink : public IProgressSink {
public:
  void ProcessProgress(const QString &) override {}
  void ProcessActionProgress() override {}
};
