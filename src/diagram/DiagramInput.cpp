// What the operator does with the mouse and the keys on one diagram: zoom gestures on the plot
// and the axis strips with their undo steps, stimulus drags on the bars, menus at the mouse,
// shortcuts, moving traces between diagrams, the hints of an empty diagram and stretching.
//
// How to add a gesture mode:
// 1. Give it the next number in SZoomGesture's comment and its caption in ZoomCaption.
// 2. Decide it in ZoomStart (where the press lies) or ZoomUpdate (where the pointer went).
// 3. Apply it in ZoomUpdate while dragging (no undo step) or in ZoomFinish with an undo step
//    built from gesture_.before, and say in SZoomEntry's mode what UnZoom restores.
// 4. Draw its band in DrawZoomBounds and add a mouse sequence for it to Gestures_test.cpp.
#include <algorithm>
#include <chrono>
#include <cmath>

#include "chart/ChartAxis.h"
#include "chart/Series.h"
#include "common/Text.h"
#include "common/Units.h"
#include "common/UserInteraction.h"
#include "core/DiagCommonLib.h"
#include "core/MenuModel.h"
#include "diagram/Diagram.h"
#include "diagram/ExStatusBar.h"
#include "measurements/Measurement.h"
#include "series/SmithSeries.h"
#include "series/SpectrumSeries.h"

namespace {

constexpr int kZoomThreshold = 20;  // pixels a plot gesture must move before it counts

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

CMenuItem* AddCommand(CMenuComponent* menu, const char* caption, std::function<void()> handler,
                      const wchar_t* shortCut = L"", int image = -1) {
  auto item = std::make_unique<CMenuItem>(Tr(caption), std::move(handler));
  item->SetShortCut(shortCut);
  item->SetImageIndex(image);
  return AddMenuItem(menu, std::move(item));
}

bool Cartesian(const CTrace& trace) { return !trace.Kind().circle && trace.GetPlot() != plDigit; }

std::wstring Channel(const TraceInterface& trace) {
  MeasurementInterface* m = trace.Measurement();
  return m != nullptr ? m->GetParameter(L"channel") : std::wstring();
}

// Texts of the empty-diagram hints.
const char* const kNoTraces[] = {TrNoop("Для добавления трассы"), TrNoop("щёлкните правой кнопкой мыши, или"),
                                 TrNoop("перетащите трассу при помощи мыши"),
                                 TrNoop("из списка трасс другой диаграммы")};
const char* const kNoneSelected[] = {TrNoop("Для выделения трассы"),
                                     TrNoop("щёлкните левой кнопкой мыши в списке трасс"),
                                     TrNoop("(для выделения всех трасс используйте комбинацию клавищ CTRL+A)")};

}  // namespace

std::wstring CDiagram::ZoomCaption(int mode) {
  switch (mode) {
    case 1: return Tr("Масштабирование области");
    case 2: return Tr("Вертикальное масштабирование");
    case 3: return Tr("Изменение диапазона сканирования");
    case 4: return Tr("Отмена масштабирования");
    case 5: return Tr("Смещение диапазона сканирования");
    case 6: return Tr("Смещение опорного уровня");
    default: return {};
  }
}

std::wstring CDiagram::StretchHint() const {
  return stretched_ ? Tr("Свернуть диаграмму в окно") : Tr("Развернуть диаграмму");
}

// ---------------------------------------------------------------------------------------
// Hit testing

SDiagramHit CDiagram::HitTest(int x, int y) const {
  for (std::size_t i = 0; i < hBars_.size(); ++i) {
    for (TExStatusBar* bar : {hBars_[i].get(), vBars_[i].get()}) {
      if (bar->IsShowing() && bar->GetBounds().Contains(x, y)) return {dpBar, bar, bar->HitTest(x, y)};
    }
  }
  const SRect& window = chart_.Bounds();
  if (!window.Contains(x, y)) return {};
  const SRect plot = chart_.PlotRect();
  if (plot.Contains(x, y)) return {dpPlot, nullptr, {}};
  if (y >= plot.top && y <= plot.bottom) return {x < plot.left ? dpLeftStrip : dpRightStrip, nullptr, {}};
  if (y > plot.bottom && x >= plot.left && x <= plot.right) return {dpBottomStrip, nullptr, {}};
  return {};
}

// ---------------------------------------------------------------------------------------
// Mouse routing

bool CDiagram::MouseDown(int x, int y, EMouseButton button) {
  markerTook_ = false;
  scrolling_ = nullptr;
  swatchPressed_ = false;
  const SDiagramHit hit = HitTest(x, y);
  if (button == mbLeft && hit.place != dpNone) {
    for (auto& t : traces_) {
      TQuorSpectrumSeries* spectrum = t->GetVisible() ? t->SpectrumSeries() : nullptr;
      if (spectrum != nullptr && spectrum->ScrollMouseDown(x, y)) {
        scrolling_ = spectrum;
        Activated();
        Updated();
        return true;
      }
    }
  }
  if (button != mbLeft) {
    if (hit.place != dpNone) Activated();
    return hit.place != dpNone;
  }
  if (hit.place == dpPlot && markers_ != nullptr && markers_->MouseDown(x, y)) {
    markerTook_ = true;
    return true;
  }
  if (hit.place == dpBar) return BarMouseDown(hit, x);
  if (hit.place == dpNone) return false;
  Activated();
  ZoomStart(x, y);
  return true;
}

