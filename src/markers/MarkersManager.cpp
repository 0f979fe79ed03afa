#include "markers/MarkersManager.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "common/Assert.h"
#include "common/AtomicFile.h"
#include "common/Log.h"
#include "common/Text.h"
#include "common/UserInteraction.h"
#include "common/Xml.h"
#include "core/DiagCommonLib.h"
#include "core/DiagMetrics.h"
#include "interfaces/DiagramControlInterface.h"
#include "interfaces/DiagramInterface.h"
#include "markers/MarkParams.h"

namespace {

CMenuItem* AddCommand(CMenuComponent* menu, const char* caption, std::function<void()> handler,
                      const wchar_t* shortCut = L"") {
  auto item = std::make_unique<CMenuItem>(Tr(caption), std::move(handler));
  item->SetShortCut(shortCut);
  return AddMenuItem(menu, std::move(item));
}

std::wstring Folder(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L'/');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring PresetFilter() { return Tr("Файлы шаблонов маркеров") + L"|*.mrk"; }

}  // namespace

CMarkersManager::CMarkersManager(DiagramInterface* diagram, DiagramControlInterface* control)
    : diagram_(diagram), control_(control) {
  for (unsigned i = kMarkerCount; i-- > 0;)
    markers_[i] = std::make_unique<CMarker>(this, diagram, std::to_wstring(i + 1));
  for (auto& relation : relations_) relation = std::make_unique<CRelationMarker>(this);
  active_ = markers_[0].get();
  traceIds_ = TraceIds();
}

CMarkersManager::~CMarkersManager() {
  for (auto& relation : relations_) relation->Reset();
}

CMarker* CMarkersManager::Marker(unsigned index) const {
  if (!PV_ASSERT_MSG(index < GetMarkerCount(), "uIndex < GetMarkerCount()")) return nullptr;
  return markers_[index].get();
}

CRelationMarker* CMarkersManager::Relation(unsigned index) const {
  if (!PV_ASSERT_MSG(index < GetRelationCount(), "uIndex < GetRelationCount()")) return nullptr;
  return relations_[index].get();
}

int CMarkersManager::GetMarkerIndex(const IMarker* marker) const {
  for (unsigned i = 0; i < kMarkerCount; ++i)
    if (markers_[i].get() == marker) return static_cast<int>(i);
  return -1;
}

void CMarkersManager::SetActiveMarker(unsigned index) {
  if (index < kMarkerCount) SetActiveMarker(markers_[index].get());
}

void CMarkersManager::SetActiveMarker(IMarker* marker) {
  const int index = GetMarkerIndex(marker);
  if (index < 0) return;
  const bool changed = active_ != markers_[static_cast<std::size_t>(index)].get();
  active_ = markers_[static_cast<std::size_t>(index)].get();
  for (auto& m : markers_) m->SetSelected(m.get() == active_);
  if (changed) MarkerChanged();
  Repaint();
}

bool CMarkersManager::DeviceControlAllowed() const {
  return control_ != nullptr && control_->GetDiagramString(L"DeviceControl") == L"1";
}

void CMarkersManager::MarkerChanged() {
  if (!loading_ && !updateBlocked_ && control_ != nullptr) control_->UpdatePropPages(ppuMarkers);
}

void CMarkersManager::Repaint() {
  if (!repaintBlocked_ && onRepaint) onRepaint();
}

// ---- updates ------------------------------------------------------------------------------

void CMarkersManager::Update(TraceInterface* trace) {
  if (IsUpdateBlocked() || diagram_ == nullptr) return;
  const int index = diagram_->GetTraceIndex(trace);
  if (index < 0) return;
  for (unsigned i = 0; i < kMarkerCount; ++i) {
    CMarker* m = markers_[i].get();
    const SMarkParams& p = m->GetParams();
    if (p.parked) continue;
    pending_[i] = false;
    if (p.traceIndex == index || (p.deltaMeasure && p.refTraceIndex == index)) {
      m->Update();
    } else if (static_cast<unsigned>(index) + 2 < kLinesCount && p.lines.test(static_cast<std::size_t>(index) + 2)) {
      m->UpdateList();
    }
  }
  for (auto& relation : relations_) relation->UpdateValues();
  Repaint();
}

