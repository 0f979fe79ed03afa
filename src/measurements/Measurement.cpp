#include "measurements/Measurement.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <new>

#include "common/Assert.h"
#include "common/Log.h"
#include "common/Text.h"
#include "common/Units.h"
#include "interfaces/DiagramInterface.h"
#include "interfaces/TraceInterface.h"
#include "measurements/MeasurementSubscriber.h"

namespace {

// Parameters that announce an event rather than hold a state: cleared after the notification.
bool IsEventParameter(const std::wstring& name) {
  return name == L"SyncOut" || name == L"FrequencyCounter";
}

bool IsFrequencyIndicator(const SChannelIndicator& entry) {
  return entry.Category.find(L"freq") != std::wstring::npos;
}

}  // namespace

// One pass over the subscriber list (or one operation that makes several). While any pass is
// open, leaving subscribers become holes instead of being erased, so indices stay valid;
// the outermost pass closes them. A channel destroyed by a callback marks every open pass,
// and a marked pass never touches the channel again.
class CMeasurement::CPass {
 public:
  explicit CPass(CMeasurement& m) : m_(&m), outer_(m.pass_) { m.pass_ = this; }
  CPass(const CPass&) = delete;
  CPass& operator=(const CPass&) = delete;
  ~CPass() {
    if (destroyed_) return;
    m_->pass_ = outer_;
    if (outer_ == nullptr && m_->holes_) {
      std::erase(m_->subscribers_, nullptr);
      m_->holes_ = false;
    }
  }
  bool Destroyed() const { return destroyed_; }

 private:
  friend class CMeasurement;
  CMeasurement* m_;
  CPass* outer_;
  bool destroyed_ = false;
};

CMeasurement::~CMeasurement() {
  for (CPass* pass = pass_; pass != nullptr; pass = pass->outer_) pass->destroyed_ = true;
  pass_ = nullptr;
  std::erase(subscribers_, nullptr);
  holes_ = false;

  while (!subscribers_.empty()) {
    CMeasurementSubscriber* s = subscribers_.back();
    const std::size_t before = subscribers_.size();
    if (dynamic_cast<TraceInterface*>(s) != nullptr) {
      s->MeasurementDestroyed(this);
    } else {
      s->RemoveMeasurement(this);
    }
    // Still registered: an override that kept it, or an entry added by AddSubscriber alone.
    // Either way the loop must make progress and the subscriber must not keep a dangling
    // channel.
    if (subscribers_.size() == before && subscribers_.back() == s) {
      s->RemoveMeasurement(this);
      if (subscribers_.size() == before && subscribers_.back() == s) subscribers_.pop_back();
    }
  }
}

// ---- Read side ----------------------------------------------------------------------------

double CMeasurement::GetStimulusMin() const {
  return std::isinf(fullRangeMin_) ? -1e11 : fullRangeMin_;
}

double CMeasurement::GetStimulusMax() const {
  return std::isinf(fullRangeMax_) ? 1e11 : fullRangeMax_;
}

int CMeasurement::GetStimulusMultiplier() const { return stimulusHidden_ ? 1 : multiplier_; }

double CMeasurement::GetStimulusStart() const { return stimulusHidden_ ? 1.0 : stimulusStart_; }

double CMeasurement::GetStimulusStop() const {
  if (stimulusHidden_) return pointsCount_ < 2 ? 1.0 : static_cast<double>(pointsCount_);
  return stimulusStop_;
}

double CMeasurement::GetDisplayStimStart() const { return stimulusHidden_ ? 1.0 : displayStart_; }

double CMeasurement::GetDisplayStimStop() const {
  if (stimulusHidden_) return pointsCount_ < 2 ? 1.0 : static_cast<double>(pointsCount_);
  return displayStop_;
}

std::wstring CMeasurement::GetStimulusQuantity() const {
  return stimulusHidden_ ? std::wstring() : stimulusQuantity_;
}

void CMeasurement::GetOptimalStart(double& value, int& digits) const {
  CalcOptimalValue(displayStart_, value, digits, stimulusQuantity_);
  if (stimulusHidden_) {
    value = GetDisplayStimStart();
    digits = 0;
  }
}

