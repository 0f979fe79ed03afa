#include "series/SpectrumStorage.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <cwchar>
#include <limits>
#include <mutex>
#include <utility>

#include "common/Assert.h"
#include "common/Matrix.h"
#include "common/Text.h"
#include "common/Units.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();

void ToFloat(const double* from, int count, float* to) {
  for (int i = 0; i < count; ++i) to[i] = static_cast<float>(from[i]);
}

// Integer part of a saved time stamp; anything unrepresentable becomes 0.
int TimeStampFromCell(double value) {
  if (!std::isfinite(value)) return 0;
  const double whole = std::trunc(value);
  if (whole < std::numeric_limits<int>::min() || whole > std::numeric_limits<int>::max()) return 0;
  return static_cast<int>(whole);
}

// A name with a line break would end its header line early and break reading the file back.
std::wstring SingleLine(std::wstring text) {
  std::replace_if(text.begin(), text.end(), [](wchar_t c) { return c == L'\n' || c == L'\r'; }, L' ');
  return text;
}

std::wstring DateToStr(const std::tm& t) {
  wchar_t buffer[32];
  std::swprintf(buffer, 32, L"%02d.%02d.%04d", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900);
  return buffer;
}

std::wstring TimeToStr(const std::tm& t) {
  wchar_t buffer[32];
  std::swprintf(buffer, 32, L"%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
  return buffer;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// CStorage

CStorage::CStorage() : epoch_(std::chrono::steady_clock::now()) {
  wallEpoch_ = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

CStorage::CStorage(const CStorage& other) : CSafeObject() { other.CopyTo(*this); }

CStorage& CStorage::operator=(const CStorage& other) {
  other.CopyTo(*this);
  return *this;
}

void CStorage::SetSize(int width) {
  if (!PV_ASSERT(width >= 0)) return;
  std::lock_guard lock(*this);
  if (width == width_) return;
  width_ = width;
  stimulus_.assign(static_cast<std::size_t>(width), 0.0);
  // Buffers of the old width are of no use any more.
  ring_.clear();
  first_ = count_ = next_ = 0;
  complete_ = true;
  ++resets_;
}

int CStorage::GetSize() const {
  std::lock_guard lock(*this);
  return width_;
}

int CStorage::GetLevelCount() const {
  std::lock_guard lock(*this);
  return count_;
}

long long CStorage::CompletedSerial() const {
  std::lock_guard lock(*this);
  return completed_;
}

long long CStorage::ResetSerial() const {
  std::lock_guard lock(*this);
  return resets_;
}

int CStorage::GetCompleteCount() const {
  std::lock_guard lock(*this);
  return complete_ ? count_ : count_ - 1;
}

int CStorage::Now() const {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - epoch_).count();
  return static_cast<int>(ms % std::numeric_limits<int>::max());
}

CLevel& CStorage::NewLevel(int timeStamp) {
  if (ring_.empty()) ring_.reserve(kMaxLevels);
  CLevel* level = nullptr;
  if (count_ < kMaxLevels) {
    if (static_cast<int>(ring_.size()) <= count_) ring_.emplace_back();
    ++count_;
    level = &Slot(count_ - 1);
  } else {
    // The oldest slot becomes the newest level.
    level = &Slot(0);
    first_ = (first_ + 1) % kMaxLevels;
  }
  level->values.assign(static_cast<std::size_t>(width_), kNaNf);
  level->timeStamp = timeStamp;
  next_ = 0;
  complete_ = false;
  return *level;
}

bool CStorage::AddArray(int start, int count, const double* y, const double* x) {
  std::lock_guard lock(*this);
  if (!PV_ASSERT(start >= 0 && count >= 0 && start <= width_ - count)) return false;
  if (!PV_ASSERT(y != nullptr || count == 0)) return false;
  if (count == 0) return false;
  CLevel& level = complete_ ? NewLevel(Now()) : Slot(count_ - 1);
  ToFloat(y, count, level.values.data() + start);
  if (x != nullptr) std::copy_n(x, count, stimulus_.begin() + start);
  next_ = start + count;
  if (next_ == width_) {
    complete_ = true;
    ++completed_;
  }
  return true;
}

bool CStorage::SetPoint(int index, double x, double y) { return AddArray(index, 1, &y, &x); }

bool CStorage::AddPoint(double x, double y) {
  std::lock_guard lock(*this);
  return AddArray(complete_ ? 0 : next_, 1, &y, &x);
}

bool CStorage::AddNull() {
  std::lock_guard lock(*this);
  const double y = kNaN;
  return AddArray(complete_ ? 0 : next_, 1, &y, nullptr);
}

void CStorage::Clear() {
  std::lock_guard lock(*this);
  // Keeps the slots and their buffers for the next sweeps.
  first_ = count_ = next_ = 0;
  complete_ = true;
  ++resets_;
}

bool CStorage::GetPoint(int index, double& x, double& y, int level) const {
  std::lock_guard lock(*this);
  x = y = kNaN;
  if (!PV_ASSERT(index >= 0 && index < width_ && level >= 0 && level < count_)) return false;
  x = stimulus_[static_cast<std::size_t>(index)];
  y = Slot(level).values[static_cast<std::size_t>(index)];
  return true;
}

double CStorage::GetStimulus(int index) const {
  std::lock_guard lock(*this);
  if (!PV_ASSERT(index >= 0 && index < width_)) return kNaN;
  return stimulus_[static_cast<std::size_t>(index)];
}

bool CStorage::GetLevel(int level, std::vector<double>& values, int& timeStamp) const {
  std::lock_guard lock(*this);
  if (!PV_ASSERT(level >= 0 && level < count_)) return false;
  const CLevel& stored = Slot(level);
  values.assign(stored.values.begin(), stored.values.end());
  timeStamp = stored.timeStamp;
  return true;
}

bool CStorage::GetTimeStamp(int level, int& timeStamp) const {
  std::lock_guard lock(*this);
  if (level < 0 || level >= count_) return false;
  timeStamp = Slot(level).timeStamp;
  return true;
}

const float* CStorage::LevelData(int level) const {
  std::lock_guard lock(*this);
  if (level < 0 || level >= count_) return nullptr;
  return Slot(level).values.data();
}

void CStorage::GetHistogram(double min, double max, int bins, int& maxCount, int* counts) const {
  maxCount = 0;
  if (!PV_ASSERT(bins > 0) || !PV_ASSERT(counts != nullptr)) return;
  std::lock_guard lock(*this);
  const double binWidth = (max - min) / bins;
  // An empty or inverted range (or NaN limits) has no bins to count in.
  if (binWidth > 0) {
    for (int l = 0; l < count_; ++l) {
      for (const double v : Slot(l).values) {
        const double bin = std::floor((v - min) / binWidth);
        if (bin >= 0 && bin < bins) ++counts[static_cast<int>(bin)];
      }
    }
  }
  maxCount = *std::max_element(counts, counts + bins);
}

std::vector<double> CStorage::GetLastData(int maxRows, int& rows) const {
  std::lock_guard lock(*this);
  rows = std::clamp(maxRows, 0, count_);
  std::vector<double> buffer;
  buffer.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(width_));
  for (int l = count_ - rows; l < count_; ++l) {
    const std::vector<float>& values = Slot(l).values;
    buffer.insert(buffer.end(), values.begin(), values.end());
  }
  return buffer;
}

void CStorage::FillMatrix(CDoubleMatrix& matrix, double (*round)(double, int), int digits) const {
  std::lock_guard lock(*this);
  const auto width = static_cast<std::size_t>(width_);
  // Every cell is written below.
  matrix.Resize(static_cast<std::size_t>(count_) + 1, width + 1);
  matrix(0, 0) = 0.0;
  std::copy(stimulus_.begin(), stimulus_.end(), matrix.Row(0) + 1);
  for (int l = 0; l < count_; ++l) {
    const CLevel& level = Slot(l);
    double* row = matrix.Row(static_cast<std::size_t>(l) + 1);
    row[0] = level.timeStamp;
    for (std::size_t c = 0; c < width; ++c) row[c + 1] = round ? round(level.values[c], digits) : level.values[c];
  }
}

bool CStorage::LoadMatrix(const CDoubleMatrix& matrix) {
  if (matrix.Rows() < 1 || matrix.Cols() < 2) return false;
  const int width = static_cast<int>(matrix.Cols() - 1);
  std::lock_guard lock(*this);
  Clear();
  SetSize(width);
  std::copy_n(matrix.Row(0) + 1, width, stimulus_.begin());
  // Beyond kMaxLevels rows the ring keeps the newest, as it does for fed sweeps.
  for (std::size_t r = 1; r < matrix.Rows(); ++r) {
    CLevel& level = NewLevel(TimeStampFromCell(matrix(r, 0)));
    ToFloat(matrix.Row(r) + 1, width, level.values.data());
    complete_ = true;
    ++completed_;
  }
  next_ = 0;
  ++resets_;
  return true;
}

void CStorage::CopyTo(CStorage& dest) const {
  if (&dest == this) return;
  std::scoped_lock lock(*this, dest);
  if (dest.width_ != width_) dest.ring_.clear();
  dest.width_ = width_;
  dest.stimulus_.assign(stimulus_.begin(), stimulus_.end());
  // dest's levels are laid out from slot 0; buffers already there keep their memory.
  if (dest.ring_.size() < static_cast<std::size_t>(count_)) dest.ring_.resize(static_cast<std::size_t>(count_));
  for (int l = 0; l < count_; ++l) {
    CLevel& target = dest.ring_[static_cast<std::size_t>(l)];
    const CLevel& level = Slot(l);
    target.values.assign(level.values.begin(), level.values.end());
    target.timeStamp = level.timeStamp;
  }
  dest.first_ = 0;
  dest.count_ = count_;
  dest.next_ = next_;
  dest.complete_ = complete_;
  dest.completed_ = completed_;
  ++dest.resets_;
  dest.epoch_ = epoch_;
  dest.wallEpoch_ = wallEpoch_;
}

// ---------------------------------------------------------------------------------------
// CSpectrumStorage

CSpectrumStorage::CSpectrumStorage(std::wstring traceName, std::wstring responseQuantity)
    : traceName_(std::move(traceName)), responseQuantity_(std::move(responseQuantity)) {}

bool CSpectrumStorage::SetArray(int count, const double* y, const double* x) {
  if (!PV_ASSERT(count >= 0)) return false;
  std::lock_guard lock(storage_);
  storage_.SetSize(count);
  return storage_.AddArray(0, count, y, x);
}

void CSpectrumStorage::ClearStorage() {
  storage_.Clear();
  source_.Clear();
}

bool CSpectrumStorage::SaveDataToFile(const wchar_t* fileName) const {
  if (!PV_ASSERT(fileName != nullptr)) return false;
  const int width = storage_.GetSize();
  if (width <= 0) return false;

  CDoubleMatrix matrix;
  // Filled under the lock, written after it: the drawing thread must not wait for the disk.
  storage_.FillMatrix(matrix, [](double v, int digits) { return round_to(v, digits); },
                      -GetUnitsFractionSize(responseQuantity_));

  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::wstring header = Utf8ToWide(kSpectrumFileTitle) + L"\n";
  header += L"# " + SingleLine(traceName_) + L"\n";
  header += L"# " + DateToStr(local) + L"\n";
  header += L"# " + TimeToStr(local) + L"\n";
  header += L"# " + std::to_wstring(matrix.Cols() - 1) + L"\n";
  return SaveCustomMatrixToFile(fileName, matrix, 0, header) == mrOk;
}

int CSpectrumStorage::AddMatrix(const CDoubleMatrix* matrix) {
  if (matrix == nullptr || !storage_.LoadMatrix(*matrix)) return -1;
  source_.LoadMatrix(*matrix);
  return 0;
}

void CSpectrumStorage::GetMatrix(CDoubleMatrix* matrix) const {
  if (!PV_ASSERT(matrix != nullptr)) return;
  storage_.FillMatrix(*matrix, nullptr, 0);
}