bool CDiagram::MouseMove(int x, int y) {
  if (markerTook_) return markers_ != nullptr && markers_->MouseMove(x, y);
  if (ScrollingSeries() != nullptr) {
    if (scrolling_->ScrollMouseMove(y)) Updated();
    return true;
  }
  if (swatchPressed_) {
    if (bounds_.Contains(x, y)) return true;
    swatchPressed_ = false;
    if (onTraceDragOut) onTraceDragOut(this);
    return true;
  }
  if (!gesture_.active) {
    bool cursorMoved = false;
    const bool overPlot = HitTest(x, y).place == dpPlot;
    for (auto& t : traces_)
      if (TQuorSpectrumSeries* spectrum = t->SpectrumSeries()) cursorMoved |= spectrum->SetTimeCursor(overPlot ? y : -1);
    if (cursorMoved) Updated();
    for (std::size_t i = 0; i < hBars_.size(); ++i) {
      for (TExStatusBar* bar : {hBars_[i].get(), vBars_[i].get()})
        if (bar->IsShowing() && bar->MouseMove(x, y)) Updated();
    }
    return false;
  }
  if (!gesture_.barIndicator.empty()) {
    BarMouseMove(x);
  } else {
    ZoomUpdate(x, y);
  }
  return true;
}

void CDiagram::MouseLeave() {
  bool hidden = false;
  for (auto& t : traces_)
    if (TQuorSpectrumSeries* spectrum = t->SpectrumSeries()) hidden |= spectrum->SetTimeCursor(-1);
  if (hidden) Updated();
}

TQuorSpectrumSeries* CDiagram::ScrollingSeries() {
  // The trace may have gone while the button was down.
  if (scrolling_ != nullptr &&
      std::none_of(traces_.begin(), traces_.end(), [&](auto& t) { return t->SpectrumSeries() == scrolling_; }))
    scrolling_ = nullptr;
  return scrolling_;
}

bool CDiagram::MouseUp(int x, int y) {
  if (ScrollingSeries() != nullptr) {
    scrolling_->ScrollMouseUp();
    scrolling_ = nullptr;
    Updated();
    return true;
  }
  if (markerTook_) {
    markerTook_ = false;
    return markers_ != nullptr && markers_->MouseUp(x, y);
  }
  if (swatchPressed_) {
    swatchPressed_ = false;
    return true;
  }
  if (!gesture_.active) return false;
  if (!gesture_.barIndicator.empty()) {
    BarMouseUp();
  } else {
    if (x != gesture_.x2 || y != gesture_.y2) ZoomUpdate(x, y);
    ZoomFinish(x, y);
  }
  return true;
}

bool CDiagram::DoubleClick(int x, int y) {
  const SDiagramHit hit = HitTest(x, y);
  if (hit.place == dpBar) {
    if (!hit.item.Empty() && hit.item.name != L"trace") {
      if (MeasurementInterface* m = hit.bar->GetMeasurement(); m != nullptr && control_ != nullptr)
        control_->SendDiagramAction(m, L"focus", hit.item.name.c_str());
    } else if (hit.item.Empty()) {
      StretchWindow();
    }
    return true;
  }
  if (hit.place != dpPlot) return false;
  StretchWindow();
  return true;
}

bool CDiagram::ContextMenu(int x, int y) {
  const SDiagramHit hit = HitTest(x, y);
  if (hit.place == dpNone) return false;
  ShowDiagramMenu(x, y);
  return true;
}

void CDiagram::SnapShot(ICanvas& canvas, int width, int height) {
  const SRect shown = bounds_;
  IDiagramView* view = view_;
  view_ = nullptr;  // the window has nothing new to show
  SetBounds({0, 0, width, height});
  Draw(canvas);
  SetBounds(shown);
  view_ = view;
}

void CDiagram::CreateMetafile(ICanvas& canvas, int width, int height, int colourMode, bool withMarkers,
                              bool withBar, bool liftAxisBindings) {
  if (width <= 0 || height <= 0) return;
  IDiagramView* view = view_;
  view_ = nullptr;  // none of this is for the screen
  const SAxisControl left = left_, right = right_;
  const bool bar = barVisible_;
  const SColorTheme* theme = theme_;
  const TColor chartColours[] = {chart_.Color(), chart_.BackWallColor(), chart_.FrameColor(),
                                 chart_.LeftAxis().GridColor(), chart_.RightAxis().GridColor(),
                                 chart_.BottomAxis().GridColor()};
  std::vector<TColor> traceColours;
  if (liftAxisBindings) {
    BindAxis(-1);
    BindAxis(-2);
    UpdateAxesOnMultiSelect();
  }
  if (colourMode == 1) {
    // The black-and-white theme has no trace palette: each trace keeps its place among the
    // others as the grey of its colour.
    for (auto& t : traces_) {
      traceColours.push_back(t->GetColor());
      t->SetColor(ColorToGreyscale(t->GetColor()));
    }
    SetColorTheme(GetBWTheme());
    SetColorSet(*GetBWTheme());
  }
  if (!withBar && bar) {
    SetMeasurementBarVisibility(false);
    UpdateAxesOnMultiSelect();  // the stimulus axis labels itself without the bar
  }
  pictureMarkers_ = withMarkers;
  SnapShot(canvas, width, height);
  pictureMarkers_ = true;

  if (!withBar && bar) {
    SetMeasurementBarVisibility(true);
    UpdateAxesOnMultiSelect();
  }
  for (std::size_t i = 0; i < traceColours.size() && i < traces_.size(); ++i) traces_[i]->SetColor(traceColours[i]);
  if (colourMode == 1) SetColorTheme(theme);
  if (liftAxisBindings) {
    if (const int i = GetTraceIndex(left.trace); left.enabled && i >= 0) BindAxis(i);
    if (const int i = GetTraceIndex(right.trace); right.enabled && i >= 0) BindAxis(30 + i);
  }
  chart_.SetColor(chartColours[0]);
  chart_.SetBackWallColor(chartColours[1]);
  chart_.SetFrameColor(chartColours[2]);
  chart_.LeftAxis().SetGridColor(chartColours[3]);
  chart_.RightAxis().SetGridColor(chartColours[4]);
  chart_.BottomAxis().SetGridColor(chartColours[5]);
  view_ = view;
}