void CMarkersManager::DataWritten(TraceInterface* trace, int offset, int count, int size) {
  if (IsUpdateBlocked() || diagram_ == nullptr) return;
  const int index = diagram_->GetTraceIndex(trace);
  if (index < 0) return;
  const int end = offset + count;
  const bool complete = end >= size;
  bool any = false;
  for (unsigned i = 0; i < kMarkerCount; ++i) {
    CMarker* m = markers_[i].get();
    const SMarkParams& p = m->GetParams();
    if (p.parked) continue;
    const bool bound = p.traceIndex == index || (p.deltaMeasure && p.refTraceIndex == index);
    if (!bound) {
      // A line of the read-out shows this trace: its text follows once the sweep is in.
      if (complete && static_cast<unsigned>(index) + 2 < kLinesCount && p.lines.test(static_cast<std::size_t>(index) + 2)) {
        m->UpdateList();
        any = true;
      }
      continue;
    }
    SIndexSpan span = m->Dependency();
    if (span.last >= trace->Count()) span.last = size;  // reads up to the end of the sweep
    if (offset < span.last && end > span.first) pending_[i] = true;
    if (pending_[i] && (end >= span.last || complete)) {
      pending_[i] = false;
      m->Update();
      any = true;
    }
  }
  if (complete)
    for (auto& relation : relations_) relation->UpdateValues();
  if (any) Repaint();
}

void CMarkersManager::UpdateStat(TraceInterface* trace, bool reset) {
  if (IsUpdateBlocked()) return;
  for (auto& m : markers_) {
    if (reset) m->StatReset();
    m->UpdateStat(trace);
  }
  for (auto& relation : relations_) {
    if (reset) relation->StatReset();
    relation->UpdateStat(trace);
  }
}

// ---- traces -------------------------------------------------------------------------------

std::vector<std::uint64_t> CMarkersManager::TraceIds() const {
  std::vector<std::uint64_t> ids;
  if (diagram_ == nullptr) return ids;
  for (unsigned i = 0; i < diagram_->GetTraceCount(); ++i) ids.push_back(diagram_->Trace(i)->Id());
  return ids;
}

void CMarkersManager::TracesChanged() {
  const std::vector<std::uint64_t> now = TraceIds();
  if (now == traceIds_) return;
  const auto remap = [&](int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= traceIds_.size()) return -1;
    const auto at = std::find(now.begin(), now.end(), traceIds_[static_cast<std::size_t>(index)]);
    return at == now.end() ? -1 : static_cast<int>(at - now.begin());
  };
  std::vector<int> added;
  for (std::size_t i = 0; i < now.size(); ++i)
    if (std::find(traceIds_.begin(), traceIds_.end(), now[i]) == traceIds_.end()) added.push_back(static_cast<int>(i));
  for (auto& m : markers_) {
    SMarkParams p = m->GetParams();
    SMarkParams q = p;
    q.traceIndex = remap(p.traceIndex);
    q.refTraceIndex = remap(p.refTraceIndex);
    q.lines.reset();
    q.lines.set(0, p.lines.test(0));
    q.lines.set(1, p.lines.test(1));
    for (unsigned line = 2; line < kLinesCount; ++line) {
      if (!p.lines.test(line)) continue;
      const int to = remap(static_cast<int>(line) - 2);
      if (to >= 0 && static_cast<unsigned>(to) + 2 < kLinesCount) q.lines.set(static_cast<std::size_t>(to) + 2);
    }
    if (showNewTraces_ && !loading_ && !p.parked)
      for (int index : added)
        if (static_cast<unsigned>(index) + 2 < kLinesCount) q.lines.set(static_cast<std::size_t>(index) + 2);
    if (!p.parked && q.traceIndex < 0 && !now.empty() && p.traceIndex < 0 && !added.empty()) {
      q.traceIndex = added.front();  // a marker in use waiting for a trace takes the first that comes
    }
    if (q.refTraceIndex < 0) q.deltaMeasure = false;  // its reference trace went
    if (!(q == p)) {
      m->BlockUpdate(true);
      m->SetParams(q);
      m->BlockUpdate(false);
    }
  }
  traceIds_ = now;
  traceNames_.clear();
  for (unsigned i = 0; i < now.size(); ++i) traceNames_.push_back(diagram_->Trace(i)->GetName());
  if (!IsUpdateBlocked())
    for (auto& m : markers_)
      if (!m->GetParked()) m->Update();
  Repaint();
}

