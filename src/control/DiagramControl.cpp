#include "control/DiagramControl.h"

#include <algorithm>

#include "common/Assert.h"
#include "common/Log.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "common/UserInteraction.h"

namespace {

constexpr const wchar_t* kLogSource = L"Control";
// Yes/no with the question icon, task-modal.
constexpr unsigned kCloseQuestionFlags = 0x2024;

}  // namespace

void CDiagramControl::SPageDeleter::operator()(CPropPageBase* page) const {
  // A page is freed by the package that made it.
  if (page == nullptr) return;
  if (factory != nullptr)
    factory->DestroyInstance(static_cast<void*>(page));
  else
    delete page;
}

CDiagramControl::CDiagramControl(IControlHost* host, const wchar_t* includedFilters,
                                 const std::wstring& pluginFolder)
    : host_(host) {
  positions_.fill(-1);
  // The value is a per-user choice; a store without it means plain drawing.
  antiAliasing_ = GetUserBool(L"AntiAliasing", false);

  SetDiagramString(L"DEVICEINFO", Tr("Нет подключения").c_str());
  SetDiagramString(L"DETINFO", L"");
  SetDiagramString(L"IncludedFilters", includedFilters != nullptr ? includedFilters : L"");

  std::vector<std::wstring> folders{pluginFolder};
  if (pluginFolder.empty()) folders = PluginSearchPath();
  LogMessage(kLogSource, L"loading filters");
  filterFactory_ = std::make_unique<CModulesFactory>(kFilterPluginType, folders, kFilterPluginMask);
  LogMessage(kLogSource, L"filters loaded");
  LogMessage(kLogSource, L"loading proppages");
  propPageFactory_ = std::make_unique<CModulesFactory>(kPropPagePluginType, folders, kPropPagePluginMask);
  LogMessage(kLogSource, L"proppages loaded");
}

CDiagramControl::~CDiagramControl() {
  // Nothing goes out to the host or the pages while everything is torn down.
  destroying_ = true;
  automation_.Release();
  propPagesBlocked_ = true;
  onDiagramParameter = nullptr;
  onDiagramAction = nullptr;
  onViewMenu = nullptr;
  while (!diagrams_.empty()) {
    std::unique_ptr<CDiagram> diagram = std::move(diagrams_.back());
    diagrams_.pop_back();
    DestroyDiagram(std::move(diagram));
  }
  infoPanel_.reset();
  virtualMeasurements_.clear();
  measurements_.clear();
  propPages_.clear();
  propPageFactory_.reset();
  filterFactory_.reset();
}

void CDiagramControl::SetFilterFactory(std::unique_ptr<IModulesFactory> factory) {
  if (!PV_ASSERT(diagrams_.empty())) return;
  filterFactory_ = std::move(factory);
}

// ---- display strings ----------------------------------------------------------------------

std::wstring CDiagramControl::GetDiagramString(const wchar_t* key) const {
  if (key == nullptr) return {};
  const auto it = diagramStrings_.find(ToUpperText(key));
  return it != diagramStrings_.end() ? it->second : std::wstring();
}

void CDiagramControl::SetDiagramString(const wchar_t* key, const wchar_t* value) {
  if (!PV_ASSERT(key != nullptr)) return;
  const std::wstring upper = ToUpperText(key);
  const std::wstring text = value != nullptr ? value : L"";
  diagramStrings_[upper] = text;
  if (upper == L"FPS") {
    for (auto& diagram : diagrams_) diagram->SetLabelText(text);
  } else if (upper == L"DEMODINFO") {
    if (infoPanel_) infoPanel_->SetInfo(text);
  } else if (upper == L"DEMODCAPTION") {
    if (infoPanel_) infoPanel_->SetCaption(text);
  }
}

// ---- diagrams -----------------------------------------------------------------------------

CDiagram* CDiagramControl::GetDiagram(unsigned index) const {
  return index < diagrams_.size() ? diagrams_[index].get() : nullptr;
}

int CDiagramControl::GetDiagramIndex(const DiagramInterface* diagram) const {
  for (std::size_t i = 0; i < diagrams_.size(); ++i)
    if (static_cast<const DiagramInterface*>(diagrams_[i].get()) == diagram) return static_cast<int>(i);
  return -1;
}