void CDiagram::StretchWindow() {
  if (onStretchRequest) onStretchRequest(this);
  Updated();
}

// ---------------------------------------------------------------------------------------
// Zoom gestures

SZoomEntry CDiagram::ZoomEntryOf(CTrace& trace, int mode) const {
  SZoomEntry e;
  e.trace = trace.Id();
  e.ref = trace.GetScaleRef();
  e.div = trace.GetScaleDiv();
  e.position = trace.GetRefPosition();
  e.top = e.ref + (10 - e.position) * e.div;
  e.bottom = e.ref - e.position * e.div;
  if (MeasurementInterface* m = trace.Measurement()) {
    e.start = m->GetDisplayStimStart();
    e.stop = m->GetDisplayStimStop();
    if (m->HasReversedSweep()) std::swap(e.start, e.stop);
  } else {
    e.start = trace.GetStimulusStart();
    e.stop = trace.GetStimulusStop();
  }
  e.mode = mode;
  e.plane = trace.GetPolarScale();
  return e;
}

void CDiagram::SetPlaneRegion(EPlot plot, const SDoubleRect& region) {
  for (auto& t : traces_)
    if (t->GetPlot() == plot) t->SetPolarScale(region);
}

bool CDiagram::PlaneZoom(CTrace& trace, int mode, const SRect& band, const SRect& plot, SDoubleRect& region) {
  auto* circle = dynamic_cast<TQuorCircleSeries*>(trace.Series());
  if (circle == nullptr || plot.Height() <= 0) return false;
  circle->CalcCircleRect();
  if (circle->CircleRect().radiusY <= 0) return false;
  region.top = circle->CalcImCoord(band.top);
  region.bottom = circle->CalcImCoord(band.bottom);
  if (mode == 1) {
    region.left = circle->CalcReCoord(band.left);
    region.right = circle->CalcReCoord(band.right);
  } else {
    // A band across the plot: the plane is drawn at one scale on both axes, so the region
    // takes the plot's proportions, around the real part the chart showed in its middle.
    const SDoubleRect& shown = circle->GetDisplayRect();
    const double middle = 0.5 * (shown.left + shown.right);
    const double half = 0.5 * (region.top - region.bottom) * plot.Width() / plot.Height();
    region.left = middle - half;
    region.right = middle + half;
  }
  const double pixel = 1.0 / circle->CircleRect().radiusY;
  const int digits = static_cast<int>(std::floor(std::log10(4 * pixel)));
  for (double* v : {&region.left, &region.top, &region.right, &region.bottom}) *v = round_to(*v, digits);
  return std::isfinite(region.left) && std::isfinite(region.right) && region.top > region.bottom &&
         region.right > region.left;
}

std::vector<CMeasurement*> CDiagram::ChannelMeasurements(const std::wstring& channel, bool activeOnly) const {
  std::vector<CMeasurement*> found;
  for (unsigned k = 0; k < GetMeasurementCount(); ++k) {
    CMeasurement* m = GetMeasurement(k);
    if (m->GetParameter(L"channel") != channel) continue;
    if (activeOnly && !m->GetActive() &&
        std::find(activeMeasurements_.begin(), activeMeasurements_.end(), m) == activeMeasurements_.end())
      continue;
    found.push_back(m);
  }
  return found;
}

void CDiagram::ApplyStimulus(const std::wstring& channel, double start, double stop, bool tellHost) {
  const std::vector<CMeasurement*> measurements = ChannelMeasurements(channel, true);
  for (CMeasurement* m : measurements) {
    const double multiplier = m->GetStimulusMultiplier();
    m->SetStimulusRange(start / multiplier, stop / multiplier, false);
  }
  for (auto& t : traces_) {
    if (!t->GetOwnHorizAxis() && t->Measurement() != nullptr && Channel(*t) == channel) t->UpdateDisplayParameters();
  }
  if (tellHost && control_ != nullptr && !measurements.empty()) {
    CMeasurement* m = measurements.front();
    const double multiplier = m->GetStimulusMultiplier();
    control_->SendDiagramParameter(m, L"freq", start / multiplier, stop / multiplier);
  }
}

