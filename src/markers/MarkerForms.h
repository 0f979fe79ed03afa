#pragma once
// The forms of the markers, as a port: the marker properties form, the relation form, the
// trace selector and the list of placement values. The engine says what to edit; the Qt layer
// shows the forms (ui/MarkerForms.*), tests answer from a script. Without a UI every form is
// cancelled.
#include <memory>
#include <string>
#include <vector>

class CMarker;
class CRelationMarker;

class IMarkerForms {
 public:
  virtual ~IMarkerForms() = default;
  // The properties form of a marker (edits apply at once; see CMarkerPropertiesModel).
  virtual bool EditMarker(CMarker& marker) = 0;
  virtual bool EditRelation(CRelationMarker& relation) = 0;
  // Ticks among `names` (one per trace); false when cancelled.
  virtual bool ChooseTraces(const std::wstring& caption, const std::vector<std::wstring>& names,
                            std::vector<bool>& ticked) = 0;
  // The stimulus values for placement by list, shown as value × `scale` under `header` and
  // limited to [min, max] (base units); at most `maxRows`. False when cancelled.
  virtual bool EditValueList(const std::wstring& caption, const std::wstring& header, double scale, double min,
                             double max, unsigned maxRows, std::vector<double>& values) = 0;
};

// Installs the process-wide forms; null restores the headless ones (every form cancelled).
std::shared_ptr<IMarkerForms> SetMarkerForms(std::shared_ptr<IMarkerForms> forms);
IMarkerForms& MarkerForms();