void CMeasurement::GetOptimalStop(double& value, int& digits) const {
  CalcOptimalValue(displayStop_, value, digits, stimulusQuantity_);
  if (stimulusHidden_) {
    value = GetDisplayStimStop();
    digits = 0;
  }
}

void CMeasurement::GetOptimalRange(double& start, double& stop, double& center, int& startDigits,
                                   int& stopDigits, int& centerDigits) const {
  GetOptimalStart(start, startDigits);
  GetOptimalStop(stop, stopDigits);
  if (stimulusHidden_) {
    // The centre of the point numbers shown, like start and stop.
    center = (GetDisplayStimStart() + GetDisplayStimStop()) * 0.5;
    centerDigits = 0;
  } else {
    CalcOptimalValue((displayStart_ + displayStop_) * 0.5, center, centerDigits, stimulusQuantity_);
  }
}

std::wstring CMeasurement::GetParameter(const wchar_t* name) const {
  if (!PV_ASSERT(name != nullptr)) return std::wstring();
  auto it = parameters_.find(std::wstring_view(name));
  std::wstring value = it == parameters_.end() ? std::wstring() : it->second;
  if (value.empty() && std::wcscmp(name, L"notation") == 0) return name_;
  return value;
}

int CMeasurement::GetIndicatorCount(EChannelIndicatorType type) const {
  const unsigned vecIndex = static_cast<unsigned>(type);
  if (!PV_ASSERT(vecIndex < 2)) return -1;
  return static_cast<int>(ShownIndicatorCount(vecIndex));
}

const SChannelIndicator* CMeasurement::GetIndicator(EChannelIndicatorType type, unsigned index) const {
  const unsigned vecIndex = static_cast<unsigned>(type);
  if (!PV_ASSERT(vecIndex < 2)) return nullptr;
  const unsigned indCount = ShownIndicatorCount(vecIndex);
  if (!PV_ASSERT(index < indCount)) return nullptr;
  for (const SChannelIndicator& entry : indicators_[vecIndex]) {
    if (stimulusHidden_ && IsFrequencyIndicator(entry)) continue;
    if (index == 0) return &entry;
    --index;
  }
  return nullptr;
}

unsigned CMeasurement::ShownIndicatorCount(unsigned vecIndex) const {
  const std::vector<SChannelIndicator>& list = indicators_[vecIndex];
  if (!stimulusHidden_) return static_cast<unsigned>(list.size());
  return static_cast<unsigned>(std::count_if(
      list.begin(), list.end(), [](const SChannelIndicator& e) { return !IsFrequencyIndicator(e); }));
}

template <typename Ask>
bool CMeasurement::AskSubscribers(Ask ask) {
  CPass pass(*this);
  const std::size_t n = subscribers_.size();
  for (std::size_t i = 0; i < n; ++i) {
    CMeasurementSubscriber* s = subscribers_[i];
    if (s == nullptr) continue;
    if (ask(s)) return true;
    if (pass.Destroyed()) return false;
  }
  return false;
}

bool CMeasurement::GetActive() {
  return AskSubscribers([this](CMeasurementSubscriber* s) { return s->IsMeasurementActive(this); });
}

bool CMeasurement::GetUsing() {
  return AskSubscribers([this](CMeasurementSubscriber* s) { return s->IsMeasurementUsed(this); });
}

bool CMeasurement::GetVisible() {
  return AskSubscribers([this](CMeasurementSubscriber* s) { return s->IsMeasurementVisible(this); });
}

// ---- Subscription -------------------------------------------------------------------------

void CMeasurement::AddSubscriber(CMeasurementSubscriber* subscriber) {
  if (!PV_ASSERT(subscriber != nullptr)) return;
  subscribers_.push_back(subscriber);
  subscriber->CallbackChanged(this, mpAttached);
}

void CMeasurement::RemoveSubscriber(CMeasurementSubscriber* subscriber) {
  if (subscriber == nullptr) return;  // nulls in the list are holes, not subscribers
  auto it = std::find(subscribers_.begin(), subscribers_.end(), subscriber);
  if (it == subscribers_.end()) return;
  if (pass_ != nullptr) {
    *it = nullptr;
    holes_ = true;
  } else {
    subscribers_.erase(it);
  }
}

