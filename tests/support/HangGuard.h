#pragma once
// Guards a test against a call that would wait for ever on a FIFO.

#include <QString>

#include <functional>

// Whether Work finished by itself; if not, it is taken to be waiting on Fifo, whose writing end is opened
// until the wait ends.
bool FinishesWithoutWaitingOn(const QString &Fifo, const std::function<void()> &Work);

// Makes a FIFO at Path; false when the system refuses.
bool MakeFifo(const QString &Path);
