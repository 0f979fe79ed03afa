#pragma once
// What the marker properties form does, without its widgets: the form edits a copy of the
// marker's settings and applies every change at once, so the marker moves while the form is
// open; Cancel puts back what the marker had when the form opened, OK keeps the changes and
// brings the marker's reference in line.
#include <string>

#include "interfaces/MarkParams.h"

class CMarker;
class CMarkersManager;

class CMarkerPropertiesModel {
 public:
  // The mode list of the form: free, minimum, maximum, level, the three with delta measure,
  // and the offset from a reference marker.
  static constexpr int kModeItems = 8;

  CMarkerPropertiesModel(CMarkersManager& manager, CMarker& marker);

  CMarker& Marker() const { return marker_; }
  const SMarkParams& Params() const { return params_; }
  // Applies an edited record to the marker at once.
  void Apply(const SMarkParams& params);
  // A number typed into a field: NaN is refused (false) and the field keeps its value.
  bool ApplyNumber(double SMarkParams::* field, double value);

  int ModeItem() const;
  void SetModeItem(int item);
  // Switching between the level offsets and the position offsets starts the offset at 0.
  void SetDirection(EMarkDirection direction);

  // Captions and hints that follow the mode.
  bool SearchEnabled() const { return ModeItem() != 0; }
  std::wstring OffsetCaption() const;
  std::wstring OffsetHint() const;
  std::wstring LevelCaption() const;
  std::wstring LevelHint() const;

  void Cancel();
  // Keeps the changes; true when the fraction digits changed and every marker took them.
  bool Ok();

 private:
  CMarkersManager& manager_;
  CMarker& marker_;
  SMarkParams original_;
  SMarkParams params_;
};