void CMarkersManager::TraceLook(TraceInterface* trace) {
  const int index = diagram_ != nullptr ? diagram_->GetTraceIndex(trace) : -1;
  if (index < 0 || static_cast<std::size_t>(index) >= traceNames_.size()) return;
  const std::wstring old = traceNames_[static_cast<std::size_t>(index)];
  const std::wstring now = trace->GetName();
  if (old == now) return;
  traceNames_[static_cast<std::size_t>(index)] = now;
  RenameTrace(trace, old, now);
}

void CMarkersManager::RenameTrace(TraceInterface*, const std::wstring& oldName, const std::wstring& newName) {
  if (oldName.empty()) return;
  std::vector<CRelationMarker*> using_;
  for (auto& r : relations_)
    if (r->GetActivated() && r->GetParams().expression.find(oldName) != std::wstring::npos) using_.push_back(r.get());
  if (!using_.empty() && QuorQuestion(nullptr, Tr("Заменить имя трассы в выражениях активных связных маркеров?"),
                                      Tr("Переименование трассы"))) {
    for (CRelationMarker* r : using_) {
      SConnParams p = r->GetParams();
      for (std::size_t at = p.expression.find(oldName); at != std::wstring::npos;
           at = p.expression.find(oldName, at + newName.size()))
        p.expression.replace(at, oldName.size(), newName);
      r->SetParams(p);
    }
  }
  for (auto& m : markers_)
    if (!m->GetParked()) m->UpdateList();
  Repaint();
}

void CMarkersManager::ShowTrace(int index) {
  if (index < 0 || static_cast<unsigned>(index) + 2 >= kLinesCount) return;
  for (auto& m : markers_) {
    if (m->GetParked()) continue;
    SMarkParams p = m->GetParams();
    if (p.lines.test(static_cast<std::size_t>(index) + 2)) continue;
    p.lines.set(static_cast<std::size_t>(index) + 2);
    m->SetParams(p);
  }
}

// ---- channel notices ----------------------------------------------------------------------

void CMarkersManager::CallbackChanged(MeasurementInterface* measurement, EMeasureParam kind) {
  if (kind != mpParameter || measurement == nullptr) return;
  if (measurement->GetLastParameter() == L"FrequencyCounter") {
    const std::wstring value = measurement->GetParameter(L"FrequencyCounter");
    if (PV_ASSERT_MSG(!value.empty(), "sVal != L\"\"")) {
      std::wistringstream in(value);
      std::wstring asked, counted;
      in >> asked >> counted;
      try {
        const double a = StrToDouble(WideToUtf8(asked).c_str());
        const double c = StrToDouble(WideToUtf8(counted).c_str());
        freqCounter_ = true;
        for (auto& m : markers_)
          if (m->IsActivated() && m->IsWaitingCounter() && std::fabs(m->GetFreq() - a) < 1.0) m->SetCorrectedFreq(c);
      } catch (const EConvertError&) {
        LogMessage(L"Markers", L"unreadable frequency counter result: " + value);
      }
    }
  }
  const std::wstring syncOut = measurement->GetParameter(L"SyncOut");
  if (!syncOut.empty() && syncOut != L"11")
    for (auto& m : markers_) m->ResetSyncPoint();
}

