#include "markers/Marker.h"

#include <algorithm>
#include <cmath>

#include "chart/SeriesData.h"
#include "common/Assert.h"
#include "common/Text.h"
#include "common/Units.h"
#include "common/UserInteraction.h"
#include "common/Xml.h"
#include "core/DiagCommonLib.h"
#include "core/MenuModel.h"
#include "interfaces/DiagramControlInterface.h"
#include "interfaces/DiagramInterface.h"
#include "markers/MarkParams.h"
#include "markers/MarkersManager.h"
#include "markers/RelationMarker.h"
#include "traces/PlotKinds.h"

namespace {

constexpr double kOnTraceTolerance = 1e-5;

}  // namespace

CMarker::CMarker(CMarkersManager* manager, DiagramInterface* diagram, std::wstring name)
    : manager_(manager), diagram_(diagram), name_(std::move(name)), params_(DefaultMarkParams()) {}

// ---- the trace ----------------------------------------------------------------------------

TraceInterface* CMarker::SrcTrace(bool reference) const {
  const int index = reference ? params_.refTraceIndex : params_.traceIndex;
  if (index < 0 || diagram_ == nullptr || static_cast<unsigned>(index) >= diagram_->GetTraceCount()) return nullptr;
  return diagram_->Trace(static_cast<unsigned>(index));
}

TraceInterface* CMarker::LineTrace(unsigned line) const {
  if (line < 2 || line >= kLinesCount || diagram_ == nullptr) return nullptr;
  return line - 2 < diagram_->GetTraceCount() ? diagram_->Trace(line - 2) : nullptr;
}

SSearchInput CMarker::MakeInput(SSearchView& view, TraceInterface*& trace) const {
  SSearchInput in;
  in.params = &params_;
  trace = SrcTrace(false);
  if (trace == nullptr) return in;
  const CSeriesData& data = trace->DisplayData();
  view.count = data.Count();
  view.x = data.X();
  view.t = data.Y();
  TraceInterface* reference = params_.deltaMeasure ? SrcTrace(true) : nullptr;
  bool referenceHasPoints = true;
  if (reference != nullptr) {
    const CSeriesData& r = reference->DisplayData();
    view.rx = r.X();
    view.r = r.Y();
    view.rCount = r.Count();
    view.count = std::min(view.count, r.Count());
    referenceHasPoints = r.Count() > 0;
  }
  in.valid = view.count > 0 && referenceHasPoints;
  in.stimMin = trace->XValueMin();
  in.stimMax = trace->XValueMax();
  if (params_.mode == mmRef && manager_ != nullptr && params_.refMarker >= 0 &&
      params_.refMarker < static_cast<int>(kMarkerCount)) {
    const CMarker* ref = manager_->Marker(static_cast<unsigned>(params_.refMarker));
    if (ref != nullptr && ref != this) {
      in.refX = ref->GetFreq();
      in.refValue = ref->LineValue(static_cast<unsigned>(params_.traceIndex + 2));
    }
  }
  in.view = view;
  return in;
}

SIndexSpan CMarker::Dependency() const {
  SSearchView view;
  TraceInterface* trace = nullptr;
  const SSearchInput in = MakeInput(view, trace);
  if (trace == nullptr) return {};
  return SearchDependency(params_, in.view, in.stimMin, in.stimMax);
}

// ---- the search ---------------------------------------------------------------------------

