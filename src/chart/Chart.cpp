#include "chart/Chart.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cwchar>

#include "chart/Series.h"
#include "common/Assert.h"
#include "common/Units.h"

namespace {

constexpr int kDivisions = 10;
constexpr int kMaxGridLines = 100;  // an increment too fine for the range falls back to ten
constexpr int kLabelGap = 4;

}  // namespace

CChart::CChart() : left_(this, akLeft), right_(this, akRight), bottom_(this, akBottom) {
  right_.SetVisible(false);
}

CChart::~CChart() {
  for (CChartSeries* s : series_) s->Detach();
}

void CChart::SetMargins(int left, int top, int right, int bottom) {
  if (!PV_ASSERT(left >= 0 && top >= 0 && right >= 0 && bottom >= 0)) return;
  margins_ = {left, top, right, bottom};
}

SRect CChart::PlotRect() const {
  SRect r{bounds_.left + margins_.left, bounds_.top + margins_.top, bounds_.right - margins_.right,
          bounds_.bottom - margins_.bottom};
  r.right = std::max(r.right, r.left);
  r.bottom = std::max(r.bottom, r.top);
  return r;
}

void CChart::Unlock() {
  if (PV_ASSERT(lock_ > 0)) --lock_;
}

CChartAxis* CChart::AddCustomAxis(bool horizontal) {
  customAxes_.push_back(std::make_unique<CChartAxis>(this, akCustom, horizontal));
  return customAxes_.back().get();
}

void CChart::RemoveCustomAxis(CChartAxis* axis) {
  auto it = std::find_if(customAxes_.begin(), customAxes_.end(), [axis](const auto& a) { return a.get() == axis; });
  if (!PV_ASSERT(it != customAxes_.end())) return;
  for (CChartSeries* s : series_) {
    if (s->HorizAxis() == axis) s->SetHorizAxis(nullptr);
    if (s->VertAxis() == axis) s->SetVertAxis(nullptr);
  }
  customAxes_.erase(it);
}

CChartAxis* CChart::CustomAxis(int index) const {
  if (!PV_ASSERT(index >= 0 && index < CustomAxisCount())) return nullptr;
  return customAxes_[index].get();
}

void CChart::AddSeries(CChartSeries* series) {
  if (!PV_ASSERT(series != nullptr)) return;
  if (series->Chart() == this) return;
  if (series->Chart() != nullptr) series->Chart()->RemoveSeries(series);
  series_.push_back(series);
  series->Attach(this);
}

void CChart::RemoveSeries(CChartSeries* series) {
  auto it = std::find(series_.begin(), series_.end(), series);
  if (it == series_.end()) return;
  series_.erase(it);
  series->Detach();
}

CChartSeries* CChart::Series(int index) const {
  if (!PV_ASSERT(index >= 0 && index < SeriesCount())) return nullptr;
  return series_[index];
}