// ---- commands -----------------------------------------------------------------------------

bool CMarkersManager::ActivateFirstParkedMarker() {
  for (auto& m : markers_) {
    if (!m->GetParked()) continue;
    m->Activate(true);
    SetActiveMarker(m.get());
    return true;
  }
  QuorMessageBox(nullptr, Tr("Достигнуто максимальное количество маркеров."), Tr("Ошибка добавления маркера"),
                 MB_OK | MB_ICONWARNING);
  return false;
}

void CMarkersManager::ToggleMarkersActivity() {
  const bool any = std::any_of(markers_.begin(), markers_.end(), [](auto& m) { return m->IsActivated(); });
  if (any) {
    DeactivateMarkers();
  } else {
    ActivateMarkers();
  }
}

void CMarkersManager::ActivateMarkers() {
  for (auto& m : markers_) m->Activate(true);
  Repaint();
}

void CMarkersManager::DeactivateMarkers() {
  for (auto& m : markers_) m->Deactivate(true);
  Repaint();
}

bool CMarkersManager::ResetMarkers() {
  const bool allParked = std::all_of(markers_.begin(), markers_.end(), [](auto& m) { return m->GetParked(); });
  if (!allParked && !QuorQuestion(nullptr, Tr("Сбросить все маркеры диаграммы?"), Tr("Подтверждение сброса")))
    return false;
  Reset();
  return true;
}

void CMarkersManager::Reset() {
  const bool was = loading_;
  loading_ = true;
  for (auto& relation : relations_) relation->Reset();
  for (auto& m : markers_) m->Reset(false);
  pending_.fill(false);
  active_ = markers_[0].get();
  loading_ = was;
  if (control_ != nullptr) control_->UpdatePropPages(ppuMarkers);
  Repaint();
}

void CMarkersManager::SetCompactMode(bool on) {
  compact_ = on;
  for (auto& m : markers_)
    if (m->IsActivated()) m->UpdateList();
  for (auto& relation : relations_) relation->UpdateValues();
  Repaint();
}

void CMarkersManager::SetLargeFont(bool on) {
  largeFont_ = on;
  Repaint();
}

CRelationMarker* CMarkersManager::ConnectMarkers(CMarker* a, CMarker* b, double framePos) {
  if (a == nullptr || b == nullptr || a == b) return nullptr;
  for (auto& relation : relations_) {
    if (relation->GetActivated()) continue;
    SConnParams p = DefaultConnParams();
    // The difference of the two stimulus values, scaled to MHz or ns when both agree on it.
    std::wstring expression = L"abs(а.арг-б.арг)";
    const std::wstring ua = a->SrcTrace(false) != nullptr ? a->SrcTrace(false)->GetQuantity(vtStimulus) : L"";
    const std::wstring ub = b->SrcTrace(false) != nullptr ? b->SrcTrace(false)->GetQuantity(vtStimulus) : L"";
    if (ua == ub && ua == L"Hz") {
      expression += L"/10^6";
    } else {
      if (ua == ub && ua == L"s") expression += L"*10^9";
      p.print = Utf8ToWide(ua == ub && ua == L"s" ? TrNoop("%зн нс") : TrNoop("%зн"));
      p.description = Utf8ToWide(ua == ub && ua == L"s" ? TrNoop("Интервал, нс") : TrNoop("Разность"));
    }
    p.expression = expression;
    // A preset of the same expression gives its print text and description.
    const std::wstring file = control_ != nullptr ? control_->GetDiagramString(L"MarkersRelFile") : std::wstring();
    pugi::xml_document doc;
    if (!file.empty() && doc.load_file(WideToUtf8(file).c_str())) {
      for (const pugi::xpath_node& n : SelectNodes(doc, L"/relationList/relation")) {
        if (GetNodeWideStringValue(n.node(), L"expression/@value") != expression) continue;
        p.print = GetNodeWideStringValue(n.node(), L"print/@value", L"Undefined");
        p.description = GetNodeWideStringValue(n.node(), L"description/@value", L"Undefined");
        break;
      }
    }
    p.markerA = GetMarkerIndex(a);
    p.markerB = GetMarkerIndex(b);
    p.active = true;
    p.framePos = framePos;
    relation->Connect(a, b);
    if (!relation->SetParams(p)) {
      relation->Reset();
      return nullptr;
    }
    relation->StatReset();
    return relation.get();
  }
  return nullptr;
}

