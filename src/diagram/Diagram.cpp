#include "diagram/Diagram.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "chart/ChartAxis.h"
#include "chart/Series.h"
#include "common/Assert.h"
#include "common/Text.h"
#include "common/Units.h"
#include "common/UserInteraction.h"
#include "core/AutoScale.h"
#include "core/MenuModel.h"
#include "core/DiagMetrics.h"
#include "diagram/ExStatusBar.h"
#include "diagram/TraceListEditor.h"
#include "diagram/TraceListModel.h"
#include "filters/Filter.h"
#include "measurements/Measurement.h"
#include "series/SpectrumSeries.h"
#include "traces/TraceData.h"
#include "traces/TraceMath.h"
#include "traces/TraceStatic.h"

namespace {

constexpr int kBorder = 2;  // inner border of the diagram panel

bool IsParameterNoise(const std::wstring& parameter) {
  return parameter == L"FrequencyCounter" || parameter == L"CarrierFreqPow" || parameter == L"PulseWidthPeriod" ||
         parameter == L"PhaseNoiseHarmList";
}

}  // namespace

CDiagram::CDiagram(DiagramControlInterface* control) : control_(control) {
  ownList_ = std::make_unique<CTraceListModel>();
  SetTraceList(ownList_.get());
  chart_.SetFrameVisible(false);
  chart_.BottomAxis().SetLabelsVisible(false);
  chart_.RightAxis().SetVisible(false);
  SetColorTheme(control_ != nullptr ? control_->GetTheme() : GetColorTheme(0));
  markers_ = std::make_unique<CMarkersManager>(this, control_);
  markers_->onRepaint = [this] { Updated(); };
}

CDiagram::~CDiagram() {
  automation_.Release();
  view_ = nullptr;
  // Traces go first: their axes and series live on the chart.
  removing_ = true;
  while (!traces_.empty()) DeleteTrace(traces_.back().get());
  Finalize();
}

void CDiagram::Finalize() {
  while (GetMeasurementCount() > 0) RemoveMeasurement(GetMeasurement(GetMeasurementCount() - 1));
  activeMeasurements_.clear();
}

// ---------------------------------------------------------------------------------------
// Trace access and membership

int CDiagram::GetTraceIndex(TraceInterface* trace) const {
  for (std::size_t i = 0; i < traces_.size(); ++i) {
    if (traces_[i].get() == trace) return static_cast<int>(i);
  }
  return -1;
}

CTrace* CDiagram::Trace(unsigned index) {
  if (!PV_ASSERT_MSG(index < traces_.size(), "Index < Traces.size()")) return nullptr;
  return traces_[index].get();
}


TraceInterface* CDiagram::Trace(const wchar_t* name) {
  if (name == nullptr) return nullptr;
  for (auto& t : traces_) {
    if (t->GetName() == name) return t.get();
  }
  return nullptr;
}

unsigned CDiagram::GetDataTraceCount() const {
  return static_cast<unsigned>(
      std::count_if(traces_.begin(), traces_.end(), [](auto& t) { return t->GetTraceType() == L"Measuring"; }));
}

MeasurementInterface* CDiagram::Measurement(unsigned index) {
  return index < GetMeasurementCount() ? GetMeasurement(index) : nullptr;
}

CTrace* CDiagram::Adopt(std::unique_ptr<CTrace> owned, const std::wstring& namePrefix) {
  if (owned == nullptr || traces_.size() >= kMaxTraces) return nullptr;
  CTrace* trace = owned.get();
  const bool data = trace->GetTraceType() == L"Measuring";
  if (trace->GetDiagram() != this) trace->SetDiagram(this);
  traces_.push_back(std::move(owned));
  trace->Subscribe(this);
  list_->AddItem(static_cast<int>(traces_.size()) - 1);
  if (data && trace->Measurement() == nullptr && GetMeasurementCount() > 0) trace->SetMeasurement(GetMeasurement(0));
  if (traces_.size() > 1) {
    const CTrace& last = *traces_[traces_.size() - 2];  // the newest before this one
    trace->SetScale(last.GetScaleRef(), last.GetScaleDiv());
  }
  trace->SetColor(UniqueTraceColor(trace));
  trace->SetVisible(true);
  if (trace->GetName().empty() && !namePrefix.empty()) trace->SetName(UniqueTraceName(namePrefix));
  UpdateTrace(trace);
  SetActiveMeasurements();
  UpdatePresentation();
  AlignControls();
  if (markers_ != nullptr && !deserializing_) markers_->TracesChanged();
  return trace;
}

void CDiagram::Forget(ITraceView* trace) {
  if (left_.trace == trace) left_ = {};
  if (right_.trace == trace) right_ = {};
  for (SZoomStep& step : zoomSteps_)
    std::erase_if(step.entries, [id = trace->Id()](const SZoomEntry& e) { return e.trace == id; });
  rowInputs_.erase(trace->Id());
  std::erase_if(selected_, [trace](TraceInterface* t) { return static_cast<ITraceView*>(t) == trace; });
}

void CDiagram::DeleteTrace(TraceInterface* trace) {
  const int i = GetTraceIndex(trace);
  if (i < 0) return;
  std::unique_ptr<CTrace> owned = std::move(traces_[static_cast<std::size_t>(i)]);
  traces_.erase(traces_.begin() + i);
  list_->DeleteItem(i);
  rowInputs_.clear();  // rows below it move up
  owned->AnnounceRemoval();  // every holder lets go, this diagram included (Forget)
  owned.reset();
  if (traces_.empty() && !deserializing_) SetActiveMeasurements();
  if (markers_ != nullptr && !removing_) markers_->TracesChanged();
  UpdatePresentation();
}

bool CDiagram::MoveTrace(TraceInterface* trace, CDiagram* other) {
  const int i = GetTraceIndex(trace);
  if (i < 0 || other == nullptr || other == this || other->traces_.size() >= kMaxTraces) return false;
  std::unique_ptr<CTrace> owned = std::move(traces_[static_cast<std::size_t>(i)]);
  traces_.erase(traces_.begin() + i);
  list_->DeleteItem(i);
  rowInputs_.clear();
  owned->Unsubscribe(this);
  Forget(owned.get());
  owned->SetDiagram(other);
  other->traces_.push_back(std::move(owned));
  CTrace* moved = other->traces_.back().get();
  moved->Subscribe(other);
  other->list_->AddItem(static_cast<int>(other->traces_.size()) - 1);
  other->UpdateTrace(moved);
  other->UpdatePresentation();
  other->AlignControls();
  if (markers_ != nullptr) markers_->TracesChanged();
  if (other->markers_ != nullptr) other->markers_->TracesChanged();
  SetActiveMeasurements();
  UpdatePresentation();
  AlignControls();
  return true;
}

