// What a person sees of a marker and does with it: the triangle on the trace, the read-out
// frame, the menu and the keys.
#include <algorithm>
#include <cmath>

#include "chart/SeriesData.h"
#include "common/Text.h"
#include "common/UserInteraction.h"
#include "core/DiagMetrics.h"
#include "core/MenuModel.h"
#include "interfaces/DiagramInterface.h"
#include "markers/MarkParams.h"
#include "markers/Marker.h"
#include "markers/MarkersManager.h"
#include "markers/RelationMarker.h"
#include "series/SpectrumSeries.h"
#include "traces/PlotKinds.h"
#include "traces/Trace.h"

namespace {

constexpr int kHalf = 6;     // half width of the triangle
constexpr int kHeight = 12;  // height of the triangle above its tip

CMenuItem* AddItem(CMenuComponent* menu, const std::wstring& caption, std::function<void()> handler,
                   bool checked = false, bool check = false) {
  auto item = std::make_unique<CMenuItem>(caption, std::move(handler));
  if (check) item->SetChecked(checked);
  return AddMenuItem(menu, std::move(item));
}

const TQuorSpectrumSeries* SpectrumOf(TraceInterface* trace) {
  const auto* t = dynamic_cast<const CTrace*>(trace);
  return t != nullptr ? t->SpectrumSeries() : nullptr;
}

}  // namespace

// ---- drawing ------------------------------------------------------------------------------

bool CMarker::TipPoint(SPointF& tip) const {
  TraceInterface* trace = SrcTrace(false);
  if (trace == nullptr || std::isnan(x_) || !IsShowing() || trace->Count() == 0 || !trace->GetVisible()) return false;
  const SPlotKind& kind = PlotKind(trace->GetPlot());
  if (const TQuorSpectrumSeries* spectrum = SpectrumOf(trace)) {
    // On the newest sweep, wherever the view draws it.
    return spectrum->NewestSweepPoint(x_, trace->ResponseByX(vtResponse, x_), tip);
  }
  if (kind.circle) {
    const CSeriesData& data = trace->DisplayData();
    const SLocation at = LocateValue(data.Count(), data.X(), x_);
    const SPointF a = trace->CalcPosValue(static_cast<unsigned>(at.lo));
    const SPointF b = trace->CalcPosValue(static_cast<unsigned>(at.hi));
    tip = {a.x * at.weight + b.x * (1 - at.weight), a.y * at.weight + b.y * (1 - at.weight)};
  } else {
    if (!kind.frame) return false;
    const double value = trace->ResponseByX(vtResponse, x_);
    if (std::isnan(value)) return false;
    tip = {trace->CalcPosValue(vtStimulus, x_), trace->CalcPosValue(vtResponse, value)};
  }
  return std::isfinite(tip.x) && std::isfinite(tip.y);
}

void CMarker::PaintTriangle(ICanvas& canvas, TColor color) const {
  SPointF tip;
  if (!TipPoint(tip)) return;
  const bool active = manager_ != nullptr && manager_->GetActiveMarker() == this;
  canvas.SetPen({color, selected_ ? 2 : 1, psSolid});
  if (activated_) {
    // Filled: one line per pixel row from the base down to the tip.
    for (int row = 0; row <= kHeight; ++row) {
      const double half = kHalf * (kHeight - row) / static_cast<double>(kHeight);
      const double y = tip.y - row;
      canvas.Line(tip.x - half, y, tip.x + half, y);
    }
  }
  const SPointF outline[] = {{tip.x, tip.y}, {tip.x - kHalf, tip.y - kHeight}, {tip.x + kHalf, tip.y - kHeight}, {tip.x, tip.y}};
  canvas.Polyline(outline, 4);
  SFont font;
  font.bold = active;
  font.color = color;
  canvas.SetFont(font);
  const SSize extent = canvas.TextExtent(name_);
  canvas.TextOut(tip.x - extent.cx / 2.0, tip.y - kHeight - extent.cy - 1, name_);
}