void CMarkersManager::RemoveRelation(CRelationMarker* relation) {
  if (relation == nullptr) return;
  relation->Deactivate();
  relation->Reset();
  Repaint();
}

void CMarkersManager::PrepareMenu(CMenuComponent* menu) {
  AddCommand(menu, "Загрузить...", [this] { LoadMarkers(); }, L"Ctrl+L");
  AddCommand(menu, "Сохранить...", [this] { SaveMarkers(); }, L"Ctrl+K");
  AddCommand(menu, "Включить новый", [this] { ActivateFirstParkedMarker(); }, L"Ctrl+W");
  AddMenuSeparator(menu);
  CMenuItem* compact = AddCommand(menu, "Компактный режим отображения", [this] { SetCompactMode(!compact_); }, L"F8");
  compact->SetChecked(compact_);
  CMenuItem* large = AddCommand(menu, "Крупный шрифт", [this] { SetLargeFont(!largeFont_); });
  large->SetChecked(largeFont_);
  AddCommand(menu, "Активировать/деактивировать все", [this] { ToggleMarkersActivity(); }, L"Ctrl+D");
  AddCommand(menu, "Сбросить все", [this] { ResetMarkers(); }, L"Ctrl+E");
  if (HarmonicSearchOffered()) {
    AddMenuSeparator(menu);
    AddCommand(menu, "Поиск гармоник...", [this] { FindExtremums(); }, L"Ctrl+H");
  }
  AddMenuSeparator(menu);
  AddCommand(menu, "Расстановка маркеров по списку...", [this] { AutoManage(); });
  if (active_ != nullptr && !active_->GetParked()) {
    AddMenuSeparator(menu);
    CMenuItem* own = AddMenuItem(menu, std::make_unique<CMenuItem>(Tr("Маркер ") + active_->GetCaption()));
    active_->PrepareMenu(own);
  }
  for (auto& relation : relations_) {
    if (!relation->GetActivated()) continue;
    CMenuItem* own = AddMenuItem(menu, std::make_unique<CMenuItem>(Tr("Связной маркер ") + relation->GetMarker(0)->GetCaption() +
                                                                   L"<->" + relation->GetMarker(1)->GetCaption()));
    relation->PrepareMenu(own);
  }
}

bool CMarkersManager::KeyDown(int key, bool ctrl, bool shift, bool alt) {
  if (key == mkF8) {
    SetCompactMode(!compact_);
    return true;
  }
  if (ctrl && !alt && !shift) {
    switch (key) {
      case 'L':
        LoadMarkers();
        return true;
      case 'K':
        SaveMarkers();
        return true;
      case 'W':
        ActivateFirstParkedMarker();
        return true;
      case 'D':
        ToggleMarkersActivity();
        return true;
      case 'E':
        ResetMarkers();
        return true;
      case 'H':
        if (diagram_ == nullptr || diagram_->GetTraceCount() != 1 || !HarmonicSearchOffered()) return false;
        FindExtremums();
        return true;
      default:
        break;
    }
  }
  CMarker* target = nullptr;
  for (auto& m : markers_)
    if (m->IsSelected() && !m->GetParked()) {
      target = m.get();
      break;
    }
  if (target == nullptr && active_ != nullptr && !active_->GetParked()) target = active_;
  if (target == nullptr) return false;
  // Shift with an arrow moves a free marker by the step of its stimulus line.
  const SMarkParams& p = target->GetParams();
  if (shift && !ctrl && !alt && (key == mkLeft || key == mkRight) && p.mode == mmFree && p.stimStep > 0 &&
      !std::isnan(target->GetFreq())) {
    target->SetOnFreq(target->GetFreq() + (key == mkRight ? p.stimStep : -p.stimStep), true, true);
    return true;
  }
  return target->KeyDown(key, ctrl, alt);
}