bool CMeasurement::NotifySubscribersChange(EMeasureParam kind) {
  CPass pass(*this);
  for (std::size_t i = subscribers_.size(); i-- > 0;) {
    CMeasurementSubscriber* s = subscribers_[i];
    if (s == nullptr) continue;
    s->CallbackChanged(this, kind);
    if (pass.Destroyed()) return false;
  }
  return true;
}

// ---- Host side ----------------------------------------------------------------------------

void CMeasurement::SetName(const std::wstring& name) {
  if (name == name_) return;
  name_ = name;
  NotifySubscribersChange(mpName);
}

void CMeasurement::SetInfo(const std::wstring& info) {
  if (info == info_) return;
  info_ = info;
  CPass guard(*this);
  SetIndicator(citFirst, 100, info, Tr("Параметры измерительного канала"), std::wstring(), -1);
  if (guard.Destroyed()) return;
  NotifySubscribersChange(mpInfo);
}

void CMeasurement::SetStimulusFullRange(double min, double max) {
  fullRangeMin_ = min * multiplier_;
  fullRangeMax_ = max * multiplier_;
}

void CMeasurement::SetStimulusRange(double start, double stop, bool dataRange) {
  start *= multiplier_;
  stop *= multiplier_;
  const bool wasReversed = reversed_;
  reversed_ = start > stop;
  if (reversed_) std::swap(start, stop);
  displayStart_ = start;
  displayStop_ = stop;
  displayOnly_ = !dataRange;
  if (!dataRange) return;
  // A reversed range never counts as unchanged, and neither does the return to a forward
  // sweep: subscribers learn the direction with the range.
  if (start == stimulusStart_ && stop == stimulusStop_ && !reversed_ && !wasReversed) return;
  // A direction change alone is no new range, but it must not drop a change still waiting
  // for its first chunk either.
  if (start != stimulusStart_ || stop != stimulusStop_) rangeChangedPending_ = true;
  stimulusStart_ = start;
  stimulusStop_ = stop;
  NotifySubscribersChange(mpStimulusRange);
}

void CMeasurement::SetStimulusQuantity(const std::wstring& quantity) {
  if (quantity == stimulusQuantityRaw_) return;
  // The range in host units and in sweep order, so the direction survives the new multiplier.
  const double low = stimulusStart_ / multiplier_;
  const double high = stimulusStop_ / multiplier_;
  const double first = reversed_ ? high : low;
  const double last = reversed_ ? low : high;

  stimulusQuantityRaw_ = quantity;
  stimulusQuantity_ = quantity;
  multiplier_ = 1;
  const std::size_t p = quantity.find(L"Hz");
  if (p != std::wstring::npos) {
    const double factor = QuorFactorBySubMultiplyUnit(quantity.substr(0, p));
    if (factor > 1) {
      const int exponent = static_cast<int>(std::lround(std::log10(factor)));
      // The multiplier is a 32-bit integer: up to giga.
      if (PV_ASSERT_MSG(exponent <= 9, "stimulus prefix beyond the multiplier's range")) {
        std::int32_t m = 1;
        for (int i = 0; i < exponent; ++i) m *= 10;
        multiplier_ = m;
      }
    }
    if (multiplier_ > 1) stimulusQuantity_ = quantity.substr(p);
  }

  CPass guard(*this);
  SetStimulusRange(first, last, true);
  if (guard.Destroyed()) return;
  NotifySubscribersChange(mpStimulusQuantity);
}

void CMeasurement::SetResponseQuantity(const std::wstring& quantity) {
  if (quantity == responseQuantity_) return;
  responseQuantity_ = quantity;
  NotifySubscribersChange(mpResponseQuantity);
}