void CMarker::Update() {
  if (blocked_) return;
  if (fixed_) {
    UpdateList();
    Repaint();
    UpdateDeltaMarkers();
    return;
  }
  if (params_.extremeMode != emOff && autoSearch_) AutoSearchStart();
  if (params_.mode == mmFree) params_.deltaMeasure = false;

  SSearchView view;
  TraceInterface* trace = nullptr;
  const SSearchInput in = MakeInput(view, trace);
  const bool stimOffset = params_.mode == mmRef && (params_.direction == mdLeftStim || params_.direction == mdRightStim);
  if (params_.mode == mmRef && manager_ != nullptr) {
    const CMarker* ref = params_.refMarker >= 0 && params_.refMarker < static_cast<int>(kMarkerCount)
                             ? manager_->Marker(static_cast<unsigned>(params_.refMarker))
                             : nullptr;
    PV_ASSERT_MSG(ref != nullptr && ref != this, "pRefMark && pRefMark != this");
  }
  const bool skip = params_.traceIndex < 0 || trace == nullptr || (!activated_ && onTrace_) || hidden_ ||
                    params_.parked || (!in.valid && !stimOffset);
  if (!skip) {
    const double x = SearchMarker(in);
    if (std::isnan(x) || (x != x_ && params_.mode != mmFree)) ResetCounter();
    x_ = x;
    if (!std::isnan(x)) {
      params_.position = x;
      onTrace_ = in.stimMin - kOnTraceTolerance <= x && x <= in.stimMax + kOnTraceTolerance;
      if (syncEnabled_ && lastSync_ < 0 && in.valid) {
        const SLocation at = in.view.Locate(x);
        const int index = at.weight == 1.0 ? at.lo : at.weight == 0.0 ? at.hi : -1;
        if (index >= 0) SendSyncPoint(true, index);
      }
    } else {
      onTrace_ = false;
    }
  }
  if (!params_.tracking && params_.mode != mmFree) {
    params_.mode = mmFree;
    params_.deltaMeasure = false;
  }
  if (params_.counterState == 1 && DeviceControl() && !std::isnan(x_)) CountFreq(false);
  UpdateList();
  Repaint();
  UpdateDeltaMarkers();
}

void CMarker::SetOnFreq(double x, bool clip, bool repaint) {
  TraceInterface* trace = SrcTrace(false);
  if (clip && trace != nullptr && trace->Count() > 0)
    x = std::clamp(x, trace->XValueMin(), std::max(trace->XValueMin(), trace->XValueMax()));
  onTrace_ = trace != nullptr && x >= trace->XValueMin() && x <= trace->XValueMax();
  if (x != x_) ResetCounter();
  params_.position = x;
  x_ = x;
  UpdateList();
  if (repaint) Repaint();
  UpdateDeltaMarkers();
}

void CMarker::SetParams(const SMarkParams& params) {
  const bool changed = !(params_ == params);
  const bool wasParked = params_.parked;
  params_ = params;
  if (params_.parked) {
    activated_ = false;
  } else {
    activated_ = params_.enabled;
    if (wasParked) hidden_ = false;
  }
  if (params_.mode == mmRef && manager_ != nullptr && params_.refMarker >= 0 &&
      params_.refMarker < static_cast<int>(kMarkerCount)) {
    CMarker* ref = manager_->Marker(static_cast<unsigned>(params_.refMarker));
    if (ref != nullptr && ref != this) ref->AddReference(this);
  }
  Update();
  if (changed && !blocked_ && manager_ != nullptr) manager_->MarkerChanged();
}

void CMarker::SetMode(EMarkMode mode) {
  SMarkParams p = params_;
  p.mode = mode;
  if (mode == mmRef && (p.refMarker < 0 || p.refMarker == manager_->GetMarkerIndex(this))) {
    p.refMarker = -1;
    for (unsigned i = 0; i < kMarkerCount && p.refMarker < 0; ++i)
      if (manager_->Marker(i) != this && manager_->Marker(i)->IsActivated()) p.refMarker = static_cast<int>(i);
    if (p.refMarker < 0) p.refMarker = manager_->Marker(0) == this ? 1 : 0;
    manager_->Marker(static_cast<unsigned>(p.refMarker))->Activate(true);
  }
  SetParams(p);
}

bool CMarker::SetOnExtremum(EMarkMode mode, unsigned index, double excursion) {
  SMarkParams p = params_;
  p.mode = mode;
  p.extremeMode = emFixed;
  p.extremumIndex = static_cast<int>(index);
  p.excursion = excursion;
  p.parked = false;
  p.enabled = true;
  SetParams(p);
  return !std::isnan(x_);
}