void CDiagram::TraceChanged(const STraceChange& change) {
  CTrace* trace = nullptr;
  for (auto& t : traces_) {
    if (static_cast<ITraceView*>(t.get()) == change.trace) trace = t.get();
  }
  if (change.kind == tcRemoved) {
    Forget(change.trace);
    return;
  }
  if (trace == nullptr) return;
  switch (change.kind) {
    case tcData:
      if (markers_ != nullptr) {
        markers_->DataWritten(trace, change.offset, change.count, change.size);
        if (change.offset + change.count == change.size) markers_->UpdateStat(trace, change.reset);
      }
      SwitchLogOffForData(trace);
      if (!trace->IsSpectrum()) Updated();  // a spectrum view repaints from its own thread
      break;
    case tcSweepEnded:
      break;
    case tcCleared:
      if (markers_ != nullptr) markers_->Update(trace);
      Updated();
      break;
    case tcPlot:
      if (trace->Kind().circle) {
        // A Smith or polar trace shows the region the others of its kind show.
        for (auto& other : traces_) {
          if (other.get() != trace && other->GetPlot() == trace->GetPlot()) {
            trace->SetPolarScale(other->GetPolarScale());
            break;
          }
        }
      }
      logX_ = std::any_of(traces_.begin(), traces_.end(), [](auto& t) { return t->GetPlot() == plLog; });
      UpdatePresentation();
      UpdateAxes(auAll, trace);
      UpdatePropPages(ppuPlain);
      break;
    case tcScale:
      UpdateAxes(trace->GetBindedAxis() != baNone ? auRight : auLeft, trace);
      UpdateTrace(trace);
      UpdatePropPages(ppuPlain);  // the pages show the scale too
      break;
    case tcStimulus:
      UpdateAxes(auBottom, trace);
      UpdatePresentation();
      if (markers_ != nullptr) markers_->Update(trace);
      break;
    case tcLook:
      if (markers_ != nullptr) markers_->TraceLook(trace);
      UpdateTrace(trace);
      UpdatePropPages(ppuPlain);
      Updated();
      break;
    case tcChannel:
      UpdateAxes(auAll, trace);
      UpdateTrace(trace);
      SetActiveMeasurements();
      UpdatePresentation();
      break;
    case tcChannelGone:
      DeleteTrace(trace);  // the trace goes with its channel
      break;
    case tcRemoved:
      break;
  }
}

void CDiagram::UpdatePresentation() {
  bool frame = false, hideBar = false, gradient = false, waterfall = false;
  for (auto& t : traces_) {
    const SPlotKind& kind = t->Kind();
    frame = frame || kind.frame;
    hideBar = hideBar || kind.hidesBar || t->GetOwnHorizAxis();
    if (TQuorSpectrumSeries* spectrum = t->SpectrumSeries()) {
      // Every spectrum view of a control shares the control's colour map.
      if (const SColorMapSettings* colors = control_ != nullptr ? control_->GetColorMapSettings() : nullptr)
        spectrum->SetColorMapSettings(*colors);
      gradient = gradient || spectrum->GetSeriesMode() != smSpectrogram;
      waterfall = waterfall || spectrum->GetSeriesMode() == smWaterfall;
    }
  }
  gradient_ = gradient;
  waterfall_ = waterfall;
  for (auto& t : traces_)
    if (auto* smith = dynamic_cast<TQuorSmithSeries*>(t->Series())) smith->SetAdmittance(smithAdmittance_);
  if (frame != frameShown_) ShowChartFrame(frame);
  if (barShown_ == hideBar) {
    barShown_ = !hideBar;
    AlignControls();
  }
}

void CDiagram::SwitchLogOffForData(CTrace* trace) {
  if (trace->Count() == 0 || !trace->GetAxisYLogarithmicScale() || trace->GetMinimum() > 0) return;
  if (traces_.size() == 1) {
    SetAxisYLogarithmicScale(false);
  } else {
    trace->SetAxisYLogarithmicScale(false);
  }
}

TraceInterface* CDiagram::AddDataTrace() {
  if (GetDataTraceCount() >= kMaxDataTraces) return nullptr;
  TraceInterface* trace = Adopt(std::make_unique<CTraceData>(this), Tr("Трс"));
  if (trace != nullptr && list_->Count() > 0) SelectTrace(static_cast<unsigned>(list_->Count() - 1));
  return trace;
}

TraceInterface* CDiagram::AddMathTrace() {
  auto math = std::make_unique<CTraceMath>(this);
  // A new math trace shows the formats of the diagram's first measuring trace.
  for (auto& t : traces_) {
    if (t->GetTraceType() == L"Measuring" && t->Measurement() != nullptr) {
      math->SetMeasurement(t->Measurement());
      break;
    }
  }
  TraceInterface* trace = Adopt(std::move(math), Tr("Мат"));
  if (trace != nullptr && list_->Count() > 0) SelectTrace(static_cast<unsigned>(list_->Count() - 1));
  return trace;
}

TraceInterface* CDiagram::AddStaticTrace() {
  TraceInterface* trace = Adopt(std::make_unique<CTraceStatic>(this), Tr("П"));
  if (trace != nullptr && list_->Count() > 0) SelectTrace(static_cast<unsigned>(list_->Count() - 1));
  return trace;
}

TraceInterface* CDiagram::CreateTrace(const std::wstring& type) {
  if (type == L"Measuring") return AddDataTrace();
  if (type == L"Math") return AddMathTrace();
  if (type == L"Memory") return AddStaticTrace();
  return nullptr;
}

std::vector<TraceInterface*> CDiagram::LoadNetworkFile(const std::wstring& path,
                                                       const std::vector<std::pair<int, int>>& parameters) {
  STouchstoneData network;
  const STouchstoneResult result = LoadTouchstone(path, network);
  if (!result) {
    QuorMessageBox(nullptr, path + L":\n" + result.description, Tr("Ошибка при открытии трассы"), MB_OK | MB_ICONERROR);
    return {};
  }
  std::vector<std::pair<int, int>> wanted = parameters;
  if (wanted.empty()) {
    for (std::size_t r = 0; r < network.ports; ++r)
      for (std::size_t c = 0; c < network.ports; ++c) wanted.emplace_back(static_cast<int>(r), static_cast<int>(c));
  }
  std::vector<TraceInterface*> made;
  for (const auto& [row, col] : wanted) {
    if (row < 0 || col < 0 || static_cast<std::size_t>(row) >= network.ports || static_cast<std::size_t>(col) >= network.ports)
      continue;
    auto memory = std::make_unique<CTraceStatic>(this);
    memory->SetName(UniqueTraceName(ParameterName(static_cast<std::size_t>(row), static_cast<std::size_t>(col), network.parameter) + L"_"));
    auto* trace = static_cast<CTraceStatic*>(Adopt(std::move(memory), std::wstring()));
    if (trace == nullptr) break;  // the diagram is full
    trace->TakeNetworkParameter(network, static_cast<std::size_t>(row), static_cast<std::size_t>(col), path);
    made.push_back(trace);
  }
  return made;
}

TraceInterface* CDiagram::RememberTrace(TraceInterface* source, const std::wstring& name) {
  CTraceStatic* memory = nullptr;
  if (!name.empty()) memory = dynamic_cast<CTraceStatic*>(Trace(name.c_str()));
  const bool reused = memory != nullptr;
  if (!reused) {
    if (traces_.size() >= kMaxTraces) return nullptr;
    auto fresh = std::make_unique<CTraceStatic>(this);
    if (!name.empty()) fresh->SetName(name);
    memory = static_cast<CTraceStatic*>(Adopt(std::move(fresh), std::wstring()));
    if (memory == nullptr) return nullptr;
  }
  if (source == nullptr || dynamic_cast<CTrace*>(source) == nullptr) {
    SelectTrace(static_cast<unsigned>(traces_.size() - 1));
    return memory;
  }
  memory->Remember(source, reused ? stpData : stpCreate);
  if (name.empty() && !reused) memory->SetName(UniqueTraceName(Tr("П") + L"_" + source->GetName()));
  const int back = GetTraceIndex(source);
  if (back >= 0) SelectTrace(static_cast<unsigned>(back));
  return memory;
}

