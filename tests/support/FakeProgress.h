#pragma once
// A scripted progress sink for engine tests: records every call and throws EMyStop (or EMyHalt) at
// a chosen call.

#include "engine/Progress.h"

#include <QStringList>
#include <functional>

class FakeProgressSink : public IProgressSink {
public:
  explicit FakeProgressSink(IProgressBar *bar = nullptr) : m_bar(bar) {}

  // Text, bar position and maximum of every ProcessProgress call, in order (the bar's when one was given).
  QStringList texts;
  QList<int> positions;
  QList<int> maxima;

  // 1-based number of the call (counting both kinds) that throws; 0 = never.
  int stopAtCall = 0;
  bool haltInsteadOfStop = false;
  // Runs on every call before the stop check.
  std::function<void(int call)> onCall;

  int calls() const { return m_calls; }

  void ProcessProgress(const QString &Text) override {
    texts << Text;
    if (m_bar) {
      positions << m_bar->Position();
      maxima << m_bar->Max();
    }
    step();
  }
  void ProcessActionProgress() override { step(); }

private:
  void step() {
    ++m_calls;
    if (onCall)
      onCall(m_calls);
    if (stopAtCall > 0 && m_calls == stopAtCall) {
      if (haltInsteadOfStop)
        throw EMyHalt();
      throw EMyStop();
    }
  }

  IProgressBar *m_bar;
  int m_calls = 0;
};
