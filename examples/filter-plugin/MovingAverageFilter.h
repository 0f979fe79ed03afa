#pragma once
// The filter "MOVING_AVERAGE": each point of a trace becomes the mean of itself and the
// points before it in the same sweep, `width` points in all (fewer at the start of a sweep).
// Complex data are averaged part by part; points without a value (NaN) stay without one and
// are left out of their neighbours' means.
//
// A trailing mean moves a feature (width − 1) / 2 points towards higher stimulus; it needs
// nothing of the points after a block, so it works on blocks as they arrive.
//
// Writing a filter package like this one:
//  1. Derive from CDynamicFilter (whole arrays) or CFilter (a static step) of
//     filters/Filter.h; every operation has a harmless default, override what you need.
//  2. Keep the settings as parameters (SetParameter / GetParameter, what property pages and
//     scripts use) and in the trace's layout element (Serialize / Deserialize).
//  3. After a settings change call FilterParametersUpdated(true): the trace runs its data
//     through the chain again.
//  4. Put PLOTVANE_DECLARE_PLUGIN(CClass, "NAME", "FILTER") into one source file
//     (core/PluginApi.h), and build a MODULE library named Filter<Something>.so.
//  5. Name the filter in the host's list of included filters ("QUANTITY|NAME").
#include <string>
#include <vector>

#include "filters/Filter.h"

class CMovingAverageFilter : public CDynamicFilter {
 public:
  static constexpr int kMaxWidth = 1001;

  CMovingAverageFilter();

  void ProcessData(bool& changed, int& offset, int& count, int& size, double*& x, double*& y,
                   double*& z) override;
  // "width": a whole number from 1 to kMaxWidth; anything else is ignored.
  std::wstring GetParameter(const wchar_t* name) override;
  void SetParameter(const wchar_t* name, const wchar_t* value) override;
  // The attributes "width" and "enabled" of the filter's element.
  void Serialize(pugi::xml_node node, const char* name) override;
  void Deserialize(pugi::xml_node node, const char* name) override;
  void Assign(CFilter* other) override;
  void UpdateStatus() override;

  int GetWidth() const { return width_; }

 private:
  bool SetWidth(const std::wstring& text);

  int width_ = 5;
  // The last width − 1 points of the sweep so far, for the next block's first means.
  std::vector<double> historyY_, historyZ_;
  int next_ = 0;  // the offset the next block of the same sweep starts at
};