bool CDiagram::Refuse(int code, const char* caption) {
  QuorMessageBox(nullptr, GetErrorDescription(code), Tr(caption), MB_OK | MB_ICONWARNING);
  return false;
}

TraceInterface* CDiagram::CreateDataTrace() {
  if (SRPOptionEnabled(nullptr)) return nullptr;
  if (traces_.size() >= kMaxTraces) {
    Refuse(drTooManyTraces, "Ошибка создания измерительной трассы");
    return nullptr;
  }
  if (GetDataTraceCount() >= kMaxDataTraces) {
    Refuse(drTooManyDataTraces, "Ошибка создания измерительной трассы");
    return nullptr;
  }
  TraceInterface* sel = SelectedTrace(0);
  TraceInterface* trace = AddDataTrace();
  if (trace == nullptr || traces_.size() < 2 || sel == nullptr) return trace;
  trace->SetMeasurement(sel->Measurement());
  trace->SetScale(sel->GetScaleRef(), sel->GetScaleDiv());
  CFilter* mine = trace->GetFilter(L"QUANTITY");
  CFilter* theirs = sel->GetFilter(L"QUANTITY");
  if (mine != nullptr && theirs != nullptr) {
    mine->Assign(theirs);
    mine->UpdateFilter();
  }
  return trace;
}

TraceInterface* CDiagram::CreateMathTrace() {
  if (traces_.size() >= kMaxTraces) {
    Refuse(drTooManyTraces, "Ошибка создания математической трассы");
    return nullptr;
  }
  auto* math = static_cast<CTraceMath*>(AddMathTrace());
  if (math != nullptr) math->ShowPropertiesForm();
  return math;
}

TraceInterface* CDiagram::CreateStaticTrace() {
  if (traces_.size() >= kMaxTraces) {
    Refuse(drTooManyTraces, "Ошибка создания трассы памяти");
    return nullptr;
  }
  return AddStaticTrace();
}

TraceInterface* CDiagram::CreateStaticTrace(CTrace* spectrum, int level) {
  auto* memory = static_cast<CTraceStatic*>(CreateStaticTrace());
  if (memory == nullptr) return nullptr;
  if (!memory->TakeSweep(spectrum, level)) {
    DeleteTrace(memory);
    QuorMessageBox(nullptr, Tr("Этой развёртки больше нет в истории."), Tr("Ошибка создания трассы памяти"),
                   MB_OK | MB_ICONERROR);
    return nullptr;
  }
  return memory;
}

TraceInterface* CDiagram::CreateDiagramAndStaticTrace(CTrace* spectrum, int level) {
  const TQuorSpectrumSeries* series = spectrum != nullptr ? spectrum->SpectrumSeries() : nullptr;
  if (series == nullptr || level < 0 || level >= series->Storage().GetLevelCount()) {
    // Refused before a diagram is made for it.
    return CreateStaticTrace(nullptr, level);
  }
  auto* target = control_ != nullptr ? dynamic_cast<CDiagram*>(control_->AddDiagram()) : nullptr;
  if (target == nullptr) {
    QuorMessageBox(nullptr, Tr("Все места для диаграмм заняты."), Tr("Ошибка создания диаграммы"), MB_OK | MB_ICONERROR);
    return nullptr;
  }
  return target->CreateStaticTrace(spectrum, level);
}

int CDiagram::AddMeasurements(const std::vector<MeasurementInterface*>* measurements) {
  if (measurements == nullptr) return 0;
  for (auto& bar : hBars_) bar->SetHidden(true);
  for (auto& bar : vBars_) bar->SetHidden(true);
  deserializing_ = loading_ = true;
  int made = 0;
  for (MeasurementInterface* m : *measurements) {
    if (traces_.size() >= kMaxTraces || GetDataTraceCount() >= kMaxDataTraces) break;
    TraceInterface* trace = AddDataTrace();
    if (trace == nullptr) break;
    trace->AssignMeasurement(m);
    UpdateTrace(trace);
    ++made;
  }
  for (auto& bar : hBars_) bar->SetHidden(false);
  for (auto& bar : vBars_) bar->SetHidden(false);
  deserializing_ = loading_ = false;
  SetActiveMeasurements();
  UpdatePresentation();
  AlignControls();
  return made;
}

void CDiagram::DeleteSelectedTraces() {
  if (traces_.empty()) return;
  deserializing_ = true;
  const std::vector<TraceInterface*> doomed = selected_;
  for (TraceInterface* t : doomed) {
    auto* trace = dynamic_cast<CTrace*>(t);
    if (trace == nullptr || trace->GetLocked() || GetTraceIndex(trace) < 0) continue;
    DeleteTrace(trace);  // the zoom steps let go of it too
  }
  deserializing_ = false;
  if (traces_.empty()) {
    ShowChartFrame(false);
    UpdateSelectedTracesList();
    if (onTraceReselected) onTraceReselected(this);
  } else {
    SelectTrace(0);
  }
  Updated();
}

int CDiagram::SwapTraces(unsigned a, unsigned b) {
  if (a >= traces_.size() || b >= traces_.size()) return -1;
  std::swap(traces_[a], traces_[b]);
  rowInputs_.clear();
  if (markers_ != nullptr) markers_->TracesChanged();
  UpdateTrace(traces_[a].get());
  UpdateTrace(traces_[b].get());
  return 0;
}

int CDiagram::MoveTraceTo(unsigned from, unsigned to) {
  if (from >= traces_.size() || to >= traces_.size()) return -1;
  if (from == to) return 0;
  const auto first = traces_.begin();
  if (from < to) {
    std::rotate(first + from, first + from + 1, first + to + 1);
  } else {
    std::rotate(first + to, first + from, first + from + 1);
  }
  rowInputs_.clear();
  if (markers_ != nullptr) markers_->MoveTrace(static_cast<int>(from), static_cast<int>(to));
  for (auto& t : traces_) UpdateTrace(t.get());
  list_->Refresh();  // the swatches follow their rows
  return 0;
}

std::wstring CDiagram::UniqueTraceName(const std::wstring& prefix) {
  for (int n = 1;; ++n) {
    const std::wstring candidate = prefix + std::to_wstring(n);
    const bool taken = std::any_of(traces_.begin(), traces_.end(),
                                   [&](auto& t) { return t->GetName().compare(0, candidate.size(), candidate) == 0; });
    if (!taken) return candidate;
  }
}

TColor CDiagram::UniqueTraceColor(int index) const {
  const SColorTheme* theme = control_ != nullptr && control_->GetTheme() != nullptr ? control_->GetTheme() : GetColorTheme(0);
  const SColorTheme* palette = GetColorTheme(theme->IsBright() ? 0 : 1);
  const auto colour = [&](int position) {
    return palette->colors[static_cast<std::size_t>(ctsPaletteFirst + ((position % 12) + 12) % 12)];
  };
  if (index >= 0) return colour(index % 12 + trcColorOffset_);
  int best = 0, bestCount = 12;
  for (int k = 0; k < 12; ++k) {
    const TColor c = colour(k);
    const int used = static_cast<int>(
        std::count_if(traces_.begin(), traces_.end(), [&](auto& t) { return t->GetColor() == c; }));
    if (used < bestCount) {
      best = k;
      bestCount = used;
    }
  }
  return colour(best);
}

TColor CDiagram::UniqueTraceColor(TraceInterface*) { return UniqueTraceColor(-1); }

