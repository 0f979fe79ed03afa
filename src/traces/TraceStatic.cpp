#include "traces/TraceStatic.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <cwchar>

#include "common/Assert.h"
#include "common/Matrix.h"
#include "common/Text.h"
#include "common/Units.h"
#include "common/UserInteraction.h"
#include "common/Xml.h"
#include "core/DiagCommonLib.h"
#include "filters/Filter.h"
#include "series/SpectrumSeries.h"

namespace {

bool IsSpectrumQuantity(const std::wstring& q) { return q == L"SGram" || q == L"SGramWF" || q == L"SGramHM"; }

// "[date, time]" in the short forms of the operator's locale.
std::wstring FormatTimeDate(std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  char date[64] = {}, time[64] = {};
  std::strftime(date, sizeof date, "%x", &local);
  std::strftime(time, sizeof time, "%X", &local);
  return L"[" + Utf8ToWide(date) + L", " + Utf8ToWide(time) + L"]";
}

std::wstring TimeDateNow() { return FormatTimeDate(std::time(nullptr)); }

std::wstring JoinValues(const std::vector<double>& values) {
  std::wstring text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += L' ';
    text += DoubleToStr(values[i], ffGeneral, 12);
  }
  return text;
}

// Whitespace-separated numbers; false at the first word that is not one.
bool ParseValues(const std::wstring& text, std::vector<double>& out) {
  out.clear();
  const wchar_t* p = text.c_str();
  while (true) {
    while (*p != 0 && std::iswspace(static_cast<wint_t>(*p))) ++p;
    if (*p == 0) return true;
    wchar_t* end = nullptr;
    const double v = std::wcstod(p, &end);
    if (end == p) return false;
    out.push_back(v);
    p = end;
  }
}

bool Refuse(const char* text) {
  QuorMessageBox(nullptr, Tr(text), Tr("Ошибка при открытии трассы"), MB_OK | MB_ICONERROR);
  return false;
}

}  // namespace

CTraceStatic::CTraceStatic(DiagramInterface* diagram) : CTraceMathSource(diagram) {}

void CTraceStatic::CallbackChanged(CMeasurement* measurement, EMeasureParam kind) {
  // The stored sweep keeps its own stimulus and points; formats and parameters still count.
  if (kind == mpStimulusRange || kind == mpPointsCount || kind == mpDisplayRange || kind == mpNewSweep) return;
  CTrace::CallbackChanged(measurement, kind);
}

std::wstring CTraceStatic::GetStringInfo(int index) const {
  // The read-outs name where the copy came from after the trace's own lines.
  if (index == 4) return !fileName_.empty() ? fileName_ : source_ + (timeDate_.empty() ? L"" : L" " + timeDate_);
  return CTrace::GetStringInfo(index);
}

void CTraceStatic::Feed(std::vector<double>& x, std::vector<double>& y, std::vector<double>* z) {
  const int n = static_cast<int>(x.size());
  SBlock block{true, 0, n, n};
  CBlockBuffers buffers;
  if (!buffers.Prepare(block, n, z != nullptr)) return;
  std::copy(x.begin(), x.end(), block.x);
  std::copy(y.begin(), y.end(), block.y);
  if (z != nullptr) std::copy(z->begin(), z->end(), block.z);
  Process(block);
  buffers.Settle(block);
}

