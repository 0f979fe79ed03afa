#pragma once
// Running statistics of a value over time (e.g. a relation marker's value over sweeps).
//
// Mean and deviation use Welford's running update, so long runs of large, nearly equal
// values (frequencies around 1e9 that differ in the last digits) keep their precision.
// Values that are not finite (NaN from a failed evaluation, ±inf from the log of zero) are
// not counted: one bad sweep would otherwise turn every figure into NaN for good.
// Not synchronised: one thread feeds and reads a store.
#include <chrono>
#include <cstddef>

struct SStatInfo {
  double minimum = 0;    // NaN while no value was counted
  double maximum = 0;    // NaN while no value was counted
  double mean = 0;       // NaN while no value was counted
  double deviation = 0;  // sample standard deviation (n − 1); 0 for one value, NaN for none
  std::size_t count = 0;  // values counted
  double duration = 0;    // seconds from the first to the last counted value
  double interval = 0;    // mean seconds between counted values (duration / (count − 1)), 0 below two
};

class CStatStorage {
 public:
  using Clock = std::chrono::steady_clock;

  void AddValue(double value) { AddValue(value, Clock::now()); }
  // With the time the value was taken (for values fed later than they were measured).
  void AddValue(double value, Clock::time_point when);

  SStatInfo GetStatInfo() const;
  std::size_t Count() const { return count_; }
  void Reset();

 private:
  std::size_t count_ = 0;
  double mean_ = 0;
  double m2_ = 0;  // sum of squared differences from the running mean
  double minimum_ = 0;
  double maximum_ = 0;
  Clock::time_point first_{};
  Clock::time_point last_{};
};