void CDiagram::UpdateTrace(TraceInterface* trace) {
  if (rowsDeferred_) return;
  const int row = GetTraceIndex(trace);
  if (row < 0 || row >= list_->Count()) return;
  // What the row shows depends on these; when none changed the row stands as it is (traces
  // report every scale change, and formatting the numbers is the costly part).
  SRowInputs inputs;
  inputs.list = list_;
  inputs.row = row;
  inputs.name = trace->GetName();
  inputs.measurement = trace->Measurement();
  inputs.ref = trace->GetScaleRef();
  inputs.div = trace->GetScaleDiv();
  inputs.position = trace->GetRefPosition();
  inputs.quantity = trace->GetQuantity(vtResponse);
  inputs.digits = trace->GetFractionSize(vtResponse);
  inputs.visible = trace->GetVisible();
  for (unsigned f = 0; f < trace->GetFilterCount(); ++f) {
    CFilter* filter = trace->GetFilter(f);
    if (filter != nullptr && filter->GetEnabled()) inputs.status += filter->GetStatusLine() + L"\n";
  }
  if (inputs.measurement != nullptr) {
    inputs.channel = inputs.measurement->GetParameter(L"channel");
    inputs.notation = inputs.measurement->GetParameter(L"notation");
    inputs.msrName = inputs.measurement->GetName();
  }
  SRowInputs& shown = rowInputs_[trace->Id()];
  if (shown == inputs) return;
  shown = inputs;
  list_->SetItemText(row, 0, trace->GetName());
  list_->SetItemText(row, 1, trace->GetTraceType() == L"Measuring" ? Tr("И")
                             : trace->GetTraceType() == L"Memory" ? Tr("П")
                                                                   : Tr("М"));
  std::wstring channel;
  if (MeasurementInterface* m = trace->Measurement()) {
    const std::wstring ch = m->GetParameter(L"channel");
    const std::wstring notation = m->GetParameter(L"notation");
    channel = ch.empty() ? notation : GetNotationString(ch.c_str(), true);
    if (!ch.empty() && !notation.empty()) channel += L"/" + notation;
    if (channel.empty()) channel = m->GetName();
  }
  list_->SetItemText(row, 2, channel);
  std::wstring quantity = trace->GetQuantity(vtResponse);
  if (quantity.find(L"dB") != std::wstring::npos) quantity = L"dB";
  const std::wstring units = GetUnitsString(quantity);
  const int digits = std::min(trace->GetFractionSize(vtResponse), 6);
  const auto number = [&](double v) { return DoubleToStr(round_to(v, -digits), ffGeneral, 10) + L" " + units; };
  list_->SetItemText(row, 3, number(trace->GetScaleRef()));
  list_->SetItemText(row, 4, number(trace->GetScaleDiv()));
  list_->SetItemText(row, 5, std::to_wstring(trace->GetRefPosition()));
  list_->SetItemText(row, 6, GetDescriptionString(trace->GetQuantity(vtResponse)));
  std::wstring functions;
  for (unsigned f = 0; f < trace->GetFilterCount(); ++f) {
    CFilter* filter = trace->GetFilter(f);
    if (filter == nullptr || !filter->GetEnabled() || filter->GetStatusLine().empty()) continue;
    if (!functions.empty()) functions += L", ";
    functions += filter->GetStatusLine();
  }
  list_->SetItemText(row, 7, functions);
  list_->SetItemChecked(row, trace->GetVisible());
}

// ---------------------------------------------------------------------------------------
// Selection

void CDiagram::SetTraceList(TraceListInterface* list) {
  rowInputs_.clear();
  list_ = list != nullptr ? list : ownList_.get();
  list_->SetSelectionHandler([this](int row, bool on) { OnListSelection(row, on); });
}

void CDiagram::OnListSelection(int row, bool on) {
  if (row < 0 || static_cast<std::size_t>(row) >= traces_.size()) return;
  if (on) {
    traces_[static_cast<std::size_t>(row)]->Activate();
  } else {
    traces_[static_cast<std::size_t>(row)]->Deactivate();
  }
  if (!selecting_) UpdateSelectedTracesList();
}

void CDiagram::SelectTrace(unsigned index) {
  if (removing_ || index >= static_cast<unsigned>(list_->Count())) return;
  selecting_ = true;
  list_->ClearSelection();
  for (auto& t : traces_) t->Deactivate();
  list_->SelectItem(static_cast<int>(index), true);
  selecting_ = false;
  UpdateSelectedTracesList();
  UpdateAxesOnMultiSelect();
}

void CDiagram::SelectAllTraces() {
  if (!traces_.empty()) list_->SelectAll();
}

void CDiagram::UpdateSelectedTracesList() {
  const std::vector<TraceInterface*> before = std::move(selected_);
  selected_.clear();
  for (std::size_t i = 0; i < traces_.size() && static_cast<int>(i) < list_->Count(); ++i) {
    if (list_->IsSelected(static_cast<int>(i))) selected_.push_back(traces_[i].get());
  }
  SetActiveMeasurements();
  // The pages edit the selected traces.
  if (selected_ != before) UpdatePropPages(ppuSelection);
}

TraceInterface* CDiagram::SelectedTrace(unsigned index) const {
  return index < selected_.size() ? selected_[index] : nullptr;
}

bool CDiagram::TraceIsSelected(TraceInterface* trace) const {
  return std::find(selected_.begin(), selected_.end(), trace) != selected_.end();
}

void CDiagram::SetActiveMeasurements() {
  activeMeasurements_.clear();
  for (TraceInterface* t : selected_) {
    auto* m = dynamic_cast<CMeasurement*>(t->Measurement());
    if (m != nullptr && std::find(activeMeasurements_.begin(), activeMeasurements_.end(), m) == activeMeasurements_.end())
      activeMeasurements_.push_back(m);
  }
  if (control_ != nullptr) {
    control_->SetActiveMeasurements(this);
    control_->SetUsedMeasurements();
  }
}

bool CDiagram::IsMeasurementActive(CMeasurement* measurement) {
  return active_ && std::find(activeMeasurements_.begin(), activeMeasurements_.end(), measurement) !=
                        activeMeasurements_.end();
}

void CDiagram::AutoScaleAllTraces() {
  std::vector<TraceInterface*> all;
  for (auto& t : traces_) all.push_back(t.get());
  AutoScaleTraces(&all);
  UpdateAxesOnMultiSelect();
}

// ---------------------------------------------------------------------------------------
// Axes

CChartAxis* CDiagram::GetBindAxis(EBindedAxis axis) {
  if (axis == baLeft) return &chart_.LeftAxis();
  if (axis == baRight) return &chart_.RightAxis();
  return nullptr;
}

void CDiagram::ApplyAxisScale(CChartAxis& axis, TraceInterface* trace) {
  auto* t = dynamic_cast<CTrace*>(trace);
  const double start = t != nullptr ? t->GetResponseScaleStart() : 0.0;
  const double stop = t != nullptr ? t->GetResponseScaleStop() : 1.0;
  axis.SetMinMax(start, stop);
  axis.SetLogarithmic(t != nullptr && t->GetAxisYLogarithmicScale());
  const EPlot plot = trace->GetPlot();
  axis.SetIncrement(plot == plPolar || plot == plSmith ? 0.0 : 0.1 * (stop - start));
  // Every division line passes through the reference level, so after any scaling the
  // reference lies on the grid and both ends of the scale carry a line and a label.
  axis.SetGridOrigin(t != nullptr ? t->GetScaleRef() : NAN);
  // Rows of a spectrogram or waterfall are sweeps, not levels: the series labels its time.
  const bool levels = plot != plSpectrogram && plot != plWaterfall;
  axis.SetTitle(levels ? GetUnitsString(trace->GetQuantity(vtResponse)) : std::wstring());
  axis.SetLabelsVisible(levels);
}