// ---- drawing and mouse --------------------------------------------------------------------

namespace {
constexpr int kTriangleMargin = 28;  // room of a triangle and its caption above a point
}  // namespace

void CMarkersManager::Paint(ICanvas& canvas, const SRect& plot) {
  canvas.SetClipRect(plot);
  for (auto& m : markers_) {
    if (!m->IsShowing()) continue;
    TraceInterface* trace = m->SrcTrace(false);
    const TColor color = trace != nullptr ? trace->GetColor() : clBlack;
    // The search range along the bottom of the plot.
    const SMarkParams& p = m->GetParams();
    if (!p.noLimits && p.mode != mmFree && trace != nullptr) {
      const double a = trace->CalcPosValue(vtStimulus, std::min(p.rangeMin, p.rangeMax));
      const double b = trace->CalcPosValue(vtStimulus, std::max(p.rangeMin, p.rangeMax));
      canvas.SetPen({color, 2, psDash});
      canvas.Line(std::max<double>(a, plot.left), plot.bottom - 3, std::min<double>(b, plot.right), plot.bottom - 3);
      if (m.get() == active_) {
        SFont font;
        font.color = color;
        canvas.SetFont(font);
        const std::wstring hint = m->RangeHint();
        canvas.TextOut(std::max<double>(a, plot.left) + 2, plot.bottom - 5 - canvas.TextExtent(hint).cy, hint);
      }
    }
    for (bool maxima : {false, true}) {
      canvas.SetPen({maxima ? RGBColor(220, 0, 0) : RGBColor(0, 0, 220), 1, psSolid});
      canvas.SetBrush({clWhite, bsClear});
      for (const SPointF& c : m->Candidates(maxima)) {
        const double x = trace->CalcPosValue(vtStimulus, c.x), y = trace->CalcPosValue(vtResponse, c.y);
        canvas.Ellipse({static_cast<int>(x) - 3, static_cast<int>(y) - 3, static_cast<int>(x) + 4, static_cast<int>(y) + 4});
      }
    }
    // A triangle on the top row (a spectrogram's newest sweep, a level at the top of the
    // scale) rises into the margin above the plot.
    canvas.SetClipRect({plot.left - kTriangleMargin, plot.top - kTriangleMargin, plot.right + kTriangleMargin, plot.bottom});
    m->PaintTriangle(canvas, color);
    canvas.SetClipRect(plot);
  }
  if (compact_) {
    // One table in the top right corner: a line per marker.
    SFont font;
    font.size = GetMetrics(largeFont_ ? MRK_FONT_SIZE_LARGE : MRK_FONT_SIZE_NORMAL);
    canvas.SetFont(font);
    std::vector<std::wstring> lines;
    for (auto& m : markers_) {
      if (!m->IsShowing()) continue;
      std::wstring line = L"M" + m->GetCaption() + L"  " + m->GetTraceValueString(0);
      if (m->GetParams().traceIndex >= 0) line += L"  " + m->GetTraceValueString(m->GetParams().traceIndex + 2);
      lines.push_back(line);
    }
    int width = 0, height = 0;
    for (const auto& l : lines) {
      const SSize s = canvas.TextExtent(l);
      width = std::max(width, s.cx);
      height = std::max(height, s.cy);
    }
    if (!lines.empty()) {
      const SRect r{plot.right - width - 10, plot.top + 4, plot.right - 4, plot.top + 8 + static_cast<int>(lines.size()) * (height + 1)};
      canvas.SetPen({clBlack, 1, psSolid});
      canvas.SetBrush({clWhite, bsSolid});
      canvas.Rectangle(r);
      for (std::size_t i = 0; i < lines.size(); ++i)
        canvas.TextOut(r.left + 3, r.top + 2 + static_cast<int>(i) * (height + 1), lines[i]);
    }
  } else {
    // Frames asking for the same place stack downwards instead of hiding each other.
    std::vector<SRect> taken;
    for (auto& m : markers_) {
      if (!m->IsShowing()) continue;
      const int top = plot.top + static_cast<int>(m->GetParams().framePos / 100.0 * plot.Height());
      const SRect frame = m->PaintFrame(canvas, plot, top, largeFont_, taken);
      if (frame.right > frame.left) taken.push_back(frame);
    }
  }
  for (auto& relation : relations_) relation->Paint(canvas, plot, compact_);
  canvas.ResetClip();
}