unsigned CDiagramControl::SlotCount() const {
  return std::min<unsigned>(GetDiagramCount() + (PanelTakesSlot() ? 1 : 0), kSlots);
}

CDiagram* CDiagramControl::AddDiagram() {
  if (GetDiagramCount() >= GetDiagramMaxCount()) return nullptr;
  const bool hadDiagram = !diagrams_.empty();
  const unsigned previous = hadDiagram && activeIndex_ >= 0 && unsigned(activeIndex_) < diagrams_.size()
                                ? unsigned(activeIndex_)
                                : 0;
  diagrams_.push_back(std::make_unique<CDiagram>(this));
  CDiagram* diagram = diagrams_.back().get();
  const unsigned index = GetDiagramCount() - 1;
  // The panel's slot follows the diagrams.
  if (PanelTakesSlot() && index + 1 < kSlots) positions_[index + 1] = positions_[index];
  positions_[index] = -1;
  activeIndex_ = static_cast<int>(index);
  diagram->SetVisible(false);
  diagram->SetView(this);
  diagram->SetColorTheme(GetTheme());
  if (hadDiagram) {
    const CDiagram* before = diagrams_[previous].get();
    diagram->SetMeasurementBarVisibility(before->GetMeasurementBarVisibility());
    diagram->ShowTraceHeader(before->GetTraceHeaderVisible());
  }
  for (auto& m : measurements_) diagram->AddMeasurement(m.get());
  for (auto& m : virtualMeasurements_) diagram->AddMeasurement(m.get());
  Connect(diagram);
  diagram->SetName(UniqueDiagramName(Tr("Диаграмма")));
  const auto fps = diagramStrings_.find(L"FPS");
  if (fps != diagramStrings_.end()) diagram->SetLabelText(fps->second);
  if (!initializing_) {
    mode_ = arranger_.GetModeOnCountChange(mode_, false, positions_[previous]);
    ArrangeDiagrams();
    diagram->SetVisible(true);
    SetActiveDiagram(index);
  }
  return diagram;
}

void CDiagramControl::Connect(CDiagram* diagram) {
  diagram->onSelected = [this](CDiagram* d) { OnDiagramSelected(d); };
  diagram->onTraceReselected = [this](CDiagram*) { UpdatePropPages(ppuSelection); };
  diagram->onCloseRequest = [this](CDiagram* d) { OnDiagramDestroy(d); };
  diagram->onStretchRequest = [this](CDiagram* d) { OnDiagramStretch(d); };
}

void CDiagramControl::DestroyDiagram(std::unique_ptr<CDiagram> diagram) {
  diagram->onSelected = nullptr;
  diagram->onTraceReselected = nullptr;
  diagram->onCloseRequest = nullptr;
  diagram->onStretchRequest = nullptr;
  diagram->SetView(nullptr);
  diagram->SetVisible(false);
  diagram->Finalize();
  diagram.reset();
}

void CDiagramControl::RemoveDiagram(unsigned index) {
  if (index >= diagrams_.size()) return;
  const int position = positions_[index];
  // The slots behind it (the panel's included) move down one.
  const unsigned last = std::min<unsigned>(GetDiagramCount() - 1 + (PanelTakesSlot() ? 1 : 0), kSlots - 1);
  for (unsigned i = index; i < last; ++i) positions_[i] = positions_[i + 1];
  positions_[last] = -1;
  std::unique_ptr<CDiagram> diagram = std::move(diagrams_[index]);
  diagrams_.erase(diagrams_.begin() + index);
  // The same diagram stays active when one before it goes; the one that takes the removed
  // active diagram's place otherwise (the first stays first).
  const int removed = static_cast<int>(index);
  if (removed < activeIndex_ || (removed == activeIndex_ && removed != 0)) --activeIndex_;
  DestroyDiagram(std::move(diagram));
  if (mode_ != 0) {
    mode_ = arranger_.GetModeOnCountChange(mode_, true, position);
    ArrangeDiagrams();
  }
  SetActiveDiagram(static_cast<unsigned>(activeIndex_));
  UpdatePropPages(ppuAll);
  Repaint();
}