void CDiagram::UpdateAxes(EAxesUpdate which, TraceInterface* trace) {
  // While a layout loads, every trace's scale arrives one by one; the axes follow once at
  // the end of the load.
  if (trace == nullptr || loading_) return;
  if (!trace->IsActive() && left_.trace != trace && right_.trace != trace) return;
  if ((which == auLeft || which == auAll) && (!left_.enabled || left_.trace == trace)) ApplyAxisScale(chart_.LeftAxis(), trace);
  if ((which == auRight || which == auAll) && right_.enabled && right_.trace == trace) ApplyAxisScale(chart_.RightAxis(), trace);
  if (which == auBottom || which == auAll) {
    CChartAxis& bottom = chart_.BottomAxis();
    double start = trace->GetStimulusStart(), stop = trace->GetStimulusStop();
    if (trace->ZeroRange()) {
      start -= 1e-8;
      stop += 1e-8;
    }
    bottom.SetMinMax(std::min(start, stop), std::max(start, stop));
    // A channel sweeping backwards keeps start below stop and runs its axis the other way.
    const auto* t = dynamic_cast<const CTrace*>(trace);
    bottom.SetInverted(start > stop || (t != nullptr && t->StimulusReversed()));
    bottom.SetTitle(GetUnitsString(trace->GetQuantity(vtStimulus)));
    const bool barShown = barVisible_ && barShown_;
    bottom.SetLabelsVisible(!barShown);
    bottom.SetIncrement(barShown ? 0.1 * std::fabs(stop - start) : 0.0);
    bottom.SetGridOrigin(std::min(start, stop));
    bottom.SetLabelQuantity(trace->GetQuantity(vtStimulus));
    bottom.SetLogarithmic(trace->GetPlot() == plLog);
  }
  Updated();
}

void CDiagram::UpdateAxesOnMultiSelect() {
  for (auto& t : traces_) {
    if (t->IsActive()) {
      UpdateAxes(auAll, t.get());
      break;
    }
  }
  if (right_.enabled && right_.trace != nullptr) UpdateAxes(auRight, right_.trace);
}

void CDiagram::BindAxis(int tag) {
  if (tag == -1) {
    if (left_.enabled && left_.trace != nullptr) left_.trace->BindTrace(baLeft, false);
    left_ = {};
    for (TraceInterface* t : selected_) t->Activate();
    UpdateAxesOnMultiSelect();
    return;
  }
  if (tag == -2) {
    if (right_.enabled && right_.trace != nullptr) right_.trace->BindTrace(baRight, false);
    right_ = {};
    chart_.RightAxis().SetVisible(false);
    Updated();
    return;
  }
  bool toLeft = true;
  TraceInterface* trace = nullptr;
  if (tag >= 0 && tag < 30) {
    trace = tag < static_cast<int>(traces_.size()) ? traces_[static_cast<std::size_t>(tag)].get() : nullptr;
  } else if (tag >= 30 && tag < 60) {
    toLeft = false;
    trace = tag - 30 < static_cast<int>(traces_.size()) ? traces_[static_cast<std::size_t>(tag - 30)].get() : nullptr;
  } else {
    trace = SelectedTrace(0);
  }
  if (trace == nullptr) return;
  if (toLeft) {
    if (right_.trace == trace) BindAxis(-2);
    if (left_.trace != nullptr && left_.trace != trace) left_.trace->BindTrace(baLeft, false);
    const bool wasEnabled = left_.enabled;
    left_ = {true, trace};
    trace->BindTrace(baLeft, true);
    if (!wasEnabled) UpdateAxesOnMultiSelect();
    UpdateAxes(auLeft, trace);
  } else {
    if (left_.trace == trace) {
      trace->BindTrace(baLeft, false);
      left_ = {};
    }
    if (right_.trace != nullptr && right_.trace != trace) right_.trace->BindTrace(baRight, false);
    right_ = {true, trace};
    trace->BindTrace(baRight, true);
    chart_.RightAxis().SetVisible(true);
    UpdateAxes(auRight, trace);
    AlignControls();
  }
  UpdateBindedAxesColor(trace);
}

void CDiagram::UpdateBindedAxesColor(TraceInterface* trace) {
  if (left_.trace == trace && trace != nullptr) {
    chart_.LeftAxis().SetGridColor(trace->GetColor());
  } else if (right_.trace == trace && trace != nullptr) {
    chart_.RightAxis().SetGridColor(trace->GetColor());
  }
  Updated();
}

unsigned CDiagram::GetTracesWithOwnAxeCount() const {
  return static_cast<unsigned>(std::count_if(traces_.begin(), traces_.end(),
                                             [](auto& t) { return t->GetVisible() && t->GetOwnHorizAxis(); }));
}

TraceInterface* CDiagram::GetTraceWithOwnAxe(unsigned index) const {
  for (auto& t : traces_) {
    if (t->GetVisible() && t->GetOwnHorizAxis() && index-- == 0) return t.get();
  }
  return nullptr;
}

void CDiagram::SetAxisXLogarithmicScale(bool on) {
  if (!on) {
    for (auto& t : traces_) {
      if (t->GetPlot() == plLog && t->GetQuantity(vtResponse) != L"dBc/Hz") t->SetPlot(plRect);
    }
    logX_ = false;
    UpdateAxesOnMultiSelect();
    return;
  }
  const bool blocked = std::any_of(traces_.begin(), traces_.end(),
                                   [](auto& t) { return t->GetPlot() == plRect && t->GetStimulusStart() <= 0; });
  int changed = 0;
  if (!blocked) {
    for (auto& t : traces_) {
      if (t->GetPlot() == plRect && t->GetQuantity(vtStimulus).find(L"Hz") != std::wstring::npos) {
        t->SetPlot(plLog);
        ++changed;
      }
    }
  }
  // A layout asking for an axis its traces cannot take loads quietly with the linear one.
  if (!deserializing_ && (blocked || changed == 0)) {
    QuorMessageBox(nullptr,
                   Tr("Диапазон значений задающего воздействия одной или нескольких трасс\nне позволяет использовать "
                      "логарифмическую ось диаграммы."),
                   Tr("Ошибка"), MB_OK | MB_ICONERROR);
  }
  logX_ = std::any_of(traces_.begin(), traces_.end(), [](auto& t) { return t->GetPlot() == plLog; });
  UpdateAxesOnMultiSelect();
}

void CDiagram::SetAxisYLogarithmicScale(bool on) {
  bool refused = false, accepted = false;
  for (auto& t : traces_) {
    if (t->SetAxisYLogarithmicScale(on)) {
      accepted = true;
    } else {
      refused = true;
    }
  }
  if (accepted || traces_.empty() || deserializing_) {
    logY_ = on && accepted ? true : (on ? logY_ : false);
    UpdateAxesOnMultiSelect();
  }
  if ((refused || !accepted) && !deserializing_ && !traces_.empty()) {
    QuorMessageBox(nullptr,
                   Tr("Диапазон значений одной или нескольких трасс не позволяет\nиспользовать логарифмическую ось "
                      "диаграммы."),
                   Tr("Ошибка"), MB_OK | MB_ICONERROR);
    if (!accepted) logY_ = false;
  }
}

