#include "chart/SeriesData.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/Assert.h"

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}  // namespace

const double* CSeriesData::Column(ESeriesColumn column) const {
  if (column == scX) return X();
  if (column == scY) return Y();
  return Z();
}

void CSeriesData::KeepZ(bool on) {
  if (on == keepZ_) return;
  keepZ_ = on;
  if (on) {
    z_.assign(x_.size(), kNaN);
  } else {
    std::vector<double>().swap(z_);
  }
}

void CSeriesData::Clear() {
  x_.clear();
  y_.clear();
  z_.clear();
  examined_ = false;
}

void CSeriesData::Append(const double* x, const double* y, const double* z, int count) {
  if (!PV_ASSERT(count >= 0) || count == 0) return;
  x_.insert(x_.end(), x, x + count);
  y_.insert(y_.end(), y, y + count);
  if (keepZ_) {
    if (z != nullptr) {
      z_.insert(z_.end(), z, z + count);
    } else {
      z_.resize(z_.size() + static_cast<std::size_t>(count), kNaN);
    }
  }
  examined_ = false;
}

void CSeriesData::Replace(int offset, const double* x, const double* y, const double* z, int count) {
  if (!PV_ASSERT(offset >= 0 && count >= 0 && count <= Count() - offset) || count == 0) return;
  std::copy(x, x + count, x_.begin() + offset);
  std::copy(y, y + count, y_.begin() + offset);
  if (keepZ_) {
    if (z != nullptr) {
      std::copy(z, z + count, z_.begin() + offset);
    } else {
      std::fill(z_.begin() + offset, z_.begin() + offset + count, kNaN);
    }
  }
  examined_ = false;
}

void CSeriesData::Set(int index, double x, double y, double z) {
  if (!PV_ASSERT(index >= 0 && index < Count())) return;
  x_[static_cast<std::size_t>(index)] = x;
  y_[static_cast<std::size_t>(index)] = y;
  if (keepZ_) z_[static_cast<std::size_t>(index)] = z;
  examined_ = false;
}

void CSeriesData::AppendNulls(int count) {
  if (count <= 0) return;
  const std::size_t n = x_.size() + static_cast<std::size_t>(count);
  x_.resize(n, kNaN);
  y_.resize(n, kNaN);
  if (keepZ_) z_.resize(n, kNaN);
  examined_ = false;
}

bool CSeriesData::IsDrawn(int index, ESeriesColumn h, ESeriesColumn v) const {
  if (!PV_ASSERT(index >= 0 && index < Count())) return false;
  const double* a = Column(h);
  const double* b = Column(v);
  return a != nullptr && b != nullptr && std::isfinite(a[index]) && std::isfinite(b[index]);
}

double CSeriesData::Extreme(ESeriesColumn of, ESeriesColumn h, ESeriesColumn v, bool maximum) const {
  const double* values = Column(of);
  const double* a = Column(h);
  const double* b = Column(v);
  if (values == nullptr || a == nullptr || b == nullptr) return 0;
  bool found = false;
  double result = 0;
  for (int i = 0, n = Count(); i < n; ++i) {
    if (!std::isfinite(a[i]) || !std::isfinite(b[i])) continue;
    if (!found || (maximum ? values[i] > result : values[i] < result)) result = values[i];
    found = true;
  }
  return result;
}

void CSeriesData::Examine() const {
  if (examined_) return;
  // One pass for both, compared and summed without branches so it vectorises; a comparison
  // with a missing (NaN) stimulus counts as neither rising nor falling.
  const double* x = x_.data();
  const std::size_t n = x_.size();
  spacing_ = {};
  const double x0 = n > 0 ? x[0] : 0;
  const double dx = n > 1 ? (x[n - 1] - x0) / static_cast<double>(n - 1) : 0;
  int falls = 0, rises = 0;
  double deviation = 0, odd = 0;
  for (std::size_t i = 1; i < n; ++i) {
    falls += x[i] < x[i - 1];
    rises += x[i] > x[i - 1];
    const double d = std::fabs(x[i] - (x0 + static_cast<double>(i) * dx));
    odd += d - d;  // NaN once any x is NaN or infinite
    deviation = d > deviation ? d : deviation;
  }
  monotonic_ = falls == 0 || rises == 0;
  // Far below a step, so a point's pixel is known to a sliver of a column from its index.
  if (n > 1 && std::isfinite(x0) && std::isfinite(dx) && dx != 0 && odd == 0 &&
      deviation <= 1e-6 * std::fabs(dx))
    spacing_ = {true, x0, dx, deviation};
  examined_ = true;
}

bool CSeriesData::XMonotonic() const {
  Examine();
  return monotonic_;
}

const CSeriesData::SXSpacing& CSeriesData::XSpacing() const {
  Examine();
  return spacing_;
}