void CMarker::SetSeekRange(bool enable, double min, double max) {
  SMarkParams p = params_;
  p.noLimits = !enable;
  p.rangeMin = min;
  p.rangeMax = max;
  SetParams(p);
}

void CMarker::LinkToTrace(int index) {
  SMarkParams p = params_;
  p.traceIndex = index;
  if (index >= 0 && static_cast<unsigned>(index) + 2 < kLinesCount) p.lines.set(static_cast<std::size_t>(index) + 2);
  SetParams(p);
}

bool CMarker::LinkToTrace(const wchar_t* title) {
  if (diagram_ == nullptr || title == nullptr) return false;
  TraceInterface* trace = diagram_->Trace(title);
  if (trace == nullptr) return false;
  LinkToTrace(diagram_->GetTraceIndex(trace));
  return true;
}

// ---- state --------------------------------------------------------------------------------

void CMarker::Activate(bool update) {
  params_.parked = false;
  params_.enabled = true;
  activated_ = true;
  hidden_ = false;
  if (params_.traceIndex < 0 && diagram_ != nullptr && diagram_->GetTraceCount() > 0) {
    params_.traceIndex = 0;
    params_.lines.set(2);
  }
  if (update) Update();
}

void CMarker::Deactivate(bool update) {
  params_.enabled = false;
  activated_ = false;
  if (update) {
    UpdateList();
    Repaint();
  }
}

void CMarker::Show() {
  hidden_ = false;
  Update();
}
void CMarker::Hide() {
  hidden_ = true;
  Repaint();
}
void CMarker::Park() {
  params_.parked = true;
  activated_ = false;
  selected_ = false;
  Repaint();
}
void CMarker::UnPark() {
  params_.parked = false;
  Update();
}

void CMarker::Reset(bool update) {
  for (CMarker* delta : deltaMarkers_)
    if (delta->params_.refMarker == manager_->GetMarkerIndex(this)) delta->params_.refMarker = -1;
  deltaMarkers_.clear();
  params_ = DefaultMarkParams();
  activated_ = hidden_ = selected_ = fixed_ = onTrace_ = waitingCounter_ = syncEnabled_ = autoSearch_ = false;
  lastSync_ = -1;
  x_ = counterFreq_ = kNoValue;
  minima_.clear();
  maxima_.clear();
  StatReset();
  if (update) {
    UpdateList();
    Repaint();
  }
}

void CMarker::SetFixed(bool on) {
  fixed_ = on;
  Update();
}

void CMarker::AddReference(CMarker* marker) {
  if (std::find(deltaMarkers_.begin(), deltaMarkers_.end(), marker) == deltaMarkers_.end())
    deltaMarkers_.push_back(marker);
}
void CMarker::RemoveReference(CMarker* marker) { std::erase(deltaMarkers_, marker); }

void CMarker::UpdateDeltaMarkers() {
  const int me = manager_ != nullptr ? manager_->GetMarkerIndex(this) : -1;
  for (CMarker* delta : deltaMarkers_)
    if (delta != this && delta->params_.mode == mmRef && delta->params_.refMarker == me && !delta->params_.parked)
      delta->Update();
  for (CRelationMarker* relation : relations_)
    if (relation->GetActivated()) relation->UpdateValues();
}

void CMarker::Connect(CRelationMarker* relation) {
  if (std::find(relations_.begin(), relations_.end(), relation) == relations_.end()) relations_.push_back(relation);
}
void CMarker::Disconnect(CRelationMarker* relation) { std::erase(relations_, relation); }

void CMarker::Repaint() {
  if (manager_ != nullptr) manager_->Repaint();
}

// ---- values and read-out ------------------------------------------------------------------

