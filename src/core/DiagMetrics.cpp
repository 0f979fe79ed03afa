#include "core/DiagMetrics.h"

#include <cmath>

#include "common/Assert.h"

namespace {
double gScale = 1.0;
}  // namespace

int CMetricsCollection::Register(const std::string& name, int defaultValue) {
  entries_.push_back({name, defaultValue, defaultValue});
  return Count() - 1;
}

int CMetricsCollection::Get(int id) const {
  if (id < 0 || id >= Count()) return -1;
  return entries_[static_cast<std::size_t>(id)].value;
}

void CMetricsCollection::Set(int id, int value) {
  if (!PV_ASSERT(id >= 0 && id < Count())) return;
  entries_[static_cast<std::size_t>(id)].value = value;
}

int CMetricsCollection::Find(const std::string& name) const {
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].name == name) return static_cast<int>(i);
  return -1;
}

std::string CMetricsCollection::Name(int id) const {
  if (id < 0 || id >= Count()) return {};
  return entries_[static_cast<std::size_t>(id)].name;
}

int CMetricsCollection::Deserialize(pugi::xml_node node) {
  if (!node) return 0;
  int result = 0;
  for (const pugi::xpath_node& item : node.select_nodes("metrics/item")) {
    const pugi::xml_node element = item.node();
    const std::string sID = element.attribute("id").as_string();
    const int value = element.attribute("value").as_int(0);
    PV_ASSERT_MSG(!sID.empty(), "Invalid metrics ID");
    const int id = Find(sID);
    if (!PV_ASSERT_MSG(id >= 0, "Metrics not registered")) {
      result = -1;
      continue;
    }
    entries_[static_cast<std::size_t>(id)].value = value;
  }
  return result;
}

void CMetricsCollection::ResetToDefaults() {
  for (SEntry& entry : entries_) entry.value = entry.defaultValue;
}

CMetricsCollection& Metrics() {
  // Built on first use, so it exists before any diagram asks, whatever the order of
  // static initialisation.
  static CMetricsCollection collection = [] {
    CMetricsCollection c;
    c.Register("IND_LEFT_WIDTH", 40);
    c.Register("IND_LEFT_ICON", 32);
    c.Register("IND_OFFSET", 4);
    c.Register("IND_TRACE_SIZE", 11);
    c.Register("IND_TEXT_HORZ_OFFSET", 5);
    c.Register("IND_TEXT_VERT_OFFSET", 2);
    c.Register("AXIS_HIGHLIGHTS_WIDTH", 15);
    c.Register("STATUS_BAR_OFFSET", 1);
    c.Register("MRK_BR_RANGE_HEIGHT", 13);
    c.Register("MRK_BR_RANGE_WIDTH", 3);
    c.Register("MRK_FONT_SIZE_NORMAL", 8);
    c.Register("MRK_FONT_SIZE_LARGE", 12);
    c.Register("MRK_PARK_OFFSET", 1);
    c.Register("HMRK_PARK_OFFSET", 3);
    c.Register("HMRK_KNOB_SIZE", 16);
    c.Register("WFALL_LEVEL_WIDTH", 2);
    return c;
  }();
  return collection;
}

int GetMetrics(int id) {
  const int value = Metrics().Get(id);
  if (id < 0 || id >= Metrics().Count() || IsFontMetric(id) || gScale == 1.0) return value;
  return static_cast<int>(std::lround(value * gScale));
}

void SetMetricsScale(double scale) {
  if (!PV_ASSERT(std::isfinite(scale) && scale > 0.0)) return;
  gScale = scale;
}

double GetMetricsScale() { return gScale; }

bool IsFontMetric(int id) { return id == MRK_FONT_SIZE_NORMAL || id == MRK_FONT_SIZE_LARGE; }

int LoadMetrics(pugi::xml_node node) { return Metrics().Deserialize(node); }
