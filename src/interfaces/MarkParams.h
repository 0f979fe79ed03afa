#pragma once
// The settings of a point marker and of a relation marker. A marker's whole state that a person sets lives here, so the properties
// form, the preset file, the layout and automation all read and write one record.
#include <bitset>
#include <string>

inline constexpr unsigned kMarkerCount = 30;
inline constexpr unsigned kRelationCount = 10;
// Read-out lines a marker can show: line 0 is the stimulus, line k ≥ 2 the trace at index k − 2.
inline constexpr unsigned kLinesCount = 64;
// Lines written to and read from files (the stimulus and 31 traces).
inline constexpr unsigned kStoredLines = 33;

// Search rule of a marker.
// How to add a search mode:
// 1. Add the value here and its key and caption to kMarkModeKeys / MarkModeCaption
//    (markers/MarkParams.cpp); keys are what files hold, so never change an existing one.
// 2. Give it its step in SearchMarker (MarkerSearch.cpp) and say there which data it reads
//    (DependsOnWholeTrace), so markers search only once that data arrived.
// 3. Offer it in the marker menu (CMarker::PrepareMenu) and, when it needs a value of its
//    own, add the field to SMarkParams with its XML path in CMarker::Serialize/Deserialize.
// 4. Test it in tests/markers/MarkerSearch_test.cpp with a small exact trace.
enum EMarkMode : int {
  mmFree = 0,
  mmMinimum = 1,
  mmMaximum = 2,
  mmFixed = 3,  // level search
  mmRef = 4,    // offset from a reference marker
};
inline constexpr int kMarkModeCount = 5;

// Direction of an offset: "left" walks toward lower indices; "Resp" offsets are measured
// along the response, "Stim" offsets along the stimulus.
enum EMarkDirection : int {
  mdLeftResp = 0,
  mdRightResp = 1,
  mdLeftStim = 2,
  mdRightStim = 3,
};

// How an extremum is tracked: not at all, within the stretch between the neighbouring
// extrema of the other kind, or by its ordinal along the trace.
enum EExtremeMode : int {
  emOff = 0,
  emInBand = 1,
  emFixed = 2,
};

struct SMarkParams {
  int traceIndex = -1;
  int refTraceIndex = -1;
  double fixedLevel = 0;
  double divergence = 0;
  double position = 0;
  bool noLimits = true;
  double rangeMin = 0;
  double rangeMax = 40000;
  bool enabled = false;
  bool deltaMeasure = false;
  int refMarker = -1;
  bool showStat = false;
  double framePos = 50;
  EMarkDirection direction = mdLeftResp;
  EMarkMode mode = mmFree;
  int stimFraction = 6;
  int valueFraction = 3;
  std::bitset<kLinesCount> lines{1};
  bool parked = true;
  bool tracking = true;
  bool discrete = false;
  EExtremeMode extremeMode = emOff;
  double excursion = 10;
  int counterState = 0;
  double counterAccuracy = 1000;
  double stimStep = 0;
  double rangeMinStep = 0;
  double rangeMaxStep = 0;
  int extremumIndex = 0;

  bool operator==(const SMarkParams&) const = default;
};

// The record every new or reset marker starts from.
inline const SMarkParams& DefaultMarkParams() {
  static const SMarkParams defaults;
  return defaults;
}

// The record of a relation marker.
struct SConnParams {
  int markerA = 0;
  int markerB = 0;
  double framePos = 50;
  std::wstring expression;
  std::wstring print;
  std::wstring description;
  int fraction = 3;
  bool active = false;
};