double CMarker::LineValue(unsigned line, int component) const {
  TraceInterface* trace = LineTrace(line);
  if (trace == nullptr || std::isnan(x_) || trace->Count() == 0) return kNoValue;
  const EDataValueType type = component == 0 ? vtResponse : vtResponseIm;
  if (type == vtResponseIm && !PlotKind(trace->GetPlot()).imaginary) return kNoValue;
  double value = trace->ResponseByX(type, x_);
  if (params_.deltaMeasure && static_cast<int>(line) == params_.traceIndex + 2) {
    if (TraceInterface* reference = SrcTrace(true); reference != nullptr) value -= reference->ResponseByX(type, x_);
  }
  return value;
}

bool CMarker::GetSeriesValue(double& value, const wchar_t* title, int component) const {
  if (title == nullptr || diagram_ == nullptr) return false;
  for (unsigned line = 2; line < kLinesCount; ++line) {
    TraceInterface* trace = LineTrace(line);
    if (trace == nullptr) break;
    if (params_.lines.test(line) && trace->GetName() == title) {
      value = LineValue(line, component);
      return !std::isnan(value);
    }
  }
  return false;
}

std::wstring CMarker::StimulusQuantity() const {
  TraceInterface* trace = SrcTrace(false);
  return trace != nullptr ? trace->GetQuantity(vtStimulus) : std::wstring(L"Hz");
}

std::wstring CMarker::FormatStimulus(double x) const {
  return CalcOptimalValueString(x, StimulusQuantity(), params_.stimFraction);
}

std::wstring CMarker::GetFreqString() const { return FormatStimulus(x_); }

std::wstring CMarker::LineName(unsigned line) const {
  if (line == 0) return Tr("Стимул");
  TraceInterface* trace = LineTrace(line);
  return trace != nullptr ? trace->GetName() : std::wstring();
}

std::wstring CMarker::GetTraceValueString(int line) const {
  if (line == 0) {
    if (params_.mode == mmRef && manager_ != nullptr && params_.refMarker >= 0 &&
        params_.refMarker < static_cast<int>(kMarkerCount)) {
      const CMarker* ref = manager_->Marker(static_cast<unsigned>(params_.refMarker));
      if (ref != nullptr && ref != this && !std::isnan(x_) && !std::isnan(ref->GetFreq()))
        return FormatStimulus(x_) + L"  d:" + FormatStimulus(x_ - ref->GetFreq());
    }
    return FormatStimulus(x_);
  }
  if (line < 2) return std::wstring();
  TraceInterface* trace = LineTrace(static_cast<unsigned>(line));
  if (trace == nullptr) return Tr("Н/Д");
  const bool delta = params_.deltaMeasure && line == params_.traceIndex + 2;
  const std::wstring quantity = trace->GetQuantity(vtResponse);
  std::wstring text = (delta ? L"d:" : L"") + CalcOptimalValueString(LineValue(static_cast<unsigned>(line)), quantity,
                                                                     params_.valueFraction);
  if (PlotKind(trace->GetPlot()).imaginary) {
    const double im = LineValue(static_cast<unsigned>(line), 1);
    text += L"; " + CalcOptimalValueString(im, trace->GetQuantity(vtResponseIm), params_.valueFraction);
  }
  if (params_.mode == mmRef && manager_ != nullptr && line == params_.traceIndex + 2 && params_.refMarker >= 0 &&
      params_.refMarker < static_cast<int>(kMarkerCount)) {
    const CMarker* ref = manager_->Marker(static_cast<unsigned>(params_.refMarker));
    if (ref != nullptr && ref != this) {
      const double d = LineValue(static_cast<unsigned>(line)) - ref->LineValue(static_cast<unsigned>(line));
      if (!std::isnan(d)) text += L"  d:" + CalcOptimalValueString(d, quantity, params_.valueFraction);
    }
  }
  return text;
}

std::wstring CMarker::RangeHint() const {
  std::wstring text = Tr("Диапазон поиска маркера %0: %1 %2 %3");
  ReplaceString(text, L"%0", name_);
  ReplaceString(text, L"%1", FormatStimulus(std::min(params_.rangeMin, params_.rangeMax)));
  ReplaceString(text, L"%2", L"…");
  ReplaceString(text, L"%3", FormatStimulus(std::max(params_.rangeMin, params_.rangeMax)));
  return text;
}