// ---------------------------------------------------------------------------------------
// Channels

void CDiagram::CallbackChanged(CMeasurement* measurement, EMeasureParam kind) {
  if (measurement == nullptr) return;
  if (kind == mpAttached || kind == mpName) {
    for (auto& t : traces_) {
      if (t->Measurement() == measurement) UpdateTrace(t.get());
    }
  }
  if (kind == mpAttached || kind == mpStimulusRange || kind == mpInfo) {
    bool changed = false;
    EnsureBars(measurement, changed);
    DropUnusedBars(changed);
    if (changed) {
      SetActiveMeasurements();
      AlignControls();
    }
  }
  if (kind == mpAttached || kind == mpResponseQuantity) {
    logX_ = std::any_of(traces_.begin(), traces_.end(), [](auto& t) { return t->GetPlot() == plLog; });
  }
  if (markers_ != nullptr) markers_->CallbackChanged(measurement, kind);
  if (kind == mpParameter && IsParameterNoise(measurement->GetLastParameter())) return;
  if (kind != mpStimulusRange && kind != mpInfo && kind != mpPointsCount) Updated();
}

void CDiagram::EnsureBars(CMeasurement* measurement, bool& changed) {
  const std::wstring channel = measurement->GetParameter(L"channel");
  for (std::size_t i = 0; i < hBars_.size(); ++i) {
    if (hBars_[i]->GetChannel() != channel) continue;
    if (std::find(activeMeasurements_.begin(), activeMeasurements_.end(), measurement) != activeMeasurements_.end())
      AlignControls();
    else
      changed = true;
    Updated();
    return;
  }
  auto h = std::make_unique<TExStatusBar>(this);
  h->SetChannel(channel);
  h->SetPosition(0);
  auto v = std::make_unique<TExStatusBar>(this);
  v->SetChannel(channel);
  v->SetPrimary(false);
  v->SetPosition(1);
  if (theme_ != nullptr) {
    h->SetColorTheme(*theme_);
    v->SetColorTheme(*theme_);
  }
  hBars_.push_back(std::move(h));
  vBars_.push_back(std::move(v));
  changed = true;
}

void CDiagram::DropUnusedBars(bool& changed) {
  // The last pair is never examined: it belongs to the channel that just reported.
  for (int i = static_cast<int>(hBars_.size()) - 2; i >= 0; --i) {
    const std::wstring& channel = hBars_[static_cast<std::size_t>(i)]->GetChannel();
    bool used = false;
    for (unsigned k = 0; k < GetMeasurementCount() && !used; ++k)
      used = GetMeasurement(k)->GetParameter(L"channel") == channel;
    if (used) continue;
    hBars_.erase(hBars_.begin() + i);
    vBars_.erase(vBars_.begin() + i);
    changed = true;
  }
}

TExStatusBar* CDiagram::HorizontalBar(unsigned index) const {
  return index < hBars_.size() ? hBars_[index].get() : nullptr;
}

TExStatusBar* CDiagram::VerticalBar(unsigned index) const {
  return index < vBars_.size() ? vBars_[index].get() : nullptr;
}

// ---------------------------------------------------------------------------------------
// The diagram as a whole

IModulesFactory* CDiagram::GetFilterFactory() { return control_ != nullptr ? control_->GetFilterFactory() : nullptr; }

std::wstring CDiagram::GetOption(const wchar_t* name) {
  return control_ != nullptr && name != nullptr ? control_->GetDiagramString(name) : std::wstring();
}

void CDiagram::UpdatePropPages(EPPUpdate kind) {
  if (control_ != nullptr) control_->UpdatePropPages(kind);
}

void CDiagram::RepaintChart() { Updated(); }

void CDiagram::Updated() {
  if (view_ != nullptr) view_->Invalidate();
}

void CDiagram::SetMeasurementBarVisibility(bool visible) {
  barVisible_ = visible;
  AlignControls();
}

void CDiagram::ShowChartFrame(bool show) {
  frameShown_ = show;
  chart_.SetFrameVisible(show);
  // The rectangular grid, scales and their titles go with the frame: a Smith, polar or
  // digit diagram draws its own.
  chart_.SetAxesVisible(show);
  Updated();
}

void CDiagram::SetSmithAdmittance(bool on) {
  smithAdmittance_ = on;
  UpdatePresentation();
  Updated();
}

void CDiagram::SetActive(bool on) {
  active_ = on;
  if (theme_ != nullptr) {
    const bool highlight = on && control_ != nullptr && control_->GetDiagramCount() > 1;
    chart_.SetFrameColor(highlight ? theme_->colors[1] : theme_->colors[2]);
  }
  if (!on && touchMode_ && list_ != nullptr) list_->ClearSelection();
  UpdateSelectedTracesList();
  Updated();
}

void CDiagram::Activated() {
  if (list_->CanFocus()) list_->SetFocus();
  if (onSelected) onSelected(this);
}

void CDiagram::SetVisible(bool visible) {
  visible_ = visible;
  Updated();
}

void CDiagram::SetBounds(const SRect& bounds) {
  bounds_ = bounds;
  AlignControls();
}

void CDiagram::SetLabelText(const std::wstring& text) {
  labelText_ = text;
  Updated();
}

void CDiagram::SetColorTheme(const SColorTheme* theme) {
  theme_ = theme;
  if (theme_ == nullptr) return;
  chart_.SetColor(theme_->colors[ctsBackground]);
  chart_.SetBackWallColor(theme_->colors[ctsBackground]);
  for (auto& bar : hBars_) bar->SetColorTheme(*theme_);
  for (auto& bar : vBars_) bar->SetColorTheme(*theme_);
  Updated();
}

bool CDiagram::SetTraceRefLevel(TraceInterface* trace, double level) {
  if (trace == nullptr || control_ == nullptr) return true;
  MeasurementInterface* m = trace->Measurement();
  double impedance = 50.0;
  if (m != nullptr) {
    const std::wstring text = m->GetParameter(L"impedance");
    try {
      if (!text.empty()) impedance = StrToDouble(WideToUtf8(text).c_str());
    } catch (const EConvertError&) {
    }
  }
  std::wstring quantity = trace->GetQuantity(vtResponse);
  double dbm = quantity.empty() || quantity == L"dBm" ? level : PlainConvert(level, quantity, L"dBm", impedance);
  dbm = round_to(dbm, -trace->GetFractionSize(vtResponse));
  control_->SendDiagramParameter(m, L"reference_level", dbm, 0);
  return true;
}

void CDiagram::PushZoomStep(int mode) {
  SZoomStep step;
  step.mode = mode;
  for (auto& t : traces_) step.entries.push_back(ZoomEntryOf(*t, mode));
  zoomSteps_.push_back(std::move(step));
}

void CDiagram::ClearTraceUndo(TraceInterface* trace) {
  if (trace == nullptr) return;
  for (SZoomStep& step : zoomSteps_) {
    std::erase_if(step.entries, [id = trace->Id()](const SZoomEntry& e) { return e.trace == id; });
  }
}

void CDiagram::SetColorSet(const SColorTheme& set) {
  chart_.SetColor(set.colors[ctsBackground]);
  chart_.SetBackWallColor(set.colors[ctsBackground]);
  chart_.SetFrameColor(set.colors[2]);
  chart_.LeftAxis().SetGridColor(set.colors[3]);
  chart_.BottomAxis().SetGridColor(set.colors[3]);
  Updated();
}