void CDiagramControl::SetActiveDiagram(unsigned index) {
  if (initializing_ || index >= diagrams_.size()) return;
  UnstretchDiagrams(true);
  activeIndex_ = static_cast<int>(index);
  for (std::size_t i = 0; i < diagrams_.size(); ++i) diagrams_[i]->SetActive(i == index);
  UpdatePropPages(ppuAll);
}

std::wstring CDiagramControl::UniqueDiagramName(const std::wstring& base) const {
  for (unsigned n = 1;; ++n) {
    const std::wstring candidate = base + std::to_wstring(n);
    const bool taken = std::any_of(diagrams_.begin(), diagrams_.end(), [&](const auto& d) {
      return d->GetName().compare(0, candidate.size(), candidate) == 0;
    });
    if (!taken) return candidate;
  }
}

void CDiagramControl::SetDiagramMode(int mode) {
  UnstretchDiagrams(false);
  mode_ = std::clamp(mode, 0, CObjectArranger::kModeCount - 1);
}

void CDiagramControl::SetDiagramPosition(unsigned index, int position) {
  const SSize size = ClientSize();
  SRect rect;
  if (index < diagrams_.size()) {
    CDiagram* diagram = diagrams_[index].get();
    // A stretched diagram keeps the whole area whatever its slot.
    const int applied = stretched_ && diagram->IsStretched() ? CObjectArranger::kWholeArea : position;
    if (arranger_.GetPosition(rect, applied, size.cx, size.cy)) diagram->SetBounds(rect);
  } else if (index == diagrams_.size() && infoPanel_) {
    if (arranger_.GetPosition(rect, position, size.cx, size.cy)) infoPanelBounds_ = rect;
  } else {
    return;
  }
  if (!stretched_ && index < kSlots) positions_[index] = position;
}

SRect CDiagramControl::GetSlotRect(unsigned index) const {
  const SSize size = ClientSize();
  SRect rect;
  if (index >= kSlots) return rect;
  int position = positions_[index];
  if (index < diagrams_.size() && stretched_) {
    if (!diagrams_[index]->IsStretched()) return rect;
    position = CObjectArranger::kWholeArea;
  } else if (index == diagrams_.size() && (!PanelTakesSlot() || stretched_)) {
    return rect;
  }
  if (position < 0 || !arranger_.GetPosition(rect, position, size.cx, size.cy)) return SRect{};
  return rect;
}

int CDiagramControl::GetDiagramPosition(unsigned index) const {
  return index < kSlots ? positions_[index] : -1;
}

void CDiagramControl::ArrangeDiagrams() {
  const unsigned n = SlotCount();
  std::array<int, kSlots> placed;
  placed.fill(-1);
  const auto held = [&](int position) { return std::find(placed.begin(), placed.end(), position) != placed.end(); };
  // Slots keep what fits the mode; a position held twice goes to the first slot only.
  for (unsigned i = 0; i < n; ++i)
    if (arranger_.CheckPosition(mode_, positions_[i]) && !held(positions_[i])) placed[i] = positions_[i];
  for (unsigned i = 0; i < n; ++i) {
    for (int k = 0; placed[i] < 0 && k < CObjectArranger::kMaxDiagrams; ++k) {
      const int position = arranger_.GetModePosition(mode_, k);
      if (position >= 0 && !held(position)) placed[i] = position;
    }
  }
  for (unsigned i = 0; i < n; ++i) SetDiagramPosition(i, placed[i]);
  Repaint();
}

void CDiagramControl::OnResize() { ArrangeDiagrams(); }

void CDiagramControl::UnstretchDiagrams(bool rearrange) {
  if (!stretched_) return;
  stretched_ = false;
  for (auto& diagram : diagrams_) {
    diagram->SetVisible(true);
    diagram->Stretch(false);
  }
  if (rearrange) ArrangeDiagrams();
}

void CDiagramControl::OnDiagramSelected(CDiagram* diagram) {
  const int index = GetDiagramIndex(diagram);
  if (index >= 0 && index != activeIndex_) SetActiveDiagram(static_cast<unsigned>(index));
}