void CMarker::UpdateList() {
  readOut_.clear();
  if (params_.parked) return;
  std::wstring head = L"M" + name_;
  if (params_.mode != mmFree) head += L" " + MarkModeCaption(params_.mode);
  std::erase(head, L'&');
  if (fixed_) head += L" *";
  readOut_.push_back(head);
  if (params_.lines.test(0)) readOut_.push_back(GetTraceValueString(0));
  if (params_.counterState == 1) {
    readOut_.push_back(L"c:" + (std::isnan(counterFreq_) ? Tr("Н/Д") : FormatStimulus(counterFreq_)));
  }
  for (unsigned line = 2; line < kLinesCount; ++line) {
    if (!params_.lines.test(line)) continue;
    TraceInterface* trace = LineTrace(line);
    if (trace == nullptr) continue;
    readOut_.push_back(trace->GetName() + L": " + GetTraceValueString(static_cast<int>(line)));
    if (params_.showStat && line < kStoredLines) {
      const SStatInfo s = stat_[line].GetStatInfo();
      const std::wstring q = trace->GetQuantity(vtResponse);
      const int f = params_.valueFraction;
      readOut_.push_back(Tr("мин ") + CalcOptimalValueString(s.minimum, q, f) + Tr(" ср ") +
                         CalcOptimalValueString(s.mean, q, f) + Tr(" макс ") + CalcOptimalValueString(s.maximum, q, f) +
                         Tr(" СКО ") + CalcOptimalValueString(s.deviation, q, f));
    }
  }
}

void CMarker::UpdateStat(TraceInterface* trace) {
  if (!params_.showStat || !activated_ || trace == nullptr || trace != SrcTrace(false)) return;
  for (unsigned line = 2; line < kStoredLines; ++line)
    if (params_.lines.test(line) && LineTrace(line) != nullptr) {
      stat_[line].AddValue(LineValue(line));
      statUsed_ = true;
    }
}

std::shared_ptr<IAutomationObject> CMarker::GetAutomationInterface() const {
  const int index = manager_ != nullptr ? manager_->GetMarkerIndex(this) : -1;
  if (diagram_ == nullptr || index < 0) return nullptr;
  return MakeMarkerAutomationObject(*diagram_, static_cast<unsigned>(index));
}

void CMarker::StatReset() {
  if (!statUsed_) return;  // most markers never count: a layout load resets thirty of them
  for (CStatStorage& s : stat_) s.Reset();
  statUsed_ = false;
}

// ---- instrument ---------------------------------------------------------------------------

bool CMarker::DeviceControl() const { return manager_ != nullptr && manager_->DeviceControlAllowed(); }

void CMarker::CountFreq(bool force) {
  if (std::isnan(x_) || fixed_ || manager_ == nullptr || manager_->Control() == nullptr) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && (params_.counterState != 1 || waitingCounter_ || now - counterTick_ < std::chrono::milliseconds(1000)))
    return;
  TraceInterface* trace = SrcTrace(false);
  waitingCounter_ = true;  // before sending: an instrument may answer at once
  counterTick_ = now;
  manager_->Control()->SendDiagramParameter(trace != nullptr ? trace->Measurement() : nullptr, L"FrequencyCounter",
                                            params_.counterAccuracy, x_);
}

void CMarker::SetCorrectedFreq(double freq) {
  counterFreq_ = freq;
  waitingCounter_ = false;
  UpdateList();
  Repaint();
}

void CMarker::ResetCounter() {
  counterFreq_ = kNoValue;
  waitingCounter_ = false;
}