void CTraceStatic::Remember(TraceInterface* source, EStaticTraceParams params) {
  auto* src = dynamic_cast<CTrace*>(source);
  if (!PV_ASSERT_MSG(src != nullptr, "pTrace!=NULL")) return;
  source_ = src->GetName();
  sourceDiagram_ = src->GetDiagram() != nullptr ? src->GetDiagram()->GetName() : std::wstring();
  fileName_.clear();
  timeDate_ = TimeDateNow();

  BlockUpdate(true);
  const bool accumulated = src->HasAccumulatedData();
  if (params == stpData && Measurement() == src->Measurement()) {
    const std::wstring& mine = GetSrcQuantity(vtResponse);
    if ((accumulated && mine != src->GetQuantity(vtResponse)) || (!accumulated && mine != src->GetSrcQuantity(vtResponse)))
      params = stpQuantities;
  }
  if (params != stpData) {
    for (EDataValueType t : {vtResponse, vtStimulus}) {
      const std::wstring q = accumulated ? src->GetQuantity(t) : src->GetSrcQuantity(t);
      SetSrcQuantity(t, q.c_str());
    }
    if (accumulated) SetPlot(src->GetPlot());
    SetMeasurement(src->Measurement());
  }
  // Filters take over the source's settings; a dynamic filter whose effect the accumulated
  // data already carry is switched off here.
  for (unsigned i = 0; i < src->GetFilterCount() && i < GetFilterCount(); ++i) {
    CFilter* theirs = src->GetFilter(i);
    CFilter* mine = GetFilter(i);
    if (!accumulated || dynamic_cast<CDynamicFilter*>(theirs) == nullptr) {
      mine->Assign(theirs);
    } else if (mine->GetEnabled()) {
      mine->SetEnabled(false, false);
    }
  }
  if (params != stpData) {
    SetRefPosition(src->GetRefPosition());
    SetScale(src->GetScaleRef(), src->GetScaleDiv());
  }
  FiltersTraceChanged();
  bool reprocess = false;
  FiltersTraceMeasurementChanged(reprocess, mpAttached);
  BlockUpdate(false);
  Update();
  SetValues(src, !accumulated);
  if (params != stpData && accumulated) {
    if (src->GetOwnHorizAxis()) {
      SetStimulusRange(src->GetStimulusStart(), src->GetStimulusStop());
      SetQuantity(vtStimulus, src->GetQuantity(vtStimulus).c_str());
    }
    SetOwnHorizAxis(src->GetOwnHorizAxis());
  }
}

void CTraceStatic::SetValues(TraceInterface* source, bool raw) {
  auto* src = dynamic_cast<CTrace*>(source);
  if (src == nullptr) return;
  ClearValues();
  if (IsSpectrumQuantity(GetQuantity(vtResponse))) {
    TQuorSpectrumSeries* mine = SpectrumSeries();
    const TQuorSpectrumSeries* theirs = src->SpectrumSeries();
    if (mine != nullptr && theirs != nullptr) {
      CStorage copy;
      theirs->Storage().CopyStorage(copy);
      mine->Storage().SetStorage(copy);
      mine->RepaintStorage();
    }
    return;
  }
  std::vector<double> x, y, z;
  bool second = false;
  int n = 0;
  if (!raw) {
    n = src->Count();
    const EPlot plot = src->GetPlot();
    second = plot == plSmith || plot == plPolar || plot == plPoints;
  } else {
    n = src->SrcSize();
    const std::wstring q = src->GetSrcQuantity(vtResponse);
    second = q.find(L"Cmplx") != std::wstring::npos || q == L"mW/tms";
  }
  x.resize(static_cast<std::size_t>(n));
  y.resize(static_cast<std::size_t>(n));
  if (second) z.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const unsigned k = static_cast<unsigned>(i);
    x[k] = raw ? src->SrcValue(vtStimulus, k) : src->Value(vtStimulus, k, true);
    y[k] = raw ? src->SrcValue(vtResponse, k) : src->Value(vtResponse, k);
    if (second) z[k] = raw ? src->SrcValue(vtResponseIm, k) : src->Value(vtResponseIm, k);
  }
  Feed(x, y, second ? &z : nullptr);
}

TraceInterface* CTraceStatic::GetSource() const {
  if (source_.empty() || diagram_ == nullptr) return nullptr;
  if (!sourceDiagram_.empty() && sourceDiagram_ != diagram_->GetName()) return nullptr;
  TraceInterface* trace = diagram_->Trace(source_.c_str());
  return trace != this ? trace : nullptr;
}

void CTraceStatic::Refresh() {
  if (TraceInterface* source = GetSource()) Remember(source, stpData);
}

