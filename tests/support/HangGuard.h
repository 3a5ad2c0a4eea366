#pragma once
// Guards a test against a call that would wait for ever on a FIFO.

#include <QString>

#include <functional>

// Runs Work on a thread of its own and answers whether it finished by itself. When it has not
// finished after a generous while (far beyond what the work takes), it is taken to be waiting on
// Fifo: the FIFO is opened for writing and closed again until the wait ends, and the answer is false.
bool FinishesWithoutWaitingOn(const QString &Fifo, const std::function<void()> &Work);

// Makes a FIFO at Path; false when the system refuses.
bool MakeFifo(const QString &Path);