void CDiagram::ZoomStart(double x, double y) {
  if (SelectedTrace(0) == nullptr || !chart_.Bounds().Contains(x, y)) return;
  const long long now = NowMs();
  if (now - lastStartMs_ < doubleClickMs_) return;
  lastStartMs_ = now;
  gesture_ = {};
  const SDiagramHit hit = HitTest(static_cast<int>(x), static_cast<int>(y));
  const auto visible = [this](auto pred) {
    return std::any_of(traces_.begin(), traces_.end(), [&](auto& t) { return t->GetVisible() && pred(*t); });
  };
  if (hit.place == dpLeftStrip) {
    const bool fixed = left_.enabled ? left_.trace != nullptr && left_.trace->IsFixedRef()
                                     : visible([](CTrace& t) { return t.IsFixedRef(); });
    gesture_.leftDrag = !fixed;
    if (!gesture_.leftDrag) return;
  } else if (hit.place == dpRightStrip) {
    gesture_.rightDrag = right_.enabled && right_.trace != nullptr && !right_.trace->IsFixedRef();
    if (!gesture_.rightDrag) return;
  } else if (hit.place == dpBottomStrip) {
    const bool refused = visible([](CTrace& t) {
      MeasurementInterface* m = t.Measurement();
      return (t.Count() >= 2 && t.GetOwnHorizAxis()) ||
             (m != nullptr && (m->StimulusHidden() || m->GetParameter(L"sweeponlist") == L"1"));
    });
    if (refused) return;
    gesture_.bottomDrag = true;
  } else if (hit.place != dpPlot) {
    return;
  }
  for (auto& t : traces_) {
    if (!t->GetVisible() || t->Count() == 0 || t->GetOwnHorizAxis() || t->Measurement() == nullptr) continue;
    const std::wstring channel = Channel(*t);
    if (std::find(gesture_.channels.begin(), gesture_.channels.end(), channel) == gesture_.channels.end())
      gesture_.channels.push_back(channel);
  }
  for (auto& t : traces_) {
    if (t->GetVisible() && t->Count() >= 2) gesture_.before.push_back(ZoomEntryOf(*t, 0));
  }
  gesture_.active = true;
  gesture_.x1 = gesture_.x2 = gesture_.prevX = static_cast<int>(x);
  gesture_.y1 = gesture_.y2 = gesture_.prevY = static_cast<int>(y);
  if (gesture_.bottomDrag) gesture_.mode = 5;
  if (gesture_.leftDrag || gesture_.rightDrag) gesture_.mode = 6;
}

void CDiagram::ShiftReference(int y) {
  std::vector<CTrace*> affected;
  if (gesture_.rightDrag) {
    if (auto* t = dynamic_cast<CTrace*>(right_.trace)) affected.push_back(t);
  } else if (left_.enabled) {
    if (auto* t = dynamic_cast<CTrace*>(left_.trace)) affected.push_back(t);
  } else {
    for (auto& t : traces_) {
      if (t->GetVisible() && t->Count() > 0 && !t->GetOwnHorizAxis() && t->GetBindedAxis() == baNone)
        affected.push_back(t.get());
    }
  }
  for (CTrace* t : affected) {
    if (!Cartesian(*t)) continue;
    const double delta = t->CalcValueYPos(y) - t->CalcValueYPos(gesture_.prevY);
    if (std::isfinite(delta) && delta != 0) t->SetScaleRef(t->GetScaleRef() - delta);
  }
}

void CDiagram::ShiftStimulus(int x) {
  std::vector<std::wstring> done;
  for (auto& t : traces_) {
    MeasurementInterface* m = t->Measurement();
    if (m == nullptr || !t->GetVisible() || t->GetOwnHorizAxis()) continue;
    const std::wstring channel = Channel(*t);
    if (std::find(gesture_.channels.begin(), gesture_.channels.end(), channel) == gesture_.channels.end() ||
        std::find(done.begin(), done.end(), channel) != done.end())
      continue;
    done.push_back(channel);  // the first trace of the channel decides
    double delta = t->CalcValueXPos(x) - t->CalcValueXPos(gesture_.prevX);
    if (!std::isfinite(delta) || delta == 0) continue;
    const double shown0 = m->GetDisplayStimStart(), shown1 = m->GetDisplayStimStop();
    double start = shown0 - delta;
    if (start < m->GetStimulusMin()) {
      start = m->GetStimulusMin();
      delta = shown0 - start;
    }
    double stop = shown1 - delta;
    if (stop > m->GetStimulusMax()) {
      stop = m->GetStimulusMax();
      delta = shown1 - stop;
      start = shown0 - delta;
    }
    if (delta == 0) continue;
    if (m->HasReversedSweep()) std::swap(start, stop);
    ApplyStimulus(channel, start, stop, false);
  }
}

void CDiagram::ZoomUpdate(double xd, double yd) {
  if (!gesture_.active) return;
  int x = static_cast<int>(xd), y = static_cast<int>(yd);
  if (gesture_.mode == 6) {
    gesture_.shift += y - gesture_.prevY;
    ShiftReference(y);
    gesture_.prevY = y;
  } else if (gesture_.mode == 5) {
    gesture_.shift += x - gesture_.prevX;
    ShiftStimulus(x);
    gesture_.prevX = x;
  } else if (std::abs(x - gesture_.x1) <= kZoomThreshold && std::abs(y - gesture_.y1) <= kZoomThreshold) {
    gesture_.mode = 0;  // back within the threshold: no zoom
  } else {
    const SRect plot = chart_.PlotRect();  // CorrectZoom: the band stays on the plot
    x = std::clamp(x, plot.left, plot.right);
    y = std::clamp(y, plot.top, plot.bottom);
    const int dx = x - gesture_.x1, dy = y - gesture_.y1;
    const bool scalable = std::none_of(traces_.begin(), traces_.end(),
                                       [](auto& t) { return t->GetVisible() && t->IsFixedRef(); });
    if (scalable && dx >= 0 && dy >= 0) gesture_.mode = 1;
    else if (scalable && dx < 0 && dy >= 0) gesture_.mode = 2;
    else if (dx >= 0 && dy < 0) gesture_.mode = 3;
    else if (dx < 0 && dy < 0) gesture_.mode = 4;
    else gesture_.mode = 0;
  }
  gesture_.x2 = x;
  gesture_.y2 = y;
  Updated();
}

