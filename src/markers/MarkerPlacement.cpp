// Placing many markers at once: on the highest maxima of a spectrum, or at a list of stimulus
// values; and the forms that edit one marker or relation.
#include <algorithm>
#include <cmath>

#include "chart/SeriesData.h"
#include "common/StatStorage.h"
#include "common/Text.h"
#include "common/Units.h"
#include "common/UserInteraction.h"
#include "interfaces/DiagramInterface.h"
#include "markers/MarkerForms.h"
#include "markers/MarkersManager.h"

bool CMarkersManager::HarmonicSearchOffered() const {
  if (diagram_ == nullptr || diagram_->GetTraceCount() == 0) return false;
  MeasurementInterface* m = diagram_->Trace(0u)->Measurement();
  return m != nullptr && !m->GetParameter(L"reference_level").empty();
}

bool CMarkersManager::FindExtremums() {
  if (diagram_ == nullptr || diagram_->GetTraceCount() == 0) return false;
  TraceInterface* trace = diagram_->Trace(0u);
  const CSeriesData& data = trace->DisplayData();
  SSearchView view;
  view.count = data.Count();
  view.x = data.X();
  view.t = data.Y();
  if (std::isnan(tolerance_)) {
    if (view.count == 0) {
      tolerance_ = markers_[0]->GetParams().excursion;
    } else {
      CStatStorage stat;
      for (int i = 0; i < view.count; ++i) stat.AddValue(view.V(i));
      tolerance_ = 1.645 * stat.GetStatInfo().deviation;
    }
  }
  double tolerance = std::isfinite(tolerance_) ? tolerance_ : 10.0;
  if (!UserInteraction().QueryNumber(nullptr, Tr("Поиск гармоник"), Tr("Допуск амплитуды"), tolerance)) return false;
  tolerance_ = std::clamp(tolerance, 1e-6, 1e9);

  struct SCandidate {
    int ordinal;
    double level;
  };
  std::vector<SCandidate> found;
  if (view.count > 3) {
    CExtremumIterator it(view, 0, tolerance_);
    for (;;) {
      CExtremumIterator::EKind kind = CExtremumIterator::ekMaximum;
      const int i = it.Next(kind);
      if (i < 0) break;
      found.push_back({static_cast<int>(found.size()), view.V(i)});
    }
  }
  std::stable_sort(found.begin(), found.end(), [](const SCandidate& a, const SCandidate& b) { return a.level > b.level; });
  if (found.size() > kMarkerCount) found.resize(kMarkerCount);
  std::sort(found.begin(), found.end(), [](const SCandidate& a, const SCandidate& b) { return a.ordinal < b.ordinal; });

  unsigned placed = 0;
  for (; placed < found.size(); ++placed) {
    CMarker& m = *markers_[placed];
    m.LinkToTrace(0);
    if (!m.SetOnExtremum(mmMaximum, static_cast<unsigned>(found[placed].ordinal + 1), tolerance_)) break;
    SMarkParams p = m.GetParams();
    p.lines.reset();
    p.lines.set(0);
    p.lines.set(2);
    p.framePos = placed % 2 == 0 ? 0 : 10;
    m.SetParams(p);
  }
  for (unsigned i = placed; i < kMarkerCount; ++i) markers_[i]->Reset(true);
  active_ = markers_[0].get();
  Repaint();
  return true;
}

