// One line of bench/run's table: a figure, what it measured, its baseline, their ratio and
// the goal, separated by tabs. Every measuring program of bench/ prints its figures so.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// The middle of the samples, or the mean of the two middle ones. The machine is shared, so
// a single run says little; the median of several is what the figures report.
inline double Median(std::vector<double> samples) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  const std::size_t middle = samples.size() / 2;
  return samples.size() % 2 == 1 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

// Times in milliseconds with three decimals, so that the short ones still show their size.
inline std::string Milliseconds(double ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f ms", ms);
  return text;
}

inline std::string Mebibytes(double mib) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", mib);
  return text;
}

inline void PrintFigure(const std::string& name, const std::string& measured,
                        const std::string& baseline, double ratio, const std::string& goal) {
  std::printf("%s\t%s\t%s\t%.2f\t%s\n", name.c_str(), measured.c_str(), baseline.c_str(), ratio,
              goal.c_str());
  std::fflush(stdout);
}

}  // namespace bench
