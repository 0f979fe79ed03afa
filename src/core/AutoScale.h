#pragma once
// Vertical autoscaling of rectangular diagrams. The grid has ten divisions with the centre
// on the fifth line; a trace's reference position (0 … 10) names the line that carries its
// reference value.
#include <algorithm>
#include <cmath>
#include <vector>

// A rounded value per division and the value at the grid centre for the range lo … hi,
// never a division below minDiv. Divisions of 1 and more take any mantissa (37 → 40);
// smaller ones are 1, 2 or 5 times a power of ten. For lo = hi the centre is that value;
// then div becomes 1 for 0, the value's decade for |value| < 1, and stays as passed
// otherwise. A NaN or infinite bound leaves center and div untouched.
void AutoScale(double lo, double hi, double& center, double& div, double minDiv);

// The scale of a group whose reference level is fixed by its channel: the level goes on the
// top grid line (ref = level − 5 div). False, and nothing written, when no division fits.
bool FixedReferenceScale(double level, double min, double minDiv, double& ref, double& div);

// Gives the visible traces of a group one common scale over their joint range. Polar and
// Smith traces, empty ones and those whose extremes are not finite take no part. The first
// such trace with a fixed reference level decides alone: its level goes on the top grid
// line and its division only is changed. Traces change only when some trace takes part.
//
// A template over the trace type so that this layer needs no trace interface: any type with
// the trace's scaling operations serves (TraceInterface in the diagram).
template <class Trace>
void AutoScaleTraces(std::vector<Trace*>* traces) {
  if (traces == nullptr) return;
  const auto eligible = [](const Trace* trace) {
    if (trace == nullptr) return false;
    const int plot = static_cast<int>(trace->GetPlot());
    if (plot == 2 || plot == 3) return false;  // polar and Smith keep their own scale
    if (trace->Count() <= 0) return false;
    return std::isfinite(trace->GetMinimum()) && std::isfinite(trace->GetMaximum());
  };

  double max = 0.0, min = 0.0, ref = 50.0, div = 1.0, minDiv = 1e-6;
  bool first = true;
  bool fixed = false;
  for (Trace* trace : *traces) {
    if (!eligible(trace)) continue;
    if (trace->IsFixedRef()) {
      // The channel fixes this trace's level: it decides for the group, shown or not.
      max = trace->GetScaleRef();
      min = trace->GetMinimum();
      minDiv = trace->GetMinScaleDiv();
      first = false;
      fixed = true;
      break;
    }
    if (!trace->GetVisible()) continue;
    if (first) {
      max = trace->GetMaximum();
      min = trace->GetMinimum();
      minDiv = trace->GetMinScaleDiv();
      first = false;
    }
    max = std::max(max, trace->GetMaximum());
    min = std::min(min, trace->GetMinimum());
    minDiv = std::min(minDiv, trace->GetMinScaleDiv());
  }
  if (first) return;
  if (!fixed)
    AutoScale(min, max, ref, div, minDiv);
  else if (!FixedReferenceScale(max, min, minDiv, ref, div))
    return;

  for (Trace* trace : *traces) {
    if (!eligible(trace) || !trace->GetVisible()) continue;
    if (trace->IsFixedRef())
      trace->SetScaleDiv(div);
    else
      trace->SetScale((trace->GetRefPosition() - 5) * div + ref, div);
    trace->Update();
  }
}