void CDiagram::ZoomFinish(double, double) {
  if (!gesture_.active) return;
  const int mode = gesture_.mode;
  const SZoomGesture g = gesture_;
  gesture_ = {};
  if (mode == 4) {
    UnZoom();
  } else if (mode == 5) {
    SZoomStep step{5, g.before};
    for (SZoomEntry& e : step.entries) e.mode = 5;
    if (!step.entries.empty()) zoomSteps_.push_back(std::move(step));
    for (const std::wstring& channel : g.channels) {
      const std::vector<CMeasurement*> ms = ChannelMeasurements(channel, true);
      if (ms.empty() || control_ == nullptr) continue;
      const double multiplier = ms.front()->GetStimulusMultiplier();
      double start = ms.front()->GetDisplayStimStart(), stop = ms.front()->GetDisplayStimStop();
      if (ms.front()->HasReversedSweep()) std::swap(start, stop);
      control_->SendDiagramParameter(ms.front(), L"freq", start / multiplier, stop / multiplier);
    }
  } else if (mode >= 1 && mode <= 3) {
    const int top = std::min(g.y1, g.y2), bottom = std::max(g.y1, g.y2);
    const int left = std::min(g.x1, g.x2), right = std::max(g.x1, g.x2);
    SZoomStep step{mode, g.before};
    for (SZoomEntry& e : step.entries) {
      e.mode = mode;
      for (auto& t : traces_) {
        if (t->Id() != e.trace || !t->Kind().circle) continue;
        // A zoom changes only the region a Smith or polar trace shows, never its stimulus.
        e.mode = mode == 3 ? -1 : 2;
        e.top = t->CalcPolarYPos(top);
        e.bottom = t->CalcPolarYPos(bottom);
      }
    }
    std::erase_if(step.entries, [](const SZoomEntry& e) { return e.mode < 0; });
    // The stimulus: from the first trace of each channel, taken before any scale changes. A
    // column of a Smith or polar chart is a real part, no stimulus.
    std::vector<std::pair<std::wstring, std::pair<double, double>>> ranges;
    if (mode == 1 || mode == 3) {
      for (auto& t : traces_) {
        if (!t->GetVisible() || t->Count() < 2 || t->GetOwnHorizAxis() || t->Measurement() == nullptr ||
            t->Kind().circle)
          continue;
        const std::wstring channel = Channel(*t);
        if (std::any_of(ranges.begin(), ranges.end(), [&](auto& r) { return r.first == channel; })) continue;
        ranges.push_back({channel, {t->CalcValueXPos(left), t->CalcValueXPos(right)}});
      }
    }
    if (mode == 1 || mode == 2) {
      // Smith and polar traces: the region under the band, found once for each kind (its
      // traces share it) and shown once all are known; the scale carries its upper and
      // lower value.
      std::vector<std::pair<EPlot, SDoubleRect>> regions;
      const SRect plot = chart_.PlotRect();
      const SRect band{left, top, right, bottom};
      for (auto& t : traces_) {
        if (!t->GetVisible() || t->Count() < 2 || !t->Kind().circle) continue;
        auto known = std::find_if(regions.begin(), regions.end(), [&](auto& r) { return r.first == t->GetPlot(); });
        if (known == regions.end()) {
          SDoubleRect region;
          if (!PlaneZoom(*t, mode, band, plot, region)) continue;
          known = regions.insert(regions.end(), {t->GetPlot(), region});
        }
        const double div = 0.1 * (known->second.top - known->second.bottom);
        t->SetScale(known->second.top - div * (10 - t->GetRefPosition()), div);
      }
      for (const auto& [kind, region] : regions) SetPlaneRegion(kind, region);
      for (auto& t : traces_) {
        if (!t->GetVisible() || t->Count() < 2 || !Cartesian(*t)) continue;
        double hi = t->CalcValueYPos(top), lo = t->CalcValueYPos(bottom);
        const CChartAxis* axis = t->Series()->VertAxis();
        const double pixel = plot.Height() > 0 ? (axis->Maximum() - axis->Minimum()) / plot.Height() : 0;
        if (pixel > 0) {
          const int digits = static_cast<int>(std::floor(std::log10(4 * pixel)));
          hi = round_to(hi, digits);
          lo = round_to(lo, digits);
        }
        if (!std::isfinite(hi) || !std::isfinite(lo) || hi == lo) continue;
        if (t->IsFixedRef() && !SetTraceRefLevel(t.get(), hi)) continue;
        const double div = 0.1 * std::fabs(hi - lo);
        t->SetScale(std::max(hi, lo) - div * (10 - t->GetRefPosition()), div);
      }
    }
    for (const auto& [channel, range] : ranges) {
      if (std::isfinite(range.first) && std::isfinite(range.second) && range.first != range.second)
        ApplyStimulus(channel, range.first, range.second, true);
    }
    if (!step.entries.empty()) zoomSteps_.push_back(std::move(step));
  }
  Updated();
}

