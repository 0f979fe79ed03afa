#include "common/StatStorage.h"

#include <cmath>
#include <limits>

void CStatStorage::AddValue(double value, Clock::time_point when) {
  if (!std::isfinite(value)) return;
  ++count_;
  if (count_ == 1) {
    mean_ = minimum_ = maximum_ = value;
    m2_ = 0;
    first_ = last_ = when;
    return;
  }
  const double delta = value - mean_;
  mean_ += delta / static_cast<double>(count_);
  m2_ += delta * (value - mean_);
  if (value < minimum_) minimum_ = value;
  if (value > maximum_) maximum_ = value;
  if (when < first_) first_ = when;
  if (when > last_) last_ = when;
}

SStatInfo CStatStorage::GetStatInfo() const {
  SStatInfo info;
  info.count = count_;
  if (count_ == 0) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    info.minimum = info.maximum = info.mean = info.deviation = nan;
    return info;
  }
  info.minimum = minimum_;
  info.maximum = maximum_;
  info.mean = mean_;
  info.deviation = count_ > 1 ? std::sqrt(m2_ / static_cast<double>(count_ - 1)) : 0.0;
  info.duration = std::chrono::duration<double>(last_ - first_).count();
  if (count_ > 1) info.interval = info.duration / static_cast<double>(count_ - 1);
  return info;
}

void CStatStorage::Reset() { *this = CStatStorage(); }