void CDiagram::LockChart(bool on) {
  if (on) {
    chart_.Lock();
  } else if (chart_.IsLocked()) {
    chart_.Unlock();
  }
}

void CDiagram::AlignControls() {
  if (loading_ || deserializing_) return;
  const int offset = GetMetrics(STATUS_BAR_OFFSET);
  int x = bounds_.left + kBorder, y = bounds_.top + kBorder;
  const bool bars = barVisible_ && barShown_;
  // A bar pair shows while a visible trace shows its channel; the vertical bar only when
  // that channel has indicators for it.
  enum : unsigned char { kUsed = 1, kVertical = 2 };
  barUse_.assign(hBars_.size(), 0);
  for (auto& t : traces_) {
    MeasurementInterface* m = t->Measurement();
    if (!t->GetVisible() || m == nullptr) continue;
    const std::wstring channel = m->GetParameter(L"channel");
    for (std::size_t i = 0; i < hBars_.size(); ++i) {
      if (hBars_[i]->GetChannel() != channel) continue;
      barUse_[i] |= kUsed;
      if (m->GetIndicatorCount(citSecond) > 0) barUse_[i] |= kVertical;
    }
  }
  for (std::size_t i = 0; i < hBars_.size(); ++i) {
    TExStatusBar& h = *hBars_[i];
    TExStatusBar& v = *vBars_[i];
    const bool used = (barUse_[i] & kUsed) != 0, vertical = (barUse_[i] & kVertical) != 0;
    h.SetVisible(bars && used);
    v.SetVisible(bars && used && vertical && v.Width() > 0);
    if (h.IsShowing()) {
      h.SetBounds({x, y, bounds_.right - kBorder, y + h.Height()});
      y += h.Height() + offset;
    }
    if (v.IsShowing()) {
      v.SetBounds({x, y, x + v.Width(), bounds_.bottom - kBorder});
      x += v.Width() + offset;
    }
  }
  chart_.SetBounds({x, y, bounds_.right - kBorder, bounds_.bottom - kBorder});
  Updated();
}

void CDiagram::Draw(ICanvas& canvas) {
  if (!visible_) return;
  canvas.SetClipRect(bounds_);
  canvas.SetBrush({theme_ != nullptr ? theme_->colors[ctsBackground] : clBtnFace, bsSolid});
  canvas.SetPen({clNone, 1, psClear});
  canvas.FillRect(bounds_);
  for (std::size_t i = hBars_.size(); i-- > 0;) {
    if (hBars_[i]->IsShowing()) hBars_[i]->Paint(canvas);
    if (vBars_[i]->IsShowing()) vBars_[i]->Paint(canvas);
  }
  canvas.SetClipRect(chart_.Bounds());
  chart_.Draw(canvas);
  if (markers_ != nullptr && !traces_.empty() && pictureMarkers_) {
    markers_->Paint(canvas, chart_.PlotRect());
    canvas.SetClipRect(chart_.Bounds());
  }
  if (!labelText_.empty()) {
    const SRect plot = chart_.PlotRect();
    SFont font = chart_.Font();
    font.color = chart_.FrameColor();
    canvas.SetFont(font);
    const SSize extent = canvas.TextExtent(labelText_);
    canvas.TextOut(plot.right - extent.cx - 4, plot.top + 2, labelText_);
  }
  DrawHints(canvas);
  DrawZoomBounds(canvas);
  canvas.ResetClip();
}

// ---------------------------------------------------------------------------------------
// Menu

namespace {

CMenuItem* AddCommand(CMenuComponent* menu, const char* caption, std::function<void()> handler,
                      const wchar_t* shortCut = L"", int image = -1) {
  auto item = std::make_unique<CMenuItem>(Tr(caption), std::move(handler));
  item->SetShortCut(shortCut);
  item->SetImageIndex(image);
  return AddMenuItem(menu, std::move(item));
}

}  // namespace

void CDiagram::AddSweepCommands(CPopupMenu* menu) {
  CTrace* spectrum = nullptr;
  for (TraceInterface* t : selected_)
    if (auto* trace = dynamic_cast<CTrace*>(t); spectrum == nullptr && trace != nullptr && trace->IsSpectrum()) spectrum = trace;
  for (auto& t : traces_)
    if (spectrum == nullptr && t->IsSpectrum() && t->GetVisible()) spectrum = t.get();
  if (spectrum == nullptr) return;
  const TQuorSpectrumSeries* series = spectrum->SpectrumSeries();
  const int level = series->TimeCursorLevel() >= 0 ? series->TimeCursorLevel()
                                                    : series->Storage().Storage().GetCompleteCount() - 1;
  if (level < 0) return;
  const std::wstring when = L" (" + series->LevelTime(level, TQuorSpectrumSeries::tfClockMs) + L")";
  // The menu may outlive the trace: its commands find it again by id.
  const std::uint64_t id = static_cast<ITraceView*>(spectrum)->Id();
  const auto source = [this, id]() -> CTrace* {
    for (auto& t : traces_)
      if (static_cast<ITraceView*>(t.get())->Id() == id) return t.get();
    return nullptr;
  };
  CMenuItem* here = AddCommand(menu, "Развёртку в трассу &памяти", [this, source, level] { CreateStaticTrace(source(), level); });
  here->SetCaption(here->GetCaption() + when);
  CMenuItem* apart = AddCommand(menu, "Развёртку в трассу памяти новой ди&аграммы",
                                [this, source, level] { CreateDiagramAndStaticTrace(source(), level); });
  apart->SetCaption(apart->GetCaption() + when);
}

std::vector<TraceInterface*> CDiagram::LoadTraceFile(const std::wstring& path) {
  const std::size_t dot = path.find_last_of(L'.');
  const std::wstring ext = dot == std::wstring::npos ? std::wstring() : ToLowerText(path.substr(dot + 1));
  const bool network = ext == L"ts" || (ext.size() >= 3 && ext.front() == L's' && ext.back() == L'p');
  if (network) return LoadNetworkFile(path);
  auto* memory = static_cast<CTraceStatic*>(CreateStaticTrace());
  if (memory == nullptr) return {};
  // A saved sweep history says so on its first line.
  std::string first;
  std::ifstream in(WideToUtf8(path));
  std::getline(in, first);
  const ETraceFileType type = first.starts_with(kSpectrumFileTitle) ? tftSpectrum : ext == L"trc" ? tftTrc : tftTable;
  const int result = memory->Load(path, type);
  if (result != 0) {
    if (result > 0) {  // the table itself could not be read; the refusals told the operator already
      std::wstring text = memory->LoadFailedLine() > 0 ? Tr("Файл трассы %0 не прочитан: строка %1 не является строкой таблицы чисел.")
                                                       : Tr("Файл трассы %0 не прочитан.");
      ReplaceString(text, L"%0", path);
      ReplaceString(text, L"%1", std::to_wstring(memory->LoadFailedLine()));
      QuorMessageBox(nullptr, text, Tr("Ошибка при открытии трассы"), MB_OK | MB_ICONERROR);
    }
    DeleteTrace(memory);
    return {};
  }
  return {memory};
}