void CDiagram::UnZoom() {
  if (zoomSteps_.empty()) return;
  const SZoomStep step = std::move(zoomSteps_.back());
  zoomSteps_.pop_back();
  std::vector<std::wstring> done;
  for (const SZoomEntry& e : step.entries) {
    CTrace* trace = nullptr;
    for (auto& t : traces_)
      if (t->Id() == e.trace) trace = t.get();
    if (trace == nullptr) continue;
    if (e.mode != 3 && !trace->IsFixedRef() && Cartesian(*trace)) trace->SetScale(e.ref, e.div);
    // (no region when the trace was drawn otherwise at the time of the zoom)
    if (e.mode != 3 && trace->Kind().circle && e.plane.right > e.plane.left) SetPlaneRegion(trace->GetPlot(), e.plane);
    if (e.mode == 2 || trace->Measurement() == nullptr || trace->GetOwnHorizAxis()) continue;
    const std::wstring channel = Channel(*trace);
    if (std::find(done.begin(), done.end(), channel) != done.end()) continue;
    done.push_back(channel);
    ApplyStimulus(channel, e.start, e.stop, true);
  }
  Updated();
}

void CDiagram::AddZoomStep(double start, double stop) {
  std::vector<std::wstring> channels;
  SZoomStep step{3, {}};
  for (auto& t : traces_) {
    if (!t->GetVisible() || t->Measurement() == nullptr || t->GetOwnHorizAxis()) continue;
    if (t->Count() >= 2) step.entries.push_back(ZoomEntryOf(*t, 3));
    const std::wstring channel = Channel(*t);
    if (std::find(channels.begin(), channels.end(), channel) == channels.end()) channels.push_back(channel);
  }
  for (const std::wstring& channel : channels) ApplyStimulus(channel, start, stop, false);
  if (!step.entries.empty()) zoomSteps_.push_back(std::move(step));
}

void CDiagram::DrawZoomBounds(ICanvas& canvas) {
  if (!gesture_.active || gesture_.mode == 0) return;
  const SRect plot = chart_.PlotRect();
  const bool bright = theme_ == nullptr || theme_->IsBright();
  const TColor pen = bright ? RGBColor(0, 0, 128) : RGBColor(255, 255, 160);
  int x1 = std::min(gesture_.x1, gesture_.x2), x2 = std::max(gesture_.x1, gesture_.x2);
  int y1 = std::min(gesture_.y1, gesture_.y2), y2 = std::max(gesture_.y1, gesture_.y2);
  if (gesture_.barIndicator == L"freq,start") x1 = plot.left;
  if (gesture_.barIndicator == L"freq,stop") x2 = plot.right;
  switch (gesture_.mode) {
    case 2:
    case 6:
      x1 = plot.left;
      x2 = plot.right;
      break;
    case 3:
    case 5:
      y1 = plot.top;
      y2 = plot.bottom;
      break;
    default:
      break;
  }
  canvas.SetClipRect(chart_.Bounds());
  if (gesture_.mode != 4) {
    canvas.SetPen({pen, 1, psDot});
    canvas.SetBrush({clNone, bsClear});
    canvas.Rectangle({x1, y1, x2, y2});
  }
  SFont font = chart_.Font();
  font.color = gesture_.mode == 4 && zoomSteps_.empty() ? RGBColor(128, 128, 128) : pen;
  canvas.SetFont(font);
  canvas.TextOut(gesture_.x2 + 4, gesture_.y2 + 4, ZoomCaption(gesture_.mode));
}

// ---------------------------------------------------------------------------------------
// Bars

bool CDiagram::BarMouseDown(const SDiagramHit& hit, int x) {
  Activated();
  if (hit.item.name == L"trace") {
    if (hit.item.index >= 0 && static_cast<unsigned>(hit.item.index) < traces_.size()) {
      SelectTrace(static_cast<unsigned>(hit.item.index));
      swatchPressed_ = true;
    }
    return true;
  }
  if (hit.item.name != L"freq,start" && hit.item.name != L"freq,center" && hit.item.name != L"freq,stop") return true;
  const std::vector<CMeasurement*> ms = ChannelMeasurements(hit.bar->GetChannel(), false);
  if (ms.empty()) return true;
  CMeasurement* m = ms.front();
  if (m->GetStimulusQuantity() == L"dBm" || m->StimulusHidden() || m->GetParameter(L"sweeponlist") == L"1") return true;
  gesture_ = {};
  gesture_.active = true;
  gesture_.mode = 5;
  gesture_.barIndicator = hit.item.name;
  gesture_.bar = hit.bar;
  gesture_.channels = {hit.bar->GetChannel()};
  const SRect plot = chart_.PlotRect();
  gesture_.x1 = gesture_.x2 = gesture_.prevX = x;
  gesture_.y1 = plot.top;
  gesture_.y2 = plot.bottom;
  return true;
}

void CDiagram::BarMouseMove(int x) {
  auto* t = dynamic_cast<CTrace*>(SelectedTrace(0));
  const std::vector<CMeasurement*> ms = ChannelMeasurements(gesture_.bar->GetChannel(), false);
  if (t == nullptr || ms.empty() || std::abs(x - gesture_.prevX) < 1) return;
  const double delta = t->CalcValueXPos(x) - t->CalcValueXPos(gesture_.prevX);
  gesture_.shift += x - gesture_.prevX;
  gesture_.prevX = gesture_.x2 = x;
  if (!std::isfinite(delta)) return;
  CMeasurement* m = ms.front();
  double start = m->GetDisplayStimStart(), stop = m->GetDisplayStimStop();
  if (gesture_.barIndicator != L"freq,stop") start = std::max(start + delta, m->GetStimulusMin());
  if (gesture_.barIndicator != L"freq,start") stop = std::min(stop + delta, m->GetStimulusMax());
  if (!(start < stop)) return;
  if (m->HasReversedSweep()) std::swap(start, stop);
  for (CMeasurement* each : ms) {
    const double multiplier = each->GetStimulusMultiplier();
    each->SetStimulusRange(start / multiplier, stop / multiplier, false);
  }
  for (auto& trace : traces_) {
    if (!trace->GetOwnHorizAxis() && trace->Measurement() != nullptr && Channel(*trace) == gesture_.bar->GetChannel())
      trace->UpdateDisplayParameters();
  }
  Updated();
}

