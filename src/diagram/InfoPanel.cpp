#include "diagram/InfoPanel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/Assert.h"
#include "common/Text.h"
#include "common/Units.h"
#include "core/DiagCommonLib.h"
#include "interfaces/DiagramInterface.h"
#include "interfaces/TraceInterface.h"

namespace {

// Samples the panel measures with: the height of a line of text, and a value wide enough
// for the results the host sends.
constexpr const wchar_t* kHeightSample = L"GET_HEIGHT";
constexpr const wchar_t* kValueSample = L"1234.567890 usd";

// Share of the panel the rows may take; the rest is the margin around them.
constexpr double kHeightShare = 0.96;
constexpr double kWidthShare = 0.9;

constexpr double kDefaultImpedance = 50.0;

std::wstring Trim(const std::wstring& text) {
  const auto first = text.find_first_not_of(L" \t\r");
  if (first == std::wstring::npos) return {};
  const auto last = text.find_last_not_of(L" \t\r");
  return text.substr(first, last - first + 1);
}

// A unit the host writes either as the Russian source text or in the operator's language.
bool IsUnit(const std::wstring& unit, const char* msgid) {
  return unit == Utf8ToWide(msgid) || unit == Tr(msgid);
}

// What the channels of the reference traces say about how values are to be shown.
struct SReference {
  std::wstring rfQuantity;  // response quantity of the RF spectrum trace, "" without one
  double rfImpedance = kDefaultImpedance;
  std::wstring lfQuantity;  // response quantity of the LF signal trace, "" without one
};

double ChannelImpedance(const TraceInterface* trace) {
  const MeasurementInterface* m = trace != nullptr ? trace->Measurement() : nullptr;
  if (m == nullptr) return kDefaultImpedance;
  const std::wstring text = m->GetParameter(L"impedance");
  if (text.empty()) return kDefaultImpedance;
  try {
    const double z = StrToDouble(WideToUtf8(text).c_str());
    return z > 0.0 && std::isfinite(z) ? z : kDefaultImpedance;
  } catch (const EConvertError&) {
    return kDefaultImpedance;
  }
}

std::wstring ResponseQuantity(const TraceInterface* trace) {
  return trace != nullptr ? trace->GetQuantity(vtResponse) : std::wstring();
}

// The quantity a power (`from`: "dBm" or "mW") is shown in. Linear power is shown as watts
// so that the prefixes pick a readable multiple.
std::wstring PowerQuantity(const std::wstring& rf, const std::wstring& from) {
  if (rf == L"dBm" || rf == L"dBm(noise)" || rf == L"SGram" || rf == L"SGramWF" || rf == L"SGramHM")
    return L"dBm";
  if (rf == L"mW" || rf == L"W") return L"W";
  if (rf == L"V" || rf == L"dBV" || rf == L"dBuV") return rf;
  return from == L"mW" ? L"W" : L"dBm";
}

std::wstring FormatQuantity(double value, const std::wstring& quantity) {
  const int digits = QuantityTakesPrefix(quantity) ? 3 : GetUnitsFractionSize(quantity);
  return CalcOptimalValueString(value, quantity, digits);
}

std::wstring FormatValue(const std::wstring& text, const std::wstring& unit, const SReference& ref) {
  if (text == L"NAN") return Tr("Н/Д");
  double value = 0.0;
  try {
    value = StrToDouble(WideToUtf8(text).c_str());
  } catch (const EConvertError&) {
    // A result that is no number (a modulation kind, a state) is shown as sent.
    return unit.empty() ? text : text + L" " + unit;
  }

  const bool dBm = IsUnit(unit, "дБм");
  if (dBm || IsUnit(unit, "мВт")) {
    const std::wstring from = dBm ? L"dBm" : L"mW";
    const std::wstring shown = PowerQuantity(ref.rfQuantity, from);
    return FormatQuantity(PlainConvert(value, from, shown, ref.rfImpedance), shown);
  }
  if (IsUnit(unit, "рад")) {
    if (ref.lfQuantity == L"°" || ref.lfQuantity == L"Unwrapped")
      return FormatQuantity(value * 180.0 / std::numbers::pi, L"°");
    return FormatQuantity(value, L"rad");
  }
  const std::wstring number = CalcOptimalValueString(round_to(value, -3), L"", 3);
  // Other units as the host sent them, in the operator's language where the catalogue has them.
  return unit.empty() || std::isnan(value) ? number : number + L" " + Tr(WideToUtf8(unit).c_str());
}

}  // namespace

CInfoPanel::CInfoPanel(IInfoPanelHost* host) : host_(host), font_{L"Tahoma", 10}, fontSize_(font_.size) {}

void CInfoPanel::Changed() {
  if (host_ != nullptr) host_->InfoPanelChanged();
}

void CInfoPanel::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  Changed();
}

