#pragma once
// What several benchmarks measure with: the middle of a series of runs and the calling thread's
// processor time (what the window's thread spends, whatever the machine's load).

#include <algorithm>
#include <ctime>
#include <vector>

// The middle value (the upper one of two); 0 for no values.
inline double Median(std::vector<double> Values) {
  if (Values.empty())
    return 0;
  std::sort(Values.begin(), Values.end());
  return Values[Values.size() / 2];
}

// Processor time of the calling thread, in milliseconds.
inline double ThreadMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}