int CTraceStatic::Load(const std::wstring& fileName, ETraceFileType type) {
  CDoubleMatrix matrix;
  failedLine_ = 0;
  const EMatrixResult read = LoadCustomMatrixFromFile(fileName, matrix, 0, nullptr, &failedLine_);
  if (read != mrOk) return read;
  if (type == tftSpectrum) {
    if (!Kind().spectrum) SetPlot(plWaterfall);
    SetSrcQuantity(vtResponse, L"SGramWF");
    if (CMeasurement* m = Measurement()) CallbackChanged(m, mpResponseQuantity);
    SetQuantity(vtResponse, L"SGramWF");
    for (unsigned i = 0; i < GetFilterCount(); ++i) {
      if (dynamic_cast<CDynamicFilter*>(GetFilter(i)) != nullptr) GetFilter(i)->Reset();
    }
    FilterParametersUpdated(true);
    if (TQuorSpectrumSeries* spectrum = SpectrumSeries()) {
      CStorage storage;
      if (storage.LoadMatrix(matrix)) {
        spectrum->Storage().SetStorage(storage);
        spectrum->RepaintStorage();
      }
    }
    return 0;
  }
  const std::size_t cols = matrix.Cols();
  if (cols < 2) return Refuse("Неверный формат файла."), -1;
  if (cols > 3) return Refuse("Таблица трассы должна содержать 2-3 столбца."), -1;
  const std::wstring shown = GetQuantity(vtResponse);
  if ((shown == L"Smith" || shown == L"Polar") && cols == 2)
    return Refuse("Недостаточно данных в файле для отображения в текущем формате трассы.\n"), -1;
  const std::wstring stimulus = GetQuantity(vtStimulus);
  const double multiplier =
      type == tftTrc && stimulus.find(L"Hz") != std::wstring::npos && Measurement() != nullptr
          ? static_cast<double>(Measurement()->GetStimulusMultiplier())
          : 1.0;
  source_.clear();
  sourceDiagram_.clear();
  const std::size_t slash = fileName.find_last_of(L'/');
  fileName_ = slash == std::wstring::npos ? fileName : fileName.substr(slash + 1);
  std::vector<double> x(matrix.Rows()), y(matrix.Rows()), z(cols == 3 ? matrix.Rows() : 0);
  for (std::size_t r = 0; r < matrix.Rows(); ++r) {
    x[r] = matrix(r, 0) * multiplier;
    y[r] = matrix(r, 1);
    if (cols == 3) z[r] = matrix(r, 2);
  }
  ClearValues();
  Feed(x, y, cols == 3 ? &z : nullptr);
  return 0;
}

bool CTraceStatic::TakeSweep(CTrace* source, int level) {
  const TQuorSpectrumSeries* spectrum = source != nullptr ? source->SpectrumSeries() : nullptr;
  if (spectrum == nullptr) return false;
  const CStorage& history = spectrum->Storage().Storage();
  std::vector<double> x, y;
  int stamp = 0;
  {
    std::lock_guard lock(history);
    if (!history.GetLevel(level, y, stamp) || y.empty()) return false;
    x.assign(history.StimulusData(), history.StimulusData() + y.size());
  }
  source_ = source->GetName();
  sourceDiagram_ = source->GetDiagram() != nullptr ? source->GetDiagram()->GetName() : std::wstring();
  fileName_.clear();
  timeDate_ = FormatTimeDate(static_cast<std::time_t>(history.EpochWallClock() + stamp / 1000.0));
  BlockUpdate(true);
  SetMeasurement(source->Measurement());
  // The history holds levels as shown: the memory trace draws them as a line in dBm.
  SetSrcQuantity(vtResponse, L"dBm");
  SetSrcQuantity(vtStimulus, source->GetQuantity(vtStimulus).c_str());
  SetRefPosition(source->GetRefPosition());
  SetScale(source->GetScaleRef(), source->GetScaleDiv());
  BlockUpdate(false);
  SetStimulusRange(x.front(), x.back());
  ClearValues();
  Feed(x, y, nullptr);
  return true;
}