// Calls f(pixel, value) for each grid line, lowest value first: on a logarithmic axis the
// decades (with 2 and 5 times them when fewer than two decades show); otherwise the values
// origin + k·increment when the increment gives a sensible number of lines, ends included
// within rounding; otherwise ten equal divisions, ends included.
template <class F>
void CChart::ForEachTick(const CChartAxis& axis, F f) const {
  const double lo = axis.Minimum();
  const double hi = axis.Maximum();
  const double step = axis.Increment();
  if (axis.Logarithmic() && lo > 0 && hi > lo) {
    const int first = static_cast<int>(std::ceil(std::log10(lo) - 1e-9));
    const int last = static_cast<int>(std::floor(std::log10(hi) + 1e-9));
    const bool fine = last - first < 1;
    int lines = 0;
    for (int e = fine ? first - 1 : first; e <= last && lines <= kMaxGridLines; ++e) {
      for (int m : {1, 2, 5}) {
        if (m != 1 && !fine) break;
        const double v = m * std::pow(10.0, e);
        if (v < lo * (1 - 1e-9) || v > hi * (1 + 1e-9)) continue;
        f(axis.CalcPosValue(std::clamp(v, lo, hi)), v);
        ++lines;
      }
    }
    return;
  }
  if (step > 0 && !axis.Logarithmic() && hi > lo && (hi - lo) / step <= kMaxGridLines) {
    const double origin = std::isfinite(axis.GridOrigin()) ? axis.GridOrigin() : 0.0;
    const double slack = step * 1e-6;  // the ends, a rounding away from a multiple
    // Counted with an integer: far from zero k + 1 can round back to k.
    const double first = std::ceil((lo - origin - slack) / step);
    for (int i = 0; i <= kMaxGridLines + 1; ++i) {
      double v = origin + (first + i) * step;
      if (!(v <= hi + slack)) break;
      if (std::fabs(v) < step * 1e-9) v = 0;
      f(axis.CalcPosValue(std::clamp(v, lo, hi)), v);
    }
    return;
  }
  const double start = axis.StartPos();
  const double end = axis.EndPos();
  for (int i = 0; i <= kDivisions; ++i) {
    const double pixel = start + (end - start) * i / kDivisions;
    double v = axis.CalcPosPoint(pixel);
    // Sums of tenths leave residues like 5.55e-17 where the label must read 0.
    if (!axis.Logarithmic() && std::fabs(v) < (hi - lo) * 1e-9) v = 0;
    f(pixel, v);
  }
}

std::wstring CChart::FormatLabel(const CChartAxis& axis, double value) const {
  const std::wstring& quantity = axis.LabelQuantity();
  if (!quantity.empty() && QuantityTakesPrefix(quantity)) return CalcOptimalValueString(value, quantity, 6);
  wchar_t text[32];
  std::swprintf(text, 32, L"%.10g", value);
  return text;
}

void CChart::DrawGrid(ICanvas& canvas, const CChartAxis& axis) {
  if (!axis.GridVisible()) return;
  const SRect plot = PlotRect();
  canvas.SetPen({axis.GridColor(), 1, psDot});
  ForEachTick(axis, [&](double pixel, double) {
    if (axis.Horizontal())
      canvas.Line(pixel, plot.top, pixel, plot.bottom);
    else
      canvas.Line(plot.left, pixel, plot.right, pixel);
  });
}