SRect CMarker::PaintFrame(ICanvas& canvas, const SRect& plot, int top, bool large, const std::vector<SRect>& taken) const {
  frameRect_ = {};
  if (readOut_.empty() || !IsShowing()) return frameRect_;
  SFont font;
  font.size = GetMetrics(large ? MRK_FONT_SIZE_LARGE : MRK_FONT_SIZE_NORMAL);
  canvas.SetFont(font);
  int width = 0, lineHeight = 0;
  for (const std::wstring& line : readOut_) {
    const SSize s = canvas.TextExtent(line);
    width = std::max(width, s.cx);
    lineHeight = std::max(lineHeight, s.cy);
  }
  const int height = static_cast<int>(readOut_.size()) * (lineHeight + 1) + 4;
  SPointF tip;
  int left = plot.right - width - 10;
  if (TipPoint(tip)) {
    left = static_cast<int>(tip.x) + kHalf + 4;
    if (left + width + 6 > plot.right) left = static_cast<int>(tip.x) - kHalf - 4 - width - 6;
  }
  left = std::clamp(left, plot.left + 1, std::max(plot.left + 1, plot.right - width - 7));
  const int lowest = std::max(plot.top + 1, plot.bottom - height - 1);
  top = std::clamp(top, plot.top + 1, lowest);
  for (bool moved = true; moved;) {
    moved = false;
    for (const SRect& other : taken) {
      const bool covers = left < other.right && left + width + 6 > other.left && top < other.bottom && top + height > other.top;
      if (covers && other.bottom + 2 <= lowest) {
        top = other.bottom + 2;
        moved = true;
      }
    }
  }
  frameRect_ = {left, top, left + width + 6, top + height};
  TraceInterface* trace = SrcTrace(false);
  const TColor color = trace != nullptr ? trace->GetColor() : clBlack;
  canvas.SetPen({color, selected_ ? 2 : 1, psSolid});
  canvas.SetBrush({clWhite, bsSolid});
  canvas.Rectangle(frameRect_);
  for (std::size_t i = 0; i < readOut_.size(); ++i) {
    font.bold = i == 0;
    font.color = i == 0 ? color : clBlack;
    canvas.SetFont(font);
    canvas.TextOut(left + 3, top + 2 + static_cast<int>(i) * (lineHeight + 1), readOut_[i]);
  }
  return frameRect_;
}

bool CMarker::HitTriangle(double x, double y) const {
  SPointF tip;
  if (!TipPoint(tip)) return false;
  return x >= tip.x - kHalf - 2 && x <= tip.x + kHalf + 2 && y >= tip.y - kHeight - 14 && y <= tip.y + 2;
}

double CMarker::StimulusAtPixel(int px) const {
  TraceInterface* trace = SrcTrace(false);
  if (const TQuorSpectrumSeries* spectrum = SpectrumOf(trace)) return spectrum->StimulusAtPixel(px);
  if (trace == nullptr || !PlotKind(trace->GetPlot()).frame || PlotKind(trace->GetPlot()).circle) return kNoValue;
  return trace->CalcValueXPos(px);
}

// ---- menu and keys ------------------------------------------------------------------------

bool CMarker::CopyValue(int line) {
  std::wstring text;
  if (line < 0) {
    for (const std::wstring& l : readOut_) text += (text.empty() ? L"" : L"\n") + l;
  } else {
    text = GetTraceValueString(line);
  }
  if (UserInteraction().CopyToClipboard(text)) return true;
  QuorMessageBox(nullptr, Tr("Ошибка копирования в буфер обмена"), Tr("Ошибка"), MB_OK | MB_ICONERROR);
  return false;
}

