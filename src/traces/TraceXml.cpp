// The trace's element of the layout: look, scale and the settings of its filters. Reading
// keeps the current value of anything missing or unreadable, so a damaged element costs
// only what it lost.
#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

#include "common/Assert.h"
#include "common/Text.h"
#include "common/UserInteraction.h"
#include "common/Xml.h"
#include "filters/Filter.h"
#include "traces/Trace.h"

void CTrace::Serialize(pugi::xml_node element) {
  if (!element) return;
  AddAttribute(element, L"name", name_);
  AddAttribute(element, L"locked", locked_);
  AddAttribute(element, L"type", GetTraceType());

  pugi::xml_node line = AddElement(element, L"line_parameters");
  AddAttribute(line, L"visible", visible_);
  AddAttribute(line, L"color", static_cast<long long>(color_));
  AddAttribute(line, L"width", static_cast<long long>(lineWidth_));
  AddAttribute(line, L"style", static_cast<long long>(lineStyle_));

  pugi::xml_node scaling = AddElement(element, L"scaling");
  AddAttribute(scaling, L"ref_level", GetScaleRef());
  AddAttribute(scaling, L"scale", GetScaleDiv());
  AddAttribute(scaling, L"ref_position", static_cast<long long>(refPosition_));
  AddAttribute(scaling, L"permanent_autoscale", permanentAutoScale_);

  pugi::xml_node filters = AddElement(element, L"filters");
  for (const SFilterEntry& entry : filters_) {
    pugi::xml_node node = AddElement(filters, L"filter");
    AddAttribute(node, L"type", entry.name);
    entry.filter->Serialize(node, nullptr);
  }
}

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A whole number read as a double, kept when it is missing or out of range.
int ReadInt(pugi::xml_node node, const wchar_t* xpath, int current) {
  const double v = GetNodeDoubleValue(node, xpath, current);
  if (!std::isfinite(v) || v < -2147483648.0 || v > 2147483647.0) return current;
  return static_cast<int>(v);
}

}  // namespace

void CTrace::Deserialize(pugi::xml_node element) {
  if (!element) return;
  ClearValues();
  locked_ = GetNodeBoolValue(element, L"@locked", locked_);

  const pugi::xml_node line = element.child("line_parameters");
  const bool visible = GetNodeBoolValue(line, L"@visible", visible_);
  const double colorValue = GetNodeDoubleValue(line, L"@color", static_cast<double>(color_));
  TColor color = color_;
  if (std::isfinite(colorValue) && colorValue >= 0 && colorValue <= 4294967295.0)
    color = static_cast<TColor>(static_cast<long long>(colorValue));
  const int width = ReadInt(line, L"@width", lineWidth_);
  const int style = ReadInt(line, L"@style", lineStyle_);
  SetVisible(visible);
  SetColor(color);  // the diagram gives a colour another trace already has a free one
  SetLineWidth(width);
  if (style >= psSolid && style <= psDashDot) SetLineStyle(static_cast<EPenStyle>(style));

  const pugi::xml_node scaling = element.child("scaling");
  // The current scale is worked out only for what the element lacks.
  double ref = GetNodeDoubleValue(scaling, L"@ref_level", kNaN);
  double div = GetNodeDoubleValue(scaling, L"@scale", kNaN);
  if (std::isnan(ref)) ref = GetScaleRef();
  if (std::isnan(div)) div = GetScaleDiv();
  const int position = ReadInt(scaling, L"@ref_position", refPosition_);
  permanentAutoScale_ = GetNodeBoolValue(scaling, L"@permanent_autoscale", permanentAutoScale_);
  // The position first, so the stored reference level lands on the stored grid line.
  refPosition_ = std::clamp(position, 0, 10);
  if (std::isfinite(ref) && std::isfinite(div) && div > 0) SetScale(ref, div);

  for (const pugi::xml_node filters : element.children("filters"))
    for (const pugi::xml_node node : filters.children("filter")) DeserializeFilter(node);
}

// One filter's settings, its enabled state included, as the filter itself reads them; a
// filter that throws keeps its enabled state and is reported.
void CTrace::DeserializeFilter(pugi::xml_node node) {
  const std::wstring type = GetNodeWideStringValue(node, L"@type");
  CFilter* filter = GetFilter(type.c_str());
  if (filter == nullptr) return;
  const bool enabled = filter->GetEnabled();
  try {
    filter->Deserialize(node, nullptr);
  } catch (const std::exception& e) {
    filter->SetEnabled(enabled);
    QuorMessageBox(nullptr, Tr("Возникло исключение при десериализации в фильтре ") + type + L": " + Utf8ToWide(e.what()),
                   L"Plotvane exception", MB_OK | MB_ICONERROR);
  } catch (...) {
    filter->SetEnabled(enabled);
    QuorMessageBox(nullptr, Tr("Возникло исключение при десериализации в фильтре ") + type, L"Plotvane exception",
                   MB_OK | MB_ICONERROR);
  }
}