void CChart::DrawAxis(ICanvas& canvas, const CChartAxis& axis) {
  const SRect plot = PlotRect();
  canvas.SetPen({frameColor_, 1, psSolid});
  const bool right = axis.Kind() == akRight;
  if (axis.Horizontal())
    canvas.Line(plot.left, plot.bottom, plot.right, plot.bottom);
  else if (right)
    canvas.Line(plot.right, plot.top, plot.right, plot.bottom);
  else
    canvas.Line(plot.left, plot.top, plot.left, plot.bottom);

  int labelHeight = 0;
  if (axis.LabelsVisible()) {
    struct STick {
      double pixel;
      double value;
      SSize size;
      bool shown;
    };
    std::array<STick, kMaxGridLines + 2> ticks;
    int n = 0;
    ForEachTick(axis, [&](double pixel, double value) {
      if (n < static_cast<int>(ticks.size())) ticks[n++] = {pixel, value, {}, true};
    });
    int widest = 0;
    for (int i = 0; i < n; ++i) {
      ticks[i].size = canvas.TextExtent(FormatLabel(axis, ticks[i].value));
      widest = std::max(widest, ticks[i].size.cx);
      labelHeight = std::max(labelHeight, ticks[i].size.cy);
    }
    // The room a label takes along the axis, with a gap to the next.
    const double need = (axis.Horizontal() ? widest + 2 * kLabelGap : labelHeight + kLabelGap / 2.0);
    if (n > 1) {
      const bool even = !axis.Logarithmic();
      if (even) {
        // Every s-th label, s dividing the intervals when it can, so both ends keep theirs.
        const double spacing = std::fabs(ticks[1].pixel - ticks[0].pixel);
        int stride = 0;
        for (int s = 1; s < n && stride == 0; ++s)
          if (s * spacing >= need && (n - 1) % s == 0) stride = s;
        // Ticks closer than a pixel (a degenerate axis) keep the first label only.
        if (stride == 0)
          stride = std::max(1, static_cast<int>(std::min<double>(n, std::ceil(need / std::max(spacing, 1e-9)))));
        for (int i = 0; i < n; ++i) ticks[i].shown = i % stride == 0;
      } else {
        // Uneven: each label that keeps its distance from the last one shown; the last tick
        // wins over the label before it.
        double at = -1e300;
        for (int i = 0; i < n; ++i) {
          ticks[i].shown = std::fabs(ticks[i].pixel - at) >= need;
          if (ticks[i].shown) at = ticks[i].pixel;
        }
        if (!ticks[n - 1].shown) {
          for (int i = n - 2; i > 0; --i) {
            if (!ticks[i].shown) continue;
            if (std::fabs(ticks[n - 1].pixel - ticks[i].pixel) < need) ticks[i].shown = false;
            break;
          }
          ticks[n - 1].shown = std::fabs(ticks[n - 1].pixel - ticks[0].pixel) >= need;
        }
      }
    }
    for (int i = 0; i < n; ++i) {
      if (!ticks[i].shown) continue;
      const std::wstring text = FormatLabel(axis, ticks[i].value);
      const SSize size = ticks[i].size;
      const double pixel = ticks[i].pixel;
      if (axis.Horizontal())
        canvas.TextOut(pixel - size.cx / 2.0, plot.bottom + kLabelGap, text);
      else if (right)
        canvas.TextOut(plot.right + kLabelGap, pixel - size.cy / 2.0, text);
      else
        canvas.TextOut(plot.left - kLabelGap - size.cx, pixel - size.cy / 2.0, text);
    }
  }
  if (axis.Title().empty()) return;
  const SSize size = canvas.TextExtent(axis.Title());
  if (axis.Horizontal())
    canvas.TextOut((plot.left + plot.right - size.cx) / 2.0, plot.bottom + 2 * kLabelGap + labelHeight, axis.Title());
  else if (right)
    canvas.TextOut(bounds_.right - kLabelGap - size.cx, plot.top - size.cy - kLabelGap, axis.Title());
  else
    canvas.TextOut(bounds_.left + kLabelGap, plot.top - size.cy - kLabelGap, axis.Title());
}

void CChart::Draw(ICanvas& canvas) {
  if (IsLocked()) return;
  const SRect plot = PlotRect();
  canvas.SetFont(font_);
  if (color_ != clNone) {
    canvas.SetBrush({color_, bsSolid});
    canvas.FillRect(bounds_);
  }
  if (backWallVisible_ && backWallColor_ != clNone) {
    canvas.SetBrush({backWallColor_, bsSolid});
    canvas.FillRect(plot);
  }
  if (axesVisible_) {
    if (bottom_.Visible()) DrawGrid(canvas, bottom_);
    if (left_.Visible()) DrawGrid(canvas, left_);
    else if (right_.Visible()) DrawGrid(canvas, right_);
    // Custom axes belong to series that draw their own scales.
    for (const CChartAxis* axis : {&left_, &right_, &bottom_})
      if (axis->Visible()) DrawAxis(canvas, *axis);
  }
  if (frameVisible_) {
    canvas.SetPen({frameColor_, 1, psSolid});
    canvas.SetBrush({clNone, bsClear});
    canvas.Rectangle(plot);
  }
  if (!title_.empty()) {
    const SSize size = canvas.TextExtent(title_);
    canvas.TextOut((plot.left + plot.right - size.cx) / 2.0, bounds_.top + kLabelGap, title_);
  }

  canvas.SetClipRect(plot);
  for (CChartSeries* s : series_)
    if (s->Visible()) s->DrawGrid(canvas);
  for (CChartSeries* s : series_)
    if (s->Visible()) s->Draw(canvas);
  canvas.ResetClip();
  for (CChartSeries* s : series_)
    if (s->Visible()) s->DrawOutside(canvas);

  if (afterDraw_) afterDraw_(canvas);
}