void CMeasurement::SetPointsCount(int count) {
  if (!PV_ASSERT_MSG(count >= 0 && count <= kMaxPointsCount, "0 <= PointsCount <= kMaxPointsCount")) {
    LogMessage(L"Control", L"Point count " + std::to_wstring(count) + L" of channel \"" + name_ +
                               L"\" refused: a sweep has at most " + std::to_wstring(kMaxPointsCount) +
                               L" points",
               true);
    return;
  }
  if (count == pointsCount_) return;
  pointsCount_ = count;
  if (NotifySubscribersChange(mpNewSweep)) NotifySubscribersChange(mpPointsCount);
}

void CMeasurement::HideStimulus(bool hide) {
  stimulusHidden_ = hide;
  for (EMeasureParam kind : {mpNewSweep, mpStimulusRange, mpDisplayRange, mpStimulusQuantity}) {
    if (!NotifySubscribersChange(kind)) return;
  }
}

void CMeasurement::SetParameter(const std::wstring& name, const std::wstring& value) {
  auto it = parameters_.find(name);
  if (it == parameters_.end()) {
    if (value.empty()) return;
    parameters_.emplace(name, value);
  } else {
    if (it->second == value) return;
    it->second = value;
  }
  if (name == L"SyncOut") parameters_[L"SyncOutControl"] = L"true";
  lastParameter_ = name;
  if (!NotifySubscribersChange(mpParameter)) return;
  if (IsEventParameter(name)) parameters_[name].clear();
}

int CMeasurement::SetIndicator(EChannelIndicatorType type, int id, const std::wstring& text,
                               const std::wstring& hint, const std::wstring& category, int order) {
  const unsigned vecIndex = static_cast<unsigned>(type);
  if (vecIndex >= kIndicatorKinds) return -1;
  std::vector<SChannelIndicator>& list = indicators_[vecIndex];
  auto it = std::lower_bound(list.begin(), list.end(), id,
                             [](const SChannelIndicator& e, int key) { return e.ID < key; });
  const bool removing = text.empty() && order < 0;
  if (it == list.end() || it->ID != id) {
    if (removing) return 0;
    list.insert(it, SChannelIndicator{id, order, text, hint, category});
  } else {
    if (it->Text == text && it->Order == order) return 0;
    if (removing) {
      list.erase(it);
    } else {
      it->Order = order;
      it->Text = text;
      it->Hint = hint;
      it->Category = category;
    }
  }
  NotifySubscribersChange(mpInfo);
  return 0;
}

bool CMeasurement::AddData(int offset, int count, double* x, double* y, double* z, bool reset) {
  // Every subscriber indexes its buffers with offset + count: a chunk must end inside the
  // largest sweep there can be. Compared by subtraction, so no sum can wrap around.
  if (count >= 0 && !PV_ASSERT_MSG(offset >= 0 && count <= kMaxPointsCount - offset, "Cnt + Offset <= Size")) {
    return false;
  }
  CPass pass(*this);
  try {
    return Deliver(pass, offset, count, x, y, z, reset);
  } catch (const std::bad_alloc&) {
    // A subscriber (or the point numbers) could not get the memory for this chunk. The
    // chunk is lost; the channel and the host go on.
    LogMessage(L"Control", L"Out of memory while delivering " + std::to_wstring(count) + L" points at " +
                               std::to_wstring(offset) + L" of channel \"" +
                               (pass.Destroyed() ? std::wstring() : name_) + L"\"",
               true);
    return false;
  }
}

