#pragma once
// The process-wide table of named pixel sizes, offsets and font sizes the drawing code
// uses, so that a layout file can retune them without a rebuild.
#include <string>
#include <vector>

#include <pugixml.hpp>

// Ids of the registered metrics: the index in the table.
enum EMetricsId : int {
  IND_LEFT_WIDTH = 0,         // left (icon) column of a measurement-bar indicator
  IND_LEFT_ICON = 1,          // indicator icon
  IND_OFFSET = 2,             // spacing between indicators
  IND_TRACE_SIZE = 3,         // trace swatch in an indicator
  IND_TEXT_HORZ_OFFSET = 4,   // horizontal text inset in an indicator
  IND_TEXT_VERT_OFFSET = 5,   // vertical text inset in an indicator
  AXIS_HIGHLIGHTS_WIDTH = 6,  // highlighted axis strips of a diagram
  STATUS_BAR_OFFSET = 7,      // offset of the measurement bars
  MRK_BR_RANGE_HEIGHT = 8,    // height of a marker's range bracket
  MRK_BR_RANGE_WIDTH = 9,     // width of a marker's range bracket
  MRK_FONT_SIZE_NORMAL = 10,  // marker label font size (points)
  MRK_FONT_SIZE_LARGE = 11,   // large marker label font size (points)
  MRK_PARK_OFFSET = 12,       // offset of a parked marker
  HMRK_PARK_OFFSET = 13,      // offset of a parked horizontal marker
  HMRK_KNOB_SIZE = 14,        // horizontal marker's knob
  WFALL_LEVEL_WIDTH = 15,     // level strip of the waterfall series
  METRICS_COUNT
};

class CMetricsCollection {
 public:
  // Appends a metric and returns its id.
  int Register(const std::string& name, int defaultValue);

  int Count() const { return static_cast<int>(entries_.size()); }
  // The value; -1 for an id outside the table.
  int Get(int id) const;
  void Set(int id, int value);
  // Id of a registered name (exact, case-sensitive); -1 when not registered.
  int Find(const std::string& name) const;
  std::string Name(int id) const;  // "" outside the table

  // Overrides the values named by the "metrics/item" elements (@id, @value) below node.
  // Unnamed and unregistered items are reported and skipped; values not named keep what
  // they had. 0, or -1 when some item named an unregistered metric.
  int Deserialize(pugi::xml_node node);

  // Every metric back to its registered default.
  void ResetToDefaults();

 private:
  struct SEntry {
    std::string name;
    int value;
    int defaultValue;
  };
  std::vector<SEntry> entries_;
};

// The global collection with the metrics of EMetricsId registered.
CMetricsCollection& Metrics();

// The value of a metric as drawn: pixel metrics are multiplied by the metrics scale and
// rounded, font sizes (points) are not, since the canvas scales them itself. -1 for an id
// outside the table.
int GetMetrics(int id);
int LoadMetrics(pugi::xml_node node);

// The screen's logical resolution over the 96 dpi the defaults are drawn for; 1 until the
// host says otherwise. A layout's values are taken at 96 dpi too and scale the same way.
// A factor that is not positive and finite is refused.
void SetMetricsScale(double scale);
double GetMetricsScale();
// Whether the metric is a font size in points (not scaled).
bool IsFontMetric(int id);