void CTraceStatic::TakeNetworkParameter(const STouchstoneData& network, std::size_t row, std::size_t col,
                                        const std::wstring& fileName) {
  STouchstoneCurve curve = ExtractParameter(network, row, col);
  if (curve.frequency.empty()) return;
  source_.clear();
  sourceDiagram_.clear();
  const std::size_t slash = fileName.find_last_of(L'/');
  fileName_ = (slash == std::wstring::npos ? fileName : fileName.substr(slash + 1)) + L" " +
              ParameterName(row, col, network.parameter);
  SetSrcQuantity(vtResponse, L"Cmplx");
  SetQuantity(vtStimulus, L"Hz");
  SetStimulusRange(curve.frequency.front(), curve.frequency.back());
  ClearValues();
  Feed(curve.frequency, curve.re, &curve.im);
}

void CTraceStatic::Serialize(pugi::xml_node element) {
  if (!element) return;
  CTrace::Serialize(element);
  AddAttribute(element, L"source", source_);
  AddAttribute(element, L"time_date", timeDate_);
  AddAttribute(element, L"source_diagram", sourceDiagram_);
  AddAttribute(element, L"format", GetSrcQuantity(vtResponse));
  AddAttribute(element, L"stimulus_start", GetStimulusStart());
  AddAttribute(element, L"stimulus_stop", GetStimulusStop());
  AddAttribute(element, L"stimulus_quantity", GetQuantity(vtStimulus));
  const int n = SrcSize();
  std::vector<double> values(static_cast<std::size_t>(n));
  pugi::xml_node data = AddElement(element, L"data");
  const wchar_t* names[] = {L"X", L"Y", L"Z"};
  const int components = HasSecondComponent() ? 3 : 2;
  for (int c = 0; c < components; ++c) {
    for (int i = 0; i < n; ++i)
      values[static_cast<std::size_t>(i)] = SrcValue(static_cast<EDataValueType>(c), static_cast<unsigned>(i));
    AddAttribute(AddElement(data, L"vector"), names[c], JoinValues(values));
  }
}

void CTraceStatic::Deserialize(pugi::xml_node element) {
  if (!element) return;
  source_ = GetNodeWideStringValue(element, L"@source");
  timeDate_ = GetNodeWideStringValue(element, L"@time_date");
  sourceDiagram_ = GetNodeWideStringValue(element, L"@source_diagram");
  if (sourceDiagram_.empty() && diagram_ != nullptr) sourceDiagram_ = diagram_->GetName();
  const std::wstring format = GetNodeWideStringValue(element, L"@format");
  if (!format.empty()) SetSrcQuantity(vtResponse, format.c_str());
  CTrace::Deserialize(element);
  const double start = GetNodeDoubleValue(element, L"@stimulus_start", GetStimulusStart());
  const double stop = GetNodeDoubleValue(element, L"@stimulus_stop", GetStimulusStop());
  if (std::isfinite(start) && std::isfinite(stop)) SetStimulusRange(start, stop);
  const std::wstring stimulus = GetNodeWideStringValue(element, L"@stimulus_quantity");
  if (!stimulus.empty()) SetQuantity(vtStimulus, stimulus.c_str());

  std::vector<double> x, y, z, values;
  bool haveZ = false;
  for (pugi::xml_node vector : element.child("data").children("vector")) {
    for (const wchar_t* name : {L"X", L"Y", L"Z"}) {
      const pugi::xml_attribute a = vector.attribute(WideToUtf8(name).c_str());
      if (!a) continue;
      if (!ParseValues(Utf8ToWide(a.value()), values)) continue;  // a damaged list is left out
      if (name[0] == L'X') x = values;
      if (name[0] == L'Y') y = values;
      if (name[0] == L'Z') {
        z = values;
        haveZ = true;
      }
    }
  }
  if (x.empty() || x.size() != y.size() || (haveZ && z.size() != x.size())) return;  // nothing whole to show
  Feed(x, y, haveZ ? &z : nullptr);
}