void CInfoPanel::SetFont(const SFont& font) {
  font_ = font;
  fontSize_ = std::max(1, font.size);
  Changed();
}

TraceInterface* CInfoPanel::GetFirstTraceOfChannel(const wchar_t* channel) const {
  if (host_ == nullptr || channel == nullptr) return nullptr;
  for (unsigned d = 0;; ++d) {
    DiagramInterface* diagram = host_->InfoPanelDiagram(d);
    if (diagram == nullptr) break;
    const unsigned count = diagram->GetTraceCount();
    for (unsigned t = 0; t < count; ++t) {
      TraceInterface* trace = diagram->Trace(t);
      const MeasurementInterface* m = trace != nullptr ? trace->Measurement() : nullptr;
      if (m != nullptr && m->GetParameter(L"channel") == channel) return trace;
    }
  }
  return nullptr;
}

void CInfoPanel::SetInfo(const std::wstring& info) {
  rows_.clear();
  if (info.empty()) {
    Changed();
    return;
  }

  SReference ref;
  const TraceInterface* rf = GetFirstTraceOfChannel(Tr("ВЧ-спектр").c_str());
  const TraceInterface* lf = GetFirstTraceOfChannel(Tr("НЧ-сигнал").c_str());
  ref.rfQuantity = ResponseQuantity(rf);
  ref.rfImpedance = ChannelImpedance(rf);
  ref.lfQuantity = ResponseQuantity(lf);

  std::size_t begin = 0;
  // A line feed ends a line; text after the last one, when any, is the last line.
  while (begin < info.size()) {
    std::size_t end = info.find(L'\n', begin);
    if (end == std::wstring::npos) end = info.size();
    const std::wstring line = Trim(info.substr(begin, end - begin));
    begin = end + 1;

    if (line.empty()) {
      rows_.push_back({L"\n", {}});
      continue;
    }
    std::wstring parts[3];
    int numParts = 0;
    for (std::size_t from = 0;; ++numParts) {
      const std::size_t sep = line.find(L';', from);
      if (numParts < 3) parts[numParts] = Trim(line.substr(from, sep - from));
      if (sep == std::wstring::npos) {
        ++numParts;
        break;
      }
      from = sep + 1;
    }
    if (!PV_ASSERT(numParts == 3)) continue;
    rows_.push_back({Tr(WideToUtf8(parts[0]).c_str()), FormatValue(parts[1], parts[2], ref)});
  }
  Changed();
}

SFont CInfoPanel::CurrentFont() const {
  SFont font = font_;
  font.size = fontSize_;
  return font;
}

void CInfoPanel::CalcRecWidthHeight(ICanvas& canvas, int& width, int& height) const {
  canvas.SetFont(CurrentFont());
  const int rowHeight = canvas.TextExtent(kHeightSample).cy;
  width = 0;
  height = caption_.empty() ? 0 : rowHeight;
  for (const SRow& row : rows_) {
    height += rowHeight;
    if (!row.IsSeparator()) width = std::max(width, canvas.TextExtent(row.name + kValueSample).cx);
  }
}

void CInfoPanel::Paint(ICanvas& canvas, const SRect& rect) {
  canvas.SetClipRect(rect);
  canvas.SetBrush({background_, bsSolid});
  canvas.FillRect(rect);

  // Each paint starts again from the panel's font, so a larger panel gets it back.
  fontSize_ = std::max(1, font_.size);
  int width = 0;
  int height = 0;
  CalcRecWidthHeight(canvas, width, height);
  const double maxHeight = kHeightShare * rect.Height();
  if (height > maxHeight) {
    fontSize_ = std::max(1, static_cast<int>(fontSize_ * maxHeight / height));
    CalcRecWidthHeight(canvas, width, height);
  }
  const double maxWidth = kWidthShare * rect.Width();
  if (width > maxWidth) {
    fontSize_ = std::max(1, static_cast<int>(fontSize_ * maxWidth / width));
    CalcRecWidthHeight(canvas, width, height);
  }

  // The canvas holds the final font now.
  const int rowHeight = canvas.TextExtent(kHeightSample).cy;
  const int left = rect.left + rect.Width() / 20;
  const int right = rect.right - rect.Width() / 20;
  int y = rect.top + rect.Height() / 50;
  if (!caption_.empty()) {
    canvas.TextOut(left, y, rows_.empty() ? caption_ + L" " + Tr("Н/Д") : caption_);
    y += rowHeight;
  }
  canvas.SetPen({font_.color, 1, psSolid});
  for (const SRow& row : rows_) {
    if (row.IsSeparator()) {
      canvas.Line(rect.left, y + rowHeight / 2, rect.right, y + rowHeight / 2);
    } else {
      canvas.TextOut(left, y, row.name);
      canvas.TextOut(right - canvas.TextExtent(row.value).cx, y, row.value);
    }
    y += rowHeight;
  }
  canvas.ResetClip();
}