void CDiagramControl::OnDiagramStretch(CDiagram* diagram) {
  const int index = GetDiagramIndex(diagram);
  if (index < 0) return;
  if (!diagram->IsStretched() && positions_[index] != CObjectArranger::kWholeArea) {
    // Only the active diagram may fill the area: selecting another one ends the stretch.
    if (index != activeIndex_) SetActiveDiagram(static_cast<unsigned>(index));
    stretched_ = true;
    diagram->Stretch(true);
    for (auto& other : diagrams_)
      if (other.get() != diagram) other->SetVisible(false);
    SetDiagramPosition(static_cast<unsigned>(index), positions_[index]);
    Repaint();
  } else if (diagram->IsStretched()) {
    UnstretchDiagrams(true);
  }
  UpdatePropPages(ppuAll);
}

void CDiagramControl::OnDiagramDestroy(CDiagram* diagram) {
  const int index = GetDiagramIndex(diagram);
  if (index < 0) return;
  if (diagram->GetTraceCount() > 0 &&
      QuorMessageBox(nullptr, Tr("Трассы текущего окна будут утеряны.\nЗакрыть диаграмму?"),
                     Tr("Подтверждение закрытия диаграммы"), kCloseQuestionFlags) != IDYES)
    return;
  RemoveDiagram(static_cast<unsigned>(index));
}

// ---- information panel --------------------------------------------------------------------

void CDiagramControl::AddInfoPanel() {
  infoPanelEnabled_ = true;
  if (infoPanel_) return;
  infoPanel_ = std::make_unique<CInfoPanel>(this);
  if (GetDiagramCount() < kSlots) positions_[GetDiagramCount()] = -1;
  const std::wstring caption = GetDiagramString(L"DEMODCAPTION");
  if (!caption.empty()) infoPanel_->SetCaption(caption);
  const std::wstring info = GetDiagramString(L"DEMODINFO");
  if (!info.empty()) infoPanel_->SetInfo(info);
}

std::wstring CDiagramControl::GetInfoPanelName() const {
  return infoPanel_ ? infoPanel_->Caption() : std::wstring();
}

const SColorTheme* CDiagramControl::GetTheme() const { return theme_; }

void CDiagramControl::SetColorTheme(unsigned index) {
  const SColorTheme* theme = GetColorTheme(index);
  if (theme == theme_) return;
  theme_ = theme;
  for (auto& diagram : diagrams_) diagram->SetColorTheme(theme_);
  Repaint();
}

// ---- measurements -------------------------------------------------------------------------

CMeasurement* CDiagramControl::CreateMeasurement() {
  measurements_.push_back(std::make_unique<CMeasurement>());
  activeFlags_.push_back(false);
  usedFlags_.push_back(false);
  CMeasurement* measurement = measurements_.back().get();
  for (auto& diagram : diagrams_) diagram->AddMeasurement(measurement);
  return measurement;
}

CVirtualMeasurement* CDiagramControl::CreateVirtualMeasurement(const wchar_t* name) {
  if (!PV_ASSERT(name != nullptr)) return nullptr;
  virtualMeasurements_.push_back(std::make_unique<CVirtualMeasurement>(
      name, [this](const std::wstring& source) { return GetMeasurement(source.c_str()); }));
  CVirtualMeasurement* measurement = virtualMeasurements_.back().get();
  for (auto& diagram : diagrams_) diagram->AddMeasurement(measurement);
  return measurement;
}

CMeasurement* CDiagramControl::GetMeasurement(const wchar_t* name) const {
  if (name == nullptr) return nullptr;
  for (const auto& m : measurements_)
    if (m->GetName() == name) return m.get();
  return nullptr;
}

CMeasurement* CDiagramControl::GetMeasurementByIndex(unsigned index) const {
  return index < measurements_.size() ? measurements_[index].get() : nullptr;
}

void CDiagramControl::DestroyMeasurements() {
  for (auto& diagram : diagrams_) diagram->Finalize();
  // Virtual channels listen to the real ones: they go first.
  while (!virtualMeasurements_.empty()) virtualMeasurements_.pop_back();
  while (!measurements_.empty()) measurements_.pop_back();
  activeFlags_.clear();
  usedFlags_.clear();
}