void CMarker::PrepareMenu(CMenuComponent* menu) {
  AddItem(menu, Tr("Вк&лючить"), [this] { SetActive(!activated_); }, activated_, true);
  if (manager_ != nullptr) AddItem(menu, Tr("&Свойства..."), [this] { manager_->ShowMarkerPropForm(this); });
  AddItem(menu, Tr("&Фиксированный маркер"), [this] { SetFixed(!fixed_); }, fixed_, true);
  if (fixed_) AddItem(menu, Tr("&Обновить значения"), [this] {
      fixed_ = false;
      Update();
      fixed_ = true;
    });
  AddItem(menu, Tr("&Копировать значение"), [this] { CopyValue(-1); });
  AddMenuSeparator(menu);
  for (int mode = 0; mode < kMarkModeCount; ++mode) {
    CMenuItem* item = AddItem(menu, MarkModeCaption(static_cast<EMarkMode>(mode)),
                              [this, mode] { SetMode(static_cast<EMarkMode>(mode)); });
    item->SetRadioItem(true);
    item->SetGroupIndex(1);
    item->SetChecked(params_.mode == mode);
  }
  AddItem(menu, Tr("&Дискретный"), [this] {
    SMarkParams p = params_;
    p.discrete = !p.discrete;
    SetParams(p);
  }, params_.discrete, true);
  AddItem(menu, Tr("С&лежение"), [this] {
    SMarkParams p = params_;
    p.tracking = !p.tracking;
    SetParams(p);
  }, params_.tracking, true);
  AddItem(menu, Tr("&Статистика"), [this] {
    SMarkParams p = params_;
    p.showStat = !p.showStat;
    SetParams(p);
  }, params_.showStat, true);
  const unsigned traces = diagram_ != nullptr ? diagram_->GetTraceCount() : 0;
  if (traces > 0) {
    CMenuItem* link = AddItem(menu, Tr("Трасса &привязки"), {});
    for (unsigned i = 0; i < traces && i + 2 < kLinesCount; ++i) {
      const std::wstring name = diagram_->Trace(i)->GetName();
      CMenuItem* l = AddItem(link, name, [this, i] { LinkToTrace(static_cast<int>(i)); }, params_.traceIndex == static_cast<int>(i), true);
      l->SetRadioItem(true);
    }
  }
  if (manager_ != nullptr) {
    AddItem(menu, Tr("Отображаемые &трассы..."), [this] { manager_->ChooseShownTraces(this); });
    CMenuItem* relation = AddItem(menu, Tr("Cвя&зной маркер"), {});
    for (unsigned i = 0; i < kMarkerCount; ++i) {
      CMarker* other = manager_->Marker(i);
      if (other == this || other->GetParked()) continue;
      AddItem(relation, Tr("-> Маркер ") + other->GetCaption(), [this, other] { manager_->ConnectMarkers(this, other, 50); });
    }
    if (relation->Count() == 0) relation->SetEnabled(false);
  }
  TraceInterface* trace = SrcTrace(false);
  if (trace != nullptr && !std::isnan(x_)) {
    if (DeviceControl() && trace->Measurement() != nullptr) AddItem(menu, Tr("-> &Центр диапазона"), [this] { SetCenter(); });
    AddItem(menu, Tr("-> Опо&рный уровень"), [this] { SetRefLevel(); });
  }
  if (DeviceControl() && trace != nullptr && trace->Measurement() != nullptr) {
    CMenuItem* counter = AddItem(menu, Tr("С&чётчик частоты"), {});
    AddItem(counter, Tr("&Автоматический"), [this] {
      params_.counterState = params_.counterState == 1 ? 0 : 1;
      ResetCounter();
      UpdateList();
      Repaint();
    }, params_.counterState == 1, true);
    AddItem(counter, Tr("&Подсчёт"), [this] { CountFreq(true); });
    AddMenuSeparator(counter);
    const std::pair<double, const char*> presets[] = {{1, "1"}, {10, "10"}, {100, "100"}, {1000, "1"}, {10000, "10"}};
    for (const auto& [value, digits] : presets) {
      const std::wstring caption = Utf8ToWide(digits) + (value < 1000 ? Tr(" Гц") : Tr(" кГц"));
      CMenuItem* item = AddItem(counter, caption, [this, v = value] { params_.counterAccuracy = v; },
                                params_.counterAccuracy == value, true);
      item->SetRadioItem(true);
    }
    AddItem(counter, Tr("&Другая..."), [this] {
      double value = params_.counterAccuracy;
      if (!UserInteraction().QueryNumber(nullptr, Tr("Маркеры"), Tr("Введите значение точности определения частоты, [Гц]"), value))
        return;
      if (!std::isfinite(value) || value <= 0) {
        QuorMessageBox(nullptr, Tr("Некорректное значение"), Tr("Ошибка"), MB_OK | MB_ICONERROR);
        return;
      }
      params_.counterAccuracy = value;
    });
    if (!trace->Measurement()->GetParameter(L"SyncOutControl").empty())
      AddItem(menu, Tr("Точка син&хронизации"), [this] { SendSyncPoint(!syncEnabled_, -1); Update(); }, syncEnabled_, true);
  }
  AddMenuSeparator(menu);
  AddItem(menu, Tr("&Удалить маркер"), [this] {
    for (CRelationMarker* r : std::vector<CRelationMarker*>(relations_)) manager_->RemoveRelation(r);
    Reset(true);
  });
}

bool CMarker::KeyDown(int key, bool ctrl, bool alt) {
  if (alt) return false;
  if (ctrl) {
    if (key >= '1' && key <= '9') {
      LinkToTrace(key - '1');
      return true;
    }
    return false;
  }
  SMarkParams p = params_;
  switch (key) {
    case 'V':
      SetActive(!activated_);
      return true;
    case 'D':
      p.discrete = !p.discrete;
      SetParams(p);
      return true;
    case 'S':
      p.showStat = !p.showStat;
      SetParams(p);
      return true;
    case 'T':
      p.tracking = !p.tracking;
      SetParams(p);
      return true;
    case 'F':
      if (!DeviceControl() || fixed_) return false;
      CountFreq(true);
      return true;
    case 'U':
      if (!fixed_) return false;
      fixed_ = false;
      Update();
      fixed_ = true;
      return true;
    case mkLeft:
    case mkRight: {
      if (params_.extremeMode != emOff) {
        AutoSearchStart();
        AutoSearchFinish();
        return true;
      }
      TraceInterface* trace = SrcTrace(false);
      if (params_.mode != mmFree || trace == nullptr || trace->Count() == 0) return false;
      const CSeriesData& data = trace->DisplayData();
      const SLocation at = LocateValue(data.Count(), data.X(), params_.position);
      const bool up = (key == mkRight) == (data.X()[data.Count() - 1] >= data.X()[0]);  // toward higher indices
      int index = at.lo;  // off the trace: onto its nearest end first
      if (at.lo != at.hi) {
        if (up) index = at.weight == 0.0 ? at.hi + 1 : at.hi;
        else index = at.weight == 1.0 ? at.lo - 1 : at.lo;
      }
      index = std::clamp(index, 0, data.Count() - 1);
      SetOnFreq(data.X()[index], false, true);
      if (syncEnabled_) SendSyncPoint(true, index);
      return true;
    }
    default:
      return false;
  }
}