void CDiagram::BarMouseUp() {
  const SZoomGesture g = gesture_;
  gesture_ = {};
  const std::vector<CMeasurement*> ms = ChannelMeasurements(g.bar->GetChannel(), false);
  if (!ms.empty() && control_ != nullptr && g.shift != 0) {
    CMeasurement* m = ms.front();
    const double multiplier = m->GetStimulusMultiplier();
    double start = m->GetDisplayStimStart(), stop = m->GetDisplayStimStop();
    if (m->HasReversedSweep()) std::swap(start, stop);
    control_->SendDiagramParameter(m, g.barIndicator.c_str(), start / multiplier, stop / multiplier);
  }
  Updated();
}

// ---------------------------------------------------------------------------------------
// Keys, menus at the mouse and shortcuts

bool CDiagram::KeyDown(int key, bool ctrl, bool shift, bool alt) {
  if (ctrl && !alt) {
    switch (key) {
      case 'N': CreateDataTrace(); return true;
      case 'M': CreateMathTrace(); return true;
      case 'A':
        SelectAllTraces();
        UpdateSelectedTracesList();
        return true;
      case 'Z': UnZoom(); return true;
      case vkMultiply: AutoScaleAllTraces(); return true;
      default: break;
    }
    if (selected_.size() == 1 && (key == vkUp || key == vkDown)) {
      const int from = GetTraceIndex(selected_[0]);
      const int to = key == vkUp ? from - 1 : from + 1;
      if (from >= 0 && to >= 0 && to < static_cast<int>(traces_.size())) DropRow(from, to);
      return true;
    }
    // Home and End move the selected trace to the first or last row; Page Up to the top row
    // shown, or a page further up when it is there already, Page Down likewise downwards
    // (the list view only: the touch list has no pages).
    const bool paged = (key == vkPrior || key == vkNext) && !touchMode_;
    if (selected_.size() == 1 && (key == vkHome || key == vkEnd || paged)) {
      const int from = GetTraceIndex(selected_[0]);
      const int last = static_cast<int>(traces_.size()) - 1;
      const int top = list_->TopItem(), page = std::max(1, list_->VisibleRowCount());
      const int bottom = std::min(top + page - 1, last);
      int to = key == vkHome ? 0 : last;
      if (key == vkPrior) to = from > top ? top : from - page;
      if (key == vkNext) to = from < bottom ? bottom : from + page;
      to = std::clamp(to, 0, std::max(last, 0));
      if (from >= 0 && to != from && MoveTraceTo(static_cast<unsigned>(from), static_cast<unsigned>(to)) == 0)
        SelectTrace(static_cast<unsigned>(to));
      return true;
    }
  }
  if (key == vkF9 && !ctrl && !alt) {
    SetMeasurementBarVisibility(!barVisible_);
    return true;
  }
  if (key == vkF11 && !ctrl && !alt) {
    StretchWindow();
    return true;
  }
  return markers_ != nullptr && markers_->KeyDown(key, ctrl, shift, alt);
}

void CDiagram::ShowDiagramMenu(int x, int y) {
  popup_.Items().Clear();
  PrepareMenu(&popup_);
  if (view_ != nullptr) view_->ShowMenu(popup_, x, y);
}

void CDiagram::ShowTraceMenu(int x, int y, int index) {
  if (index >= 0 && static_cast<unsigned>(index) < traces_.size() && !TraceIsSelected(traces_[static_cast<std::size_t>(index)].get()))
    SelectTrace(static_cast<unsigned>(index));
  popup_.Items().Clear();
  PrepareTraceMenu(&popup_);
  if (view_ != nullptr) view_->ShowMenu(popup_, x, y);
}

void CDiagram::PrepareAreaViewMenu(CPopupMenu* menu) {
  if (menu == nullptr) return;
  PrepareViewMenu(menu, &menu->Items());
  AddMenuSeparator(menu);
  AddCommand(menu, "&Отменить масштабирование", [this] { UnZoom(); }, L"Ctrl+Z")->SetEnabled(!zoomSteps_.empty());
  AddMenuSeparator(menu);
  AddCommand(menu, "Сохранить &рисунок...", [this] {
    if (onSavePicture) onSavePicture(this);
  })->SetEnabled(static_cast<bool>(onSavePicture));
  AddCommand(menu, "&Копировать рисунок", [this] {
    if (onCopyPicture) onCopyPicture(this);
  }, L"Ctrl+Shift+C")->SetEnabled(static_cast<bool>(onCopyPicture));
  AddCommand(menu, "Рисунок в &чёрно-белом цвете", [this] {
    pictureOptions_.colourMode = pictureOptions_.colourMode == 1 ? 0 : 1;
  })->SetChecked(pictureOptions_.colourMode == 1);
  AddCommand(menu, "Рисунок без привязки осей к &трассам", [this] {
    pictureOptions_.liftAxisBindings = !pictureOptions_.liftAxisBindings;
  })->SetChecked(pictureOptions_.liftAxisBindings);
}