void CDiagramControl::SetActiveMeasurements(DiagramInterface*) {
  // While a layout loads, diagrams come and go from active; the host hears the outcome.
  if (destroying_ || loadingLayout_) return;
  // Indexed: the host's handler may create channels meanwhile.
  for (std::size_t i = 0; i < measurements_.size() && i < activeFlags_.size(); ++i) {
    CMeasurement* measurement = measurements_[i].get();
    const bool active = measurement->GetActive();
    if (active == activeFlags_[i]) continue;
    activeFlags_[i] = active;
    SendDiagramParameter(measurement, L"Activity", active ? 1 : 0, 0);
  }
}

void CDiagramControl::SetUsedMeasurements() {
  if (destroying_ || loadingLayout_) return;
  for (std::size_t i = 0; i < measurements_.size() && i < usedFlags_.size(); ++i) {
    CMeasurement* measurement = measurements_[i].get();
    const bool used = measurement->GetUsing();
    if (used == usedFlags_[i]) continue;
    usedFlags_[i] = used;
    SendDiagramParameter(measurement, L"Using", used ? 1 : 0, 0);
  }
}

// ---- events to the host -------------------------------------------------------------------

void CDiagramControl::SendDiagramParameter(MeasurementInterface* measurement, const wchar_t* name, double value,
                                           double extra) {
  if (onDiagramParameter) onDiagramParameter(measurement, name, value, extra);
}

void CDiagramControl::SendDiagramAction(MeasurementInterface* measurement, const wchar_t* name,
                                        const wchar_t* value) {
  if (onDiagramAction) onDiagramAction(measurement, name, value);
}

// ---- property pages -----------------------------------------------------------------------

int CDiagramControl::GetPropPageModuleCount() const { return propPageFactory_ ? propPageFactory_->Count() : 0; }

std::wstring CDiagramControl::GetPropPageModuleName(int index) const {
  if (index < 0 || index >= GetPropPageModuleCount()) return {};
  return propPageFactory_->GetName(index);
}

bool CDiagramControl::FilterModuleExists(const std::wstring& name) const {
  if (!filterFactory_) return false;
  const std::wstring upper = ToUpperText(name);
  for (int i = 0; i < filterFactory_->Count(); ++i)
    if (ToUpperText(filterFactory_->GetName(i)) == upper) return true;
  return false;
}

void CDiagramControl::RegisterPropPage(const std::wstring& name, PropPageMaker maker) {
  if (!PV_ASSERT(!name.empty() && maker)) return;
  for (auto& entry : builtInPages_) {
    if (ToUpperText(entry.first) != ToUpperText(name)) continue;
    entry.second = std::move(maker);
    return;
  }
  builtInPages_.emplace_back(name, std::move(maker));
}

std::vector<std::wstring> CDiagramControl::GetBuiltInPageNames() const {
  std::vector<std::wstring> names;
  for (const auto& entry : builtInPages_) names.push_back(entry.first);
  return names;
}

bool CDiagramControl::DestroyPropPage(CPropPageBase* page) {
  auto it = std::find_if(propPages_.begin(), propPages_.end(), [page](const PagePtr& p) { return p.get() == page; });
  if (it == propPages_.end()) return false;
  propPages_.erase(it);
  return true;
}

CPropPageBase* CDiagramControl::CreatePropPage(const wchar_t* name) {
  if (name == nullptr) return nullptr;
  const std::wstring wanted = ToUpperText(name);
  for (const auto& entry : builtInPages_) {
    if (ToUpperText(entry.first) != wanted) continue;
    std::unique_ptr<CPropPageBase> made = entry.second();
    if (!PV_ASSERT_MSG(made != nullptr, "pPage != NULL")) return nullptr;
    propPages_.push_back(PagePtr(made.release(), SPageDeleter{}));
    return propPages_.back().get();
  }
  if (!propPageFactory_) return nullptr;
  int index = -1;
  for (int i = 0; index < 0 && i < propPageFactory_->Count(); ++i)
    if (ToUpperText(propPageFactory_->GetName(i)) == wanted) index = i;
  if (index < 0) return nullptr;

  void* instance = nullptr;
  const int result = propPageFactory_->CreateInstance(instance, index);
  if (!PV_ASSERT(result==0)) return nullptr;
  PagePtr pPage(static_cast<CPropPageBase*>(instance), SPageDeleter{propPageFactory_.get()});
  if (!PV_ASSERT_MSG(pPage != nullptr, "pPage != NULL")) return nullptr;

  // A page that edits one filter's parameters is only useful while that filter can be made.
  const std::wstring filter = pPage->FilterAttached();
  if (!filter.empty()) {
    const bool included = ToUpperText(GetDiagramString(L"IncludedFilters")).find(ToUpperText(filter)) !=
                          std::wstring::npos;
    if (!included || !FilterModuleExists(filter)) return nullptr;  // the deleter gives it back
  }
  propPages_.push_back(std::move(pPage));
  return propPages_.back().get();
}

