#include "diagram/TraceListEditor.h"

#include <algorithm>
#include <cmath>

#include "common/Text.h"
#include "common/Units.h"
#include "core/DiagCommonLib.h"
#include "diagram/Diagram.h"
#include "filters/Filter.h"
#include "interfaces/MeasurementInterface.h"
#include "traces/Trace.h"

namespace {

bool Contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

// A number as the list shows it, without its unit: the trace's decimals, at most six.
std::wstring ScaleNumber(const CTrace* trace, double value) {
  const int digits = std::min(trace->GetFractionSize(vtResponse), 6);
  return DoubleToStr(round_to(value, -digits), ffGeneral, 10);
}

// A finite number from an editor's text; false for anything else.
bool ParseNumber(const std::wstring& text, double& value) {
  try {
    value = StrToDouble(WideToUtf8(text).c_str());
  } catch (const EConvertError&) {
    return false;
  }
  return std::isfinite(value);
}

}  // namespace

CTrace* CTraceListEditor::TraceAt(int row) const {
  if (diagram_ == nullptr || row < 0 || static_cast<unsigned>(row) >= diagram_->GetTraceCount()) return nullptr;
  return diagram_->Trace(static_cast<unsigned>(row));
}

bool CTraceListEditor::CanEdit(int row, int column) const {
  const CTrace* trace = TraceAt(row);
  if (trace == nullptr) return false;
  const bool noLinearScale = trace->GetPlot() == plPolar || trace->GetPlot() == plSmith;
  switch (column) {
    case kNameColumn:
      return !trace->GetLocked();
    case kRefColumn:
    case kPositionColumn:
      return !trace->IsFixedRef() && !noLinearScale;
    case kDivColumn:
      return !noLinearScale;
    case kFormatColumn:
      return true;
    default:
      return false;
  }
}

std::wstring CTraceListEditor::EditText(int row, int column) const {
  const CTrace* trace = TraceAt(row);
  if (trace == nullptr) return {};
  switch (column) {
    case kNameColumn:
      return trace->GetName();
    case kRefColumn:
      return ScaleNumber(trace, trace->GetScaleRef());
    case kDivColumn:
      return ScaleNumber(trace, trace->GetScaleDiv());
    case kPositionColumn:
      return std::to_wstring(trace->GetRefPosition());
    case kFormatColumn:
      return GetDescriptionString(trace->GetQuantity(vtResponse));
    default:
      return {};
  }
}

std::wstring CTraceListEditor::EditUnit(int row, int column) const {
  const CTrace* trace = TraceAt(row);
  if (trace == nullptr || (column != kRefColumn && column != kDivColumn)) return {};
  return Contains(trace->GetQuantity(vtResponse), L"dB") ? GetUnitsString(L"dB") : std::wstring();
}

bool CTraceListEditor::Apply(int row, int column, const std::wstring& text) {
  if (!CanEdit(row, column)) return false;
  CTrace* trace = TraceAt(row);
  double value = 0.0;
  switch (column) {
    case kNameColumn:
      trace->SetName(text);
      break;
    case kRefColumn:
      if (!ParseNumber(text, value)) return false;
      trace->SetScaleRef(value);
      break;
    case kDivColumn:
      if (!ParseNumber(text, value)) return false;
      trace->SetScaleDiv(value);
      break;
    case kPositionColumn:
      if (!ParseNumber(text, value)) return false;
      // Positions are whole divisions; the trace keeps them within its grid.
      trace->SetRefPosition(static_cast<int>(std::lround(std::clamp(value, -1e6, 1e6))));
      break;
    case kFormatColumn:
      for (const SFormatChoice& choice : FormatChoices(row)) {
        if (choice.description == text) return ChooseFormat(row, choice.mode);
      }
      return false;
    default:
      return false;
  }
  diagram_->UpdateTrace(trace);
  return true;
}

std::vector<SFormatChoice> CTraceListEditor::FormatChoices(int row) const {
  std::vector<SFormatChoice> choices;
  const CTrace* trace = TraceAt(row);
  if (trace == nullptr) return choices;
  const std::wstring source = trace->GetSrcQuantity(vtResponse);
  const std::wstring current = trace->GetQuantity(vtResponse);
  std::wstring measurement;
  if (const MeasurementInterface* m = trace->Measurement()) measurement = m->GetName();
  // Group delay means nothing for a reflection, VSWR nothing for a transmission.
  const wchar_t* excluded = measurement == L"S11" || measurement == L"S22"   ? L"ns"
                            : measurement == L"S12" || measurement == L"S21" ? L"VSWR"
                                                                             : nullptr;
  bool selected = false;
  const auto add = [&](int mode, const std::wstring& quantity) {
    const bool now = !selected && quantity == current;
    selected = selected || now;
    choices.push_back({mode, GetDescriptionString(quantity), now});
  };
  if (!Contains(source, L"Cmplx") && !Contains(source, L"mW/tms")) add(-1, source);
  for (int mode = 0; mode < GetModeCount(); ++mode) {
    if (GetModeSrc(mode) != source) continue;
    const std::wstring destination = GetModeDst(mode);
    if (excluded != nullptr && destination == excluded) continue;
    add(mode, destination);
  }
  return choices;
}

bool CTraceListEditor::ChooseFormat(int row, int mode) {
  CTrace* trace = TraceAt(row);
  if (trace == nullptr) return false;
  CFilter* filter = trace->GetFilter(L"QUANTITY");
  if (filter == nullptr) return false;
  const std::vector<SFormatChoice> choices = FormatChoices(row);
  if (std::none_of(choices.begin(), choices.end(), [mode](const SFormatChoice& c) { return c.mode == mode; }))
    return false;
  if (mode < 0) {
    // The source's own quantity is what its first row shows ("dBm" as is); a source without
    // rows passes through the filter unchanged anyway.
    const std::wstring source = trace->GetSrcQuantity(vtResponse);
    for (int m = 0; m < GetModeCount(); ++m) {
      if (GetModeSrc(m) == source) {
        mode = m;
        break;
      }
    }
  }
  if (mode >= 0) filter->SetParameter(L"mode", std::to_wstring(mode).c_str());
  filter->UpdateFilter();
  diagram_->UpdateTrace(trace);
  return true;
}