void CDiagram::BuildMenus(CPopupMenu& menu) {
  menu.Items().Clear();
  PrepareMenu(&menu);
  if (markers_ != nullptr) markers_->PrepareMenu(&menu);
  PrepareTraceMenu(&menu);
  PrepareAreaViewMenu(&menu);
}

namespace {

CMenuItem* FindShortCut(const CMenuItem& item, const std::wstring& keys) {
  for (int i = 0; i < item.Count(); ++i) {
    CMenuItem* sub = item.Item(i);
    if (sub->GetVisible() && sub->GetShortCut() == keys && sub->Count() == 0) return sub;
    if (CMenuItem* found = FindShortCut(*sub, keys)) return found;
  }
  return nullptr;
}

void CollectShortCuts(const CMenuItem& item, std::vector<std::wstring>& keys) {
  for (int i = 0; i < item.Count(); ++i) {
    const CMenuItem* sub = item.Item(i);
    if (!sub->GetShortCut().empty() && std::find(keys.begin(), keys.end(), sub->GetShortCut()) == keys.end())
      keys.push_back(sub->GetShortCut());
    CollectShortCuts(*sub, keys);
  }
}

}  // namespace

bool CDiagram::ExecuteShortCut(const std::wstring& keys) {
  CPopupMenu menus;  // its own: a command may build menus again while it runs
  BuildMenus(menus);
  CMenuItem* item = FindShortCut(menus.Items(), keys);
  return item != nullptr && item->Click();
}

std::vector<std::wstring> CDiagram::ShortCuts() {
  CPopupMenu menus;
  BuildMenus(menus);
  std::vector<std::wstring> keys;
  CollectShortCuts(menus.Items(), keys);
  return keys;
}

// ---------------------------------------------------------------------------------------
// Drag and drop between diagrams

bool CDiagram::DropRow(int from, int to) {
  if (from == to || from < 0 || to < 0) return false;
  if (SwapTraces(static_cast<unsigned>(from), static_cast<unsigned>(to)) != 0) return false;
  SelectTrace(static_cast<unsigned>(to));
  return true;
}

unsigned CDiagram::DropTraces(CDiagram* source) {
  if (source == nullptr || source == this) return 0;
  if (traces_.size() >= kMaxTraces) {
    Refuse(drTooManyTraces, "Ошибка перемещения трасс(-ы)");
    return 0;
  }
  std::vector<CTrace*> moving;
  for (TraceInterface* t : source->selected_) {
    auto* trace = dynamic_cast<CTrace*>(t);
    if (trace == nullptr || trace->GetLocked() || trace->IsSpectrum()) continue;
    moving.push_back(trace);
  }
  deserializing_ = true;
  list_->ClearSelection();
  std::vector<CTrace*> moved;
  for (CTrace* trace : moving) {
    if (traces_.size() >= kMaxTraces) break;
    source->ClearTraceUndo(trace);
    if (source->MoveTrace(trace, this)) moved.push_back(trace);
  }
  selecting_ = true;
  for (CTrace* trace : moved) {
    const int row = GetTraceIndex(trace);
    if (row >= 0) list_->SelectItem(row, true);
  }
  selecting_ = false;
  deserializing_ = false;
  UpdateSelectedTracesList();
  UpdateAxesOnMultiSelect();
  SetActiveMeasurements();
  if (onTraceReselected) onTraceReselected(this);
  if (source->GetTraceCount() > 0) source->SelectTrace(0);
  else source->UpdateSelectedTracesList();
  Activated();
  Updated();
  source->Updated();
  return static_cast<unsigned>(moved.size());
}

// ---------------------------------------------------------------------------------------
// Hints of an empty diagram

void CDiagram::DrawHints(ICanvas& canvas) {
  const char* title = nullptr;
  const char* const* lines = nullptr;
  std::size_t count = 0;
  if (traces_.empty()) {
    title = TrNoop("НЕТ ТРАСС");
    lines = kNoTraces;
    count = std::size(kNoTraces);
  } else if (selected_.empty()) {
    title = TrNoop("ТРАССЫ НЕ ВЫДЕЛЕНЫ");
    lines = kNoneSelected;
    count = std::size(kNoneSelected);
  } else {
    return;
  }
  const SRect plot = chart_.PlotRect();
  SFont font = chart_.Font();
  font.color = theme_ != nullptr && !theme_->IsBright() ? RGBColor(200, 200, 200) : RGBColor(96, 96, 96);
  font.bold = true;
  font.size += 4;
  canvas.SetFont(font);
  const std::wstring head = Tr(title);
  SSize extent = canvas.TextExtent(head);
  int y = (plot.top + plot.bottom) / 2 - extent.cy * static_cast<int>(count + 1) / 2;
  canvas.TextOut((plot.left + plot.right - extent.cx) / 2.0, y, head);
  y += extent.cy + 4;
  font.bold = false;
  font.size -= 4;
  canvas.SetFont(font);
  for (std::size_t i = 0; i < count; ++i) {
    const std::wstring line = Tr(lines[i]);
    extent = canvas.TextExtent(line);
    canvas.TextOut((plot.left + plot.right - extent.cx) / 2.0, y, line);
    y += extent.cy;
  }
}