void CDiagram::AddFormatMenu(CPopupMenu* menu, TraceInterface* trace) {
  // The display formats the trace list offers (Smith and polar among them for complex data),
  // for a trace whose format a display-format filter sets.
  const int row = GetTraceIndex(trace);
  if (trace == nullptr || row < 0 || trace->GetFilter(L"QUANTITY") == nullptr) return;
  const std::vector<SFormatChoice> choices = CTraceListEditor(this).FormatChoices(row);
  if (choices.size() < 2) return;
  CMenuItem* format = AddCommand(menu, "&Формат", {});
  const std::uint64_t id = static_cast<ITraceView*>(traces_[static_cast<std::size_t>(row)].get())->Id();
  for (const SFormatChoice& choice : choices) {
    auto item = std::make_unique<CMenuItem>(choice.description, [this, id, mode = choice.mode] {
      for (std::size_t i = 0; i < traces_.size(); ++i)
        if (static_cast<ITraceView*>(traces_[i].get())->Id() == id) CTraceListEditor(this).ChooseFormat(static_cast<int>(i), mode);
    });
    item->SetRadioItem(true);
    item->SetChecked(choice.selected);
    AddMenuItem(format, std::move(item));
  }
}

void CDiagram::PrepareTraceMenu(CPopupMenu* menu) {
  if (menu == nullptr) return;
  TraceInterface* selected = SelectedTrace(0);
  AddCommand(menu, "&Запомнить трассу", [this] {
    if (TraceInterface* trace = SelectedTrace(0)) RememberTrace(trace, std::wstring());
  })->SetEnabled(selected != nullptr);
  AddCommand(menu, "Создать &математическую трассу", [this] { CreateMathTrace(); }, L"Ctrl+M", 5);
  AddMenuSeparator(menu);
  AddCommand(menu, "&Загрузить трассу из файла...", [this] {
    std::wstring path;
    if (UserInteraction().OpenFileName(nullptr, Tr("Загрузить трассу из файла"),
                                       Tr("Трассы и цепи (*.trs *.trc *.csv *.s1p *.s2p *.s3p *.s4p *.ts)|*.trs;*.trc;*.csv;*.s1p;*.s2p;*.s3p;*.s4p;*.ts"),
                                       path))
      LoadTraceFile(path);
  });
  AddCommand(menu, "&Сохранить трассу в файл...", [this] {
    TraceInterface* trace = SelectedTrace(0);
    std::wstring path;
    if (trace == nullptr ||
        !UserInteraction().SaveFileName(nullptr, Tr("Сохранить трассу в файл"),
                                        Tr("Трассы (*.trs *.trc *.csv)|*.trs;*.trc;*.csv|Цепь с одним портом (*.s1p *.ts)|*.s1p;*.ts"),
                                        path))
      return;
    if (!trace->SaveDataToFile(path.c_str())) {
      std::wstring text = Tr("Трассу не удалось сохранить в файл %0.");
      ReplaceString(text, L"%0", path);
      QuorMessageBox(nullptr, text, Tr("Ошибка"), MB_OK | MB_ICONERROR);
    }
  })->SetEnabled(selected != nullptr);
  AddFormatMenu(menu, selected);
  if (selected != nullptr) {
    CPopupMenu own;
    selected->PrepareMenu(&own);
    if (own.Items().Count() > 0) {
      AddMenuSeparator(menu);
      selected->PrepareMenu(menu);
    }
  }
}

void CDiagram::PrepareMenu(CPopupMenu* menu) {
  if (menu == nullptr) return;
  AddCommand(menu, "&Автомасштаб диаграммы", [this] { AutoScaleAllTraces(); }, L"Ctrl+*", 11);
  const bool spectrum = std::any_of(traces_.begin(), traces_.end(), [](auto& t) { return t->IsSpectrum(); });
  if (spectrum) {
    AddCommand(menu, "Настройки спектро&граммы...", [this] {
      if (onColorMapSettings) onColorMapSettings(this);
    }, L"", 12);
    AddSweepCommands(menu);
  }
  AddMenuSeparator(menu);
  AddCommand(menu, "Создать &измерительную трассу", [this] { CreateDataTrace(); }, L"Ctrl+N", 2);
  AddCommand(menu, "Создать &математическую трассу", [this] { CreateMathTrace(); }, L"Ctrl+M", 5);
  AddCommand(menu, "В&ыделить все трассы", [this] {
    SelectAllTraces();
    UpdateSelectedTracesList();
  }, L"Ctrl+A", 10);
  AddMenuSeparator(menu);
  if (markers_ != nullptr) {
    markers_->PrepareMenu(AddCommand(menu, "Маркеры", {}));
    AddMenuSeparator(menu);
  }
  AddMenuSeparator(menu);
  PrepareViewMenu(menu, AddCommand(menu, "&Вид", {}));
}

void CDiagram::PrepareViewMenu(CPopupMenu*, CMenuItem* view) {
  CMenuItem* left = AddCommand(view, "&Левая ось", {});
  AddCommand(left, "&Выделенная трасса", [this] { BindAxis(-1); })->SetChecked(!left_.enabled);
  AddMenuSeparator(left);
  CMenuItem* right = AddCommand(view, "&Правая ось", {});
  AddCommand(right, "&Выключена", [this] { BindAxis(-2); })->SetChecked(!right_.enabled);
  AddMenuSeparator(right);
  for (std::size_t i = 0; i < traces_.size(); ++i) {
    TraceInterface* t = traces_[i].get();
    const int tag = static_cast<int>(i);
    auto l = std::make_unique<CMenuItem>(t->GetName(), [this, tag] { BindAxis(tag); });
    l->SetChecked(left_.enabled && left_.trace == t);
    l->SetTag(tag);
    AddMenuItem(left, std::move(l));
    auto r = std::make_unique<CMenuItem>(t->GetName(), [this, tag] { BindAxis(30 + tag); });
    r->SetChecked(right_.enabled && right_.trace == t);
    r->SetTag(30 + tag);
    AddMenuItem(right, std::move(r));
  }
  AddCommand(view, "Подпись нижней &оси", [this] { SetMeasurementBarVisibility(!barVisible_); }, L"F9", 8)
      ->SetChecked(!barVisible_);
  AddCommand(view, "&Заголовки столбцов", [this] {
    ShowTraceHeader(!traceHeader_);
    Updated();
  })->SetChecked(traceHeader_);
  AddCommand(view, "&Автовысота списка трасс", [this] { list_->SetAutoResize(!list_->GetAutoResize()); })
      ->SetChecked(list_->GetAutoResize());
  CMenuItem* stretch = AddCommand(view, "&Развернуть диаграмму", [this] { StretchWindow(); }, L"F11", 9);
  stretch->SetEnabled(control_ != nullptr && control_->GetDiagramCount() > 1);
  stretch->SetChecked(stretched_);
  AddMenuSeparator(view);
  AddCommand(view, "Логарифмическая шкала &X", [this] { SetAxisXLogarithmicScale(!logX_); }, L"", 16)
      ->SetChecked(logX_);
  AddCommand(view, "Логарифмическая шкала &Y", [this] { SetAxisYLogarithmicScale(!logY_); }, L"", 16)
      ->SetChecked(logY_);
  const bool smith = std::any_of(traces_.begin(), traces_.end(), [](auto& t) { return t->GetPlot() == plSmith; });
  CMenuItem* admittance =
      AddCommand(view, "Диаграмма Смита: сетка &проводимостей (Y)", [this] { SetSmithAdmittance(!smithAdmittance_); });
  admittance->SetChecked(smithAdmittance_);
  admittance->SetEnabled(smith || smithAdmittance_);
}