CMarker* CMarkersManager::GetMarkAtPoint(int x, int y) const {
  for (unsigned i = kMarkerCount; i-- > 0;) {
    const CMarker* m = markers_[i].get();
    if (m->IsShowing() && (m->HitTriangle(x, y) || (!compact_ && m->FrameRect().Contains(x, y))))
      return markers_[i].get();
  }
  return nullptr;
}

bool CMarkersManager::MouseDown(int x, int y) {
  CMarker* m = GetMarkAtPoint(x, y);
  if (m == nullptr) return false;
  SetActiveMarker(m);
  if (m->HitTriangle(x, y) && !m->IsFixed() && (m->GetParams().mode == mmFree || m->GetParams().extremeMode != emOff)) {
    dragged_ = m;
    if (m->GetParams().extremeMode != emOff) m->AutoSearchStart();
  }
  return true;
}

bool CMarkersManager::MouseMove(int x, int) {
  if (dragged_ == nullptr) return false;
  const double stimulus = dragged_->StimulusAtPixel(x);
  if (std::isnan(stimulus)) return true;
  if (dragged_->GetParams().mode == mmFree) {
    dragged_->SetOnFreq(stimulus, true, true);
  } else {
    SMarkParams p = dragged_->GetParams();
    p.position = stimulus;
    p.mode = mmFree;
    dragged_->BlockUpdate(true);
    dragged_->SetParams(p);
    dragged_->BlockUpdate(false);
    dragged_->SetOnFreq(stimulus, true, true);
  }
  return true;
}

bool CMarkersManager::MouseUp(int, int) {
  if (dragged_ == nullptr) return false;
  if (dragged_->GetParams().extremeMode != emOff) dragged_->AutoSearchFinish();
  dragged_ = nullptr;
  Repaint();
  return true;
}

// ---- files --------------------------------------------------------------------------------

void CMarkersManager::WriteMarksToXMLNode(pugi::xml_node element) const {
  AddAttribute(element, L"compact", compact_);
  AddAttribute(element, L"large_font", largeFont_);
  AddAttribute(element, L"show_new_traces", showNewTraces_);
  pugi::xml_node list = AddElement(element, L"markerList");
  for (unsigned i = 0; i < kMarkerCount; ++i) markers_[i]->Serialize(list, static_cast<int>(i));
  pugi::xml_node relations = AddElement(element, L"relationList");
  for (const auto& relation : relations_)
    if (relation->GetActivated()) relation->Serialize(relations, true);
}