CPropPageBase* CDiagramControl::Page(unsigned index) const {
  return index < propPages_.size() ? propPages_[index].get() : nullptr;
}

void CDiagramControl::UpdatePropPages(EPPUpdate kind) {
  if (propPages_.empty() || propPagesBlocked_) return;
  if (kind == ppuAll) {
    CDiagram* active = activeIndex_ >= 0 ? GetDiagram(static_cast<unsigned>(activeIndex_)) : nullptr;
    for (auto& page : propPages_) page->SetDiagram(active);
  }
  if (kind == ppuAll || kind == ppuSelection)
    for (auto& page : propPages_) page->SetSelection();
  if (kind == ppuAll || kind == ppuMarkers)
    for (auto& page : propPages_) page->MarkersUpdate();
  for (auto& page : propPages_) page->Update();
}

// ---- host ---------------------------------------------------------------------------------

SSize CDiagramControl::ClientSize() const { return host_ != nullptr ? host_->ClientSize() : SSize{}; }

void CDiagramControl::Repaint() {
  if (host_ != nullptr && !destroying_) host_->Repaint();
}

void CDiagramControl::Draw(ICanvas& canvas) {
  // A diagram clips itself to its bounds.
  for (auto& diagram : diagrams_)
    if (diagram->GetVisible()) diagram->Draw(canvas);
  const unsigned panelSlot = GetDiagramCount();
  if (PanelTakesSlot() && !stretched_ && panelSlot < kSlots && positions_[panelSlot] >= 0) {
    canvas.SetClipRect(infoPanelBounds_);
    infoPanel_->Paint(canvas, infoPanelBounds_);
    canvas.ResetClip();
  }
}

// ---------------------------------------------------------------------------------------
// Colour map of the spectrum views

namespace {
CDiagramControl::ColorMapEditor& ColorMapEditorSlot() {
  static CDiagramControl::ColorMapEditor editor;
  return editor;
}
}  // namespace

CDiagramControl::ColorMapEditor CDiagramControl::SetColorMapEditor(ColorMapEditor editor) {
  ColorMapEditor old = std::move(ColorMapEditorSlot());
  ColorMapEditorSlot() = std::move(editor);
  return old;
}

void CDiagramControl::SetColorMapSettings(const SColorMapSettings& settings) {
  colorMapSettings_ = settings;
  ShowColorMap(settings);
}

void CDiagramControl::ShowColorMap(const SColorMapSettings& settings) {
  for (auto& diagram : diagrams_)
    for (unsigned t = 0; t < diagram->GetTraceCount(); ++t)
      if (TQuorSpectrumSeries* spectrum = diagram->Trace(t)->SpectrumSeries()) spectrum->SetColorMapSettings(settings);
}

bool CDiagramControl::OpenColorMapControl(CDiagram* diagram) {
  if (diagram == nullptr || !ColorMapEditorSlot()) return false;
  TQuorSpectrumSeries* series = nullptr;
  for (unsigned t = 0; t < diagram->GetTraceCount() && series == nullptr; ++t)
    series = diagram->Trace(t)->SpectrumSeries();
  if (series == nullptr) return false;
  SColorMapSettings edited = colorMapSettings_;
  const bool ok = ColorMapEditorSlot()(series, edited, [this](const SColorMapSettings& s) { ShowColorMap(s); });
  // Whatever the dialog previewed, the series end with the record's settings.
  SetColorMapSettings(ok ? edited : colorMapSettings_);
  return ok;
}