bool CMarkersManager::AutoManage() {
  if (diagram_ == nullptr || diagram_->GetTraceCount() == 0) return false;
  TraceInterface* first = diagram_->Trace(0u);
  placement_.clear();
  bool anyActive = false;
  for (auto& m : markers_)
    if (m->IsActivated()) {
      anyActive = true;
      if (!std::isnan(m->GetFreq())) placement_.push_back(m->GetFreq());
    }
  const std::wstring quantity = first->GetQuantity(vtStimulus);
  const std::wstring header = GetDescriptionString(quantity) + L", " + GetPrefixString(6) + GetUnitsString(quantity);
  const double lo = std::min(first->XValueMin(), first->XValueMax());
  const double hi = std::max(first->XValueMin(), first->XValueMax());
  std::vector<double> values = placement_;
  if (!MarkerForms().EditValueList(Tr("Расстановка маркеров по списку"), header, 1e-6, lo, hi, kMarkerCount, values))
    return false;

  std::vector<std::wstring> names;
  for (unsigned i = 0; i < diagram_->GetTraceCount(); ++i) {
    TraceInterface* t = diagram_->Trace(i);
    MeasurementInterface* m = t->Measurement();
    std::wstring label = m != nullptr ? m->GetParameter(L"channel") + L"/" + m->GetParameter(L"notation") + L" " : L"";
    names.push_back(label + t->GetName());
  }
  std::vector<bool> ticked(names.size(), false);
  ticked[0] = true;
  if (!MarkerForms().ChooseTraces(Tr("Отображаемые трассы"), names, ticked)) return false;
  if (anyActive && !QuorQuestion(nullptr, Tr("Все текущие настройки маркеров будут утеряны. \nПродолжить?"), Tr("Внимание")))
    return false;

  SMarkParams base = markers_[0]->GetParams();
  base.lines.reset();
  base.lines.set(0);
  int bound = -1;
  for (std::size_t i = 0; i < ticked.size() && i + 2 < kLinesCount; ++i)
    if (ticked[i]) {
      base.lines.set(i + 2);
      if (bound < 0) bound = static_cast<int>(i);
    }
  Reset();
  placement_ = values;
  base = [&] {
    SMarkParams p = DefaultMarkParams();
    p.lines = base.lines;
    p.stimFraction = base.stimFraction;
    p.valueFraction = base.valueFraction;
    return p;
  }();
  base.traceIndex = bound < 0 ? 0 : bound;
  base.parked = false;
  base.enabled = true;
  base.mode = mmFree;
  unsigned next = 0;
  for (double x : placement_) {
    if (next >= kMarkerCount) break;
    if (!(x >= lo && x <= hi)) continue;
    SMarkParams p = base;
    p.position = x;
    p.framePos = next % 2 == 0 ? 0 : 10;
    markers_[next++]->SetParams(p);
  }
  if (next > 0) active_ = markers_[0].get();
  Repaint();
  return true;
}

bool CMarkersManager::ShowMarkerPropForm(IMarker* marker) {
  const int index = GetMarkerIndex(marker);
  if (index < 0) return false;
  return MarkerForms().EditMarker(*markers_[static_cast<std::size_t>(index)]);
}

bool CMarkersManager::ShowLinkPropForm(CRelationMarker* relation) {
  return relation != nullptr && MarkerForms().EditRelation(*relation);
}

bool CMarkersManager::ChooseShownTraces(CMarker* marker) {
  if (marker == nullptr || diagram_ == nullptr) return false;
  std::vector<std::wstring> names;
  std::vector<bool> ticked;
  const SMarkParams& p = marker->GetParams();
  for (unsigned i = 0; i < diagram_->GetTraceCount() && i + 2 < kLinesCount; ++i) {
    names.push_back(diagram_->Trace(i)->GetName());
    ticked.push_back(p.lines.test(i + 2));
  }
  if (!MarkerForms().ChooseTraces(Tr("Отображаемые трассы маркера ") + marker->GetCaption(), names, ticked)) return false;
  const auto apply = [&](CMarker& m) {
    SMarkParams q = m.GetParams();
    for (std::size_t i = 0; i < ticked.size(); ++i) q.lines.set(i + 2, ticked[i]);
    m.SetParams(q);
  };
  apply(*marker);
  if (QuorQuestion(nullptr, Tr("Применить настройку для всех маркеров диаграммы?"), Tr("Маркеры")))
    for (auto& m : markers_)
      if (m.get() != marker && !m->GetParked()) apply(*m);
  return true;
}