void CMarkersManager::ReadMarksFromXMLNode(pugi::xml_node node) {
  const bool was = loading_;
  loading_ = true;
  compact_ = GetNodeBoolValue(node, L"@compact", false);
  largeFont_ = GetNodeBoolValue(node, L"@large_font", false);
  showNewTraces_ = GetNodeBoolValue(node, L"@show_new_traces", true);
  std::array<int, kMarkerCount> ids;
  ids.fill(-1);
  for (auto& relation : relations_) relation->Reset();
  for (pugi::xml_node m : node.child("markerList").children("marker")) {
    const int id = GetNodeIntValue(m, L"@id", -1);
    if (id < 0 || id >= static_cast<int>(kMarkerCount)) continue;
    ids[static_cast<std::size_t>(id)] = id;
    markers_[static_cast<std::size_t>(id)]->Deserialize(m);
  }
  for (unsigned i = 0; i < kMarkerCount; ++i)
    if (ids[i] < 0) markers_[i]->Reset(false);
  active_ = markers_[0].get();
  for (auto& m : markers_)
    if (!m->GetParked()) {
      active_ = m.get();
      break;
    }
  unsigned slot = 0;
  for (pugi::xml_node r : node.child("relationList").children("relation")) {
    if (slot >= kRelationCount) break;
    CRelationMarker* relation = relations_[slot++].get();
    SConnParams p = CRelationMarker::Read(r, DefaultConnParams());
    const auto resolve = [&ids](int id) { return id >= 0 && id < static_cast<int>(kMarkerCount) ? ids[static_cast<std::size_t>(id)] : -1; };
    const int a = resolve(p.markerA), b = resolve(p.markerB);
    if (a < 0 || b < 0 || a == b) continue;
    relation->Connect(markers_[static_cast<std::size_t>(a)].get(), markers_[static_cast<std::size_t>(b)].get());
    p.active = true;
    relation->SetParams(p, true);  // a refused expression leaves the relation showing no value
    relation->StatReset();
  }
  loading_ = was;
  for (auto& m : markers_)
    if (!m->GetParked()) m->Update();
  for (auto& relation : relations_) relation->UpdateValues();
  if (control_ != nullptr) control_->UpdatePropPages(ppuMarkers);
  Repaint();
}

bool CMarkersManager::SaveMarkersToFile(const std::wstring& path) {
  pugi::xml_document doc;
  pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "utf-8";
  pugi::xml_node root = AddElement(doc, L"markerPreset");
  WriteMarksToXMLNode(root);
  std::ostringstream out;
  doc.save(out, "\t", pugi::format_indent, pugi::encoding_utf8);
  return WriteFileAtomically(WideToUtf8(path), out.str()) == 0;
}

bool CMarkersManager::LoadMarkersFromFile(const std::wstring& path) {
  pugi::xml_document doc;
  if (!doc.load_file(WideToUtf8(path).c_str())) return false;
  const pugi::xml_node root = doc.child("markerPreset");
  if (!root) return false;
  Reset();
  ReadMarksFromXMLNode(root);
  return true;
}

bool CMarkersManager::SaveMarkers() {
  std::wstring path = control_ != nullptr ? control_->GetDiagramString(L"MarkersDir") : std::wstring();
  if (!UserInteraction().SaveFileName(nullptr, Tr("Сохранить шаблон маркеров"), PresetFilter(), path))
    return false;
  if (path.find(L'.', path.find_last_of(L'/') + 1) == std::wstring::npos) path += L".mrk";
  if (control_ != nullptr) control_->SetDiagramString(L"MarkersDir", Folder(path).c_str());
  if (SaveMarkersToFile(path)) return true;
  QuorMessageBox(nullptr, Tr("Ошибка при сохранении шаблона маркеров"), Tr("Ошибка"), MB_OK | MB_ICONERROR);
  return false;
}

bool CMarkersManager::LoadMarkers() {
  std::wstring path = control_ != nullptr ? control_->GetDiagramString(L"MarkersDir") : std::wstring();
  if (!UserInteraction().OpenFileName(nullptr, Tr("Открыть шаблон маркеров"), PresetFilter(), path))
    return false;
  if (control_ != nullptr) control_->SetDiagramString(L"MarkersDir", Folder(path).c_str());
  if (LoadMarkersFromFile(path)) return true;
  std::wstring text = Tr("Ошибка при загрузке шаблона маркеров из файла \"%0\"");
  ReplaceString(text, L"%0", path);
  QuorMessageBox(nullptr, text, Tr("Ошибка"), MB_OK | MB_ICONERROR);
  return false;
}