bool CMeasurement::Deliver(CPass& pass, int offset, int count, double* x, double* y, double* z, bool reset) {
  // New sweep: forced, or the first chunk of a changed range begins where the range begins.
  if (reset) {
    rangeChangedPending_ = false;
    if (!NotifySubscribersChange(mpNewSweep)) return true;
  } else if (offset == 0 && count > 0 && rangeChangedPending_ && x != nullptr) {
    const double first = reversed_ ? stimulusStop_ : stimulusStart_;
    if (std::fabs(first / multiplier_ - x[0]) < 1e-12) {
      rangeChangedPending_ = false;
      if (!NotifySubscribersChange(mpNewSweep)) return true;
    }
  }
  if (count < 0) return true;
  if (count > 0 && !PV_ASSERT(x != nullptr)) return false;

  if (!stimulusHidden_ && !displayOnly_ && autoScale_ && stimulusQuantity_.size() == 3 && stimulusQuantity_ == L"dBm") {
    AutoRange(offset, count, x);
    if (pass.Destroyed()) return true;
  }

  // A hidden stimulus delivers point numbers. The buffer is the channel's and is reused;
  // only an AddData called from inside the delivery of another needs one of its own.
  double* xs = x;
  std::vector<double> nested;
  // The point-number buffer is ours to give back however this ends, an exception included.
  struct SRelease {
    CPass& pass;
    bool& busy;
    bool owns;
    ~SRelease() {
      if (owns && !pass.Destroyed()) busy = false;
    }
  } release{pass, pointNumbersBusy_, false};
  if (stimulusHidden_ && count > 0) {
    std::vector<double>* numbers = &nested;
    if (!pointNumbersBusy_) {
      numbers = &pointNumbers_;
      pointNumbersBusy_ = release.owns = true;
    }
    if (numbers->size() < static_cast<std::size_t>(count)) numbers->resize(count);
    double* out = numbers->data();
    const double first = static_cast<double>(offset) + 1.0;
    for (int i = 0; i < count; ++i) out[i] = first + i;
    xs = out;
  }

  const std::size_t n = subscribers_.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (CMeasurementSubscriber* s = subscribers_[i]) {
      s->CallbackData(this, offset, count, xs, y, z);
      if (pass.Destroyed()) return true;
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (CMeasurementSubscriber* s = subscribers_[i]) {
      s->CallbackDataDone(this);
      if (pass.Destroyed()) return true;
    }
  }
  return true;
}

// The range of a power sweep follows its data: replaced when the data cover clearly less than
// it, otherwise only widened. Computed once per sweep, on the chunk that completes it.
void CMeasurement::AutoRange(int offset, int count, const double* x) {
  if (offset == 0 && count > 0) firstX_ = x[0];
  if (count <= 0 || static_cast<long long>(offset) + count != GetPointsCount()) return;

  const double first = (offset == 0 || std::isnan(firstX_)) ? x[0] : firstX_;
  double lo = first;
  double hi = first;
  for (int i = 0; i < count; ++i) {
    lo = std::min(lo, x[i]);
    hi = std::max(hi, x[i]);
  }
  if (!std::isfinite(lo) || !std::isfinite(hi)) return;
  const bool newReversed = x[count - 1] < first;
  lo = round_to(lo, -2, 0);
  hi = round_to(hi, -2, 0);

  const double start = GetStimulusStart();
  const double stop = GetStimulusStop();
  if (std::fabs(start - lo) <= 1e-12 && std::fabs(stop - hi) <= 1e-12 && newReversed == reversed_) {
    return;
  }
  const double span = stop - start;
  const bool replace = span == 0 || (lo - start) / span > 0.1 || (stop - hi) / span > 0.1;
  if (!replace) {
    lo = std::min(lo, start);
    hi = std::max(hi, stop);
    if (lo == start && hi == stop && newReversed == reversed_) return;
  }
  if (newReversed) {
    SetStimulusRange(hi, lo, true);
  } else {
    SetStimulusRange(lo, hi, true);
  }
}

void CMeasurement::SetDataToMemory(const std::wstring& name) {
  CPass pass(*this);
  const std::size_t n = subscribers_.size();
  for (std::size_t i = 0; i < n; ++i) {
    auto* diagram = dynamic_cast<DiagramInterface*>(subscribers_[i]);
    if (diagram == nullptr) continue;
    if (TraceInterface* old = diagram->Trace(name.c_str())) {
      const int index = diagram->GetTraceIndex(old);
      if (index >= 0) {
        diagram->SelectTrace(static_cast<unsigned>(index));
        diagram->DeleteSelectedTraces();
        if (pass.Destroyed()) return;
      }
    }
    const unsigned traces = diagram->GetTraceCount();
    for (unsigned t = 0; t < traces; ++t) {
      TraceInterface* trace = diagram->Trace(t);
      if (trace != nullptr && trace->Measurement() == static_cast<MeasurementInterface*>(this) &&
          trace->GetTraceType() == L"Measuring") {
        diagram->RememberTrace(trace, name);
        return;
      }
    }
  }
}
