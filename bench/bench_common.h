// What the benchmarks share: deterministic noise for their test images, and a console
// reporter that also remembers each benchmark's rate so that a closing table can set ours
// next to the peer's.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace bench {

// A xorshift step: the same pixels on every run.
inline uint32_t Noise(uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

class RateReporter : public benchmark::ConsoleReporter {
 public:
  // The counter (per run) each benchmark's rate is read from.
  explicit RateReporter(std::string counter) : counter_(std::move(counter)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto it = run.counters.find(counter_);
      if (it != run.counters.end() && run.run_type == Run::RT_Iteration)
        rates_[run.benchmark_name()] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // The rate of a benchmark that ran, or 0 (filtered out).
  double Rate(const std::string& name) const {
    const auto it = rates_.find(name);
    return it == rates_.end() ? 0.0 : it->second;
  }

 private:
  std::string counter_;
  std::map<std::string, double> rates_;
};

}  // namespace bench
