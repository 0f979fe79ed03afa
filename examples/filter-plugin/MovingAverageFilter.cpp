#include "MovingAverageFilter.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "common/Text.h"
#include "core/PluginApi.h"

PLOTVANE_DECLARE_PLUGIN(CMovingAverageFilter, "MOVING_AVERAGE", "FILTER")

CMovingAverageFilter::CMovingAverageFilter() {
  enabled_ = true;
  UpdateStatus();
}

void CMovingAverageFilter::ProcessData(bool& changed, int& offset, int& count, int&, double*&, double*& y,
                                       double*& z) {
  if (count <= 0 || y == nullptr) return;
  // A block that does not continue the last one begins a sweep (or a reprocessing).
  if (offset == 0 || offset != next_) {
    historyY_.clear();
    historyZ_.clear();
  }
  // The window: the history, then this block's raw values as they are read.
  std::vector<double> rawY(historyY_), rawZ(historyZ_);
  const std::size_t kept = rawY.size();
  rawY.insert(rawY.end(), y, y + count);
  if (z != nullptr) rawZ.insert(rawZ.end(), z, z + count);

  double sumY = 0, sumZ = 0;
  int valid = 0;
  const auto add = [&](std::size_t k, int sign) {
    if (std::isnan(rawY[k])) return;
    sumY += sign * rawY[k];
    if (z != nullptr) sumZ += sign * (k < rawZ.size() ? rawZ[k] : 0.0);
    valid += sign;
  };
  const std::size_t width = static_cast<std::size_t>(width_);
  const std::size_t first = kept >= width - 1 ? kept - (width - 1) : 0;
  for (std::size_t k = first; k < kept; ++k) add(k, +1);
  for (int i = 0; i < count; ++i) {
    const std::size_t k = kept + static_cast<std::size_t>(i);
    add(k, +1);
    if (k >= first + width) add(k - width, -1);
    if (std::isnan(rawY[k])) continue;
    y[i] = sumY / valid;
    if (z != nullptr) z[i] = sumZ / valid;
  }

  // Keep what the next block's first points need.
  const std::size_t keep = std::min(rawY.size(), width - 1);
  historyY_.assign(rawY.end() - static_cast<std::ptrdiff_t>(keep), rawY.end());
  if (z != nullptr) historyZ_.assign(rawZ.end() - static_cast<std::ptrdiff_t>(keep), rawZ.end());
  next_ = offset + count;
  changed = true;
}

bool CMovingAverageFilter::SetWidth(const std::wstring& text) {
  wchar_t* end = nullptr;
  const long value = std::wcstol(text.c_str(), &end, 10);
  if (text.empty() || end == nullptr || *end != L'\0' || value < 1 || value > kMaxWidth) return false;
  if (value == width_) return true;
  width_ = static_cast<int>(value);
  UpdateStatus();
  FilterParametersUpdated(true);
  return true;
}

std::wstring CMovingAverageFilter::GetParameter(const wchar_t* name) {
  if (name != nullptr && std::wcscmp(name, L"width") == 0) return std::to_wstring(width_);
  return CFilter::GetParameter(name);
}

void CMovingAverageFilter::SetParameter(const wchar_t* name, const wchar_t* value) {
  if (name != nullptr && std::wcscmp(name, L"width") == 0) {
    SetWidth(value != nullptr ? value : L"");
    return;
  }
  CFilter::SetParameter(name, value);
}

void CMovingAverageFilter::Serialize(pugi::xml_node node, const char* name) {
  pugi::xml_node element = name != nullptr && *name != '\0' ? node.append_child(name) : node;
  element.append_attribute("width") = width_;
  element.append_attribute("enabled") = enabled_;
}

void CMovingAverageFilter::Deserialize(pugi::xml_node node, const char* name) {
  const pugi::xml_node element = name != nullptr && *name != '\0' ? node.child(name) : node;
  if (!element) return;
  if (const pugi::xml_attribute width = element.attribute("width")) SetWidth(Utf8ToWide(width.value()));
  SetEnabled(element.attribute("enabled").as_bool(true));
  UpdateStatus();
}

void CMovingAverageFilter::Assign(CFilter* other) {
  auto* source = dynamic_cast<CMovingAverageFilter*>(other);
  if (source == nullptr || source == this) return;
  parameters_ = source->parameters_;
  SetWidth(std::to_wstring(source->width_));
}

void CMovingAverageFilter::UpdateStatus() {
  std::wstring text = Tr("Скользящее среднее по %0 точкам");
  const std::size_t at = text.find(L"%0");
  if (at != std::wstring::npos) text.replace(at, 2, std::to_wstring(width_));
  statusLine_ = enabled_ ? text : std::wstring();
}