void CMarker::SendSyncPoint(bool enable, int index) {
  syncEnabled_ = enable;
  if (manager_ != nullptr && manager_->Control() != nullptr) {
    TraceInterface* trace = SrcTrace(false);
    manager_->Control()->SendDiagramParameter(trace != nullptr ? trace->Measurement() : nullptr, L"SyncPoint",
                                              index < 0 ? 0 : index, enable ? 11 : 0);
  }
  lastSync_ = index;
}

void CMarker::ResetSyncPoint() {
  syncEnabled_ = false;
  lastSync_ = -1;
}

void CMarker::SetCenter() {
  TraceInterface* trace = SrcTrace(false);
  if (trace == nullptr || std::isnan(x_) || trace->Measurement() == nullptr) return;
  MeasurementInterface* m = trace->Measurement();
  const double multiplier = m->GetStimulusMultiplier();
  if (!PV_ASSERT_MSG(multiplier != 0, "SrcTrace()->Measurement()->GetStimulusMultiplier() != 0")) return;
  const double half = (trace->XValueMax() - trace->XValueMin()) / 2;
  double start = x_ - half, stop = x_ + half;
  const double lo = m->GetStimulusMin(), hi = m->GetStimulusMax();
  if (hi > lo) {
    start = std::clamp(start, lo, hi);
    stop = std::clamp(stop, lo, hi);
  }
  if (manager_ != nullptr && manager_->Control() != nullptr)
    manager_->Control()->SendDiagramParameter(m, L"freq,center", start / multiplier, stop / multiplier);
}

void CMarker::SetRefLevel() {
  TraceInterface* trace = SrcTrace(false);
  if (trace == nullptr || std::isnan(x_)) return;
  const double value = trace->ResponseByX(vtResponse, x_);
  if (std::isnan(value)) return;
  trace->SetScaleRef(round_to(value, GetUnitsFractionSize(trace->GetQuantity(vtResponse))));
}

// ---- extreme search display ---------------------------------------------------------------

void CMarker::AutoSearchStart() {
  minima_.clear();
  maxima_.clear();
  TraceInterface* trace = SrcTrace(false);
  if (params_.extremeMode == emOff || trace == nullptr || trace->Count() <= 3) return;
  autoSearch_ = true;
  const CSeriesData& data = trace->DisplayData();
  SSearchView view;
  view.count = data.Count();
  view.x = data.X();
  view.t = data.Y();
  CExtremumIterator it(view, 0, params_.excursion);
  for (;;) {
    CExtremumIterator::EKind kind = CExtremumIterator::ekAny;
    const int i = it.Next(kind);
    if (i < 0) break;
    (kind == CExtremumIterator::ekMinimum ? minima_ : maxima_).push_back({view.x[i], view.t[i]});
  }
}

void CMarker::AutoSearchFinish() {
  TraceInterface* trace = SrcTrace(false);
  if (!autoSearch_ || trace == nullptr) return AutoSearchAbort();
  const double at = params_.position;
  const SPointF* nearest = nullptr;
  bool nearestIsMax = false;
  for (int kind = 0; kind < 2; ++kind)
    for (const SPointF& p : kind == 0 ? minima_ : maxima_)
      if (nearest == nullptr || std::fabs(p.x - at) < std::fabs(nearest->x - at)) {
        nearest = &p;
        nearestIsMax = kind == 1;
      }
  if (nearest != nullptr) {
    double lo = trace->XValueMin(), hi = trace->XValueMax();
    for (const SPointF& p : nearestIsMax ? minima_ : maxima_) {
      if (p.x < nearest->x) lo = std::max(lo, p.x);
      if (p.x > nearest->x) hi = std::min(hi, p.x);
    }
    SMarkParams p = params_;
    p.mode = nearestIsMax ? mmMaximum : mmMinimum;
    p.noLimits = false;
    p.rangeMin = lo;
    p.rangeMax = hi;
    AutoSearchAbort();
    SetParams(p);
    return;
  }
  AutoSearchAbort();
}

void CMarker::AutoSearchAbort() {
  autoSearch_ = false;
  minima_.clear();
  maxima_.clear();
  Repaint();
}
